#include "image/GdalSupport.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include <atomic>
#include <mutex>

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

std::string MemoryFileName(const std::string& extension) {
    static std::atomic<long long> next{0};
    return "/vsimem/tavorin-" + platform::formatInt(next++) + extension;
}

}  // namespace tavorin::gdal
