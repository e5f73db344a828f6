#include "image/GdalSupport.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/NumberText.h"

namespace tavorin::gdal {

void RegisterDrivers() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        GDALAllRegister();
        // Images are read once, front to back: a large block cache only holds a second copy
        // of them. A cache size the user set is kept.
        if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr) {
            GDALSetCacheMax64(64LL * 1024 * 1024);
        }
    });
}

QuietErrors::QuietErrors() {
    RegisterDrivers();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

QuietErrors::~QuietErrors() { CPLPopErrorHandler(); }

std::string LastErrorMessage(const std::string& fallback) {
    std::string message = CPLGetLastErrorMsg();
    while (!message.empty() &&
           (message.back() == '.' || message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? fallback : message;
}

void DatasetCloser::operator()(void* dataset) const { GDALClose(dataset); }

bool IsSpecialFile(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) return false;
    return !std::filesystem::is_regular_file(status) && !std::filesystem::is_directory(status);
}

Dataset OpenRaster(const std::string& path) {
    return Dataset(
        GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
}

std::string TakeMemoryFile(const std::string& name) {
    vsi_l_offset length = 0;
    GByte* bytes = VSIGetMemFileBuffer(name.c_str(), &length, TRUE);
    if (bytes == nullptr) return {};
    std::string content(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    CPLFree(bytes);
    return content;
}

std::string MemoryFileName(const std::string& extension) {
    static std::atomic<long long> next{0};
    return "/vsimem/tavorin-" + platform::formatInt(next++) + extension;
}

}  // namespace tavorin::gdal
