#include "image/GdalSupport.h"

#include <cpl_error.h>
#include <gdal.h>

#include <atomic>
#include <mutex>

#include "platform/NumberText.h"

namespace tavorin::gdal {

void RegisterDrivers() {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
}

QuietErrors::QuietErrors() {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

QuietErrors::~QuietErrors() { CPLPopErrorHandler(); }

std::string LastErrorMessage() {
    std::string message = CPLGetLastErrorMsg();
    while (!message.empty() &&
           (message.back() == '.' || message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "no reason given" : message;
}

void DatasetCloser::operator()(void* dataset) const { GDALClose(dataset); }

std::string MemoryFileName(const std::string& extension) {
    static std::atomic<long long> next{0};
    return "/vsimem/tavorin-" + platform::formatInt(next++) + extension;
}

}  // namespace tavorin::gdal
