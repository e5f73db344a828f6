#pragma once

#include <memory>
#include <string>

// What every use of GDAL here shares: its drivers registered once, and its messages kept from
// the terminal so that they reach the user inside this program's own message.
namespace tavorin::gdal {

// Registers GDAL's drivers the first time it is called; safe from any thread.
void RegisterDrivers();

// While it lives, GDAL's errors and warnings on this thread are recorded, not printed.
class QuietErrors {
  public:
    QuietErrors();
    ~QuietErrors();
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
};

// GDAL's message for the last error on this thread, without a final full stop; `fallback` when
// it gave none.
std::string LastErrorMessage(const std::string& fallback = "no reason given");

// A GDAL dataset handle that closes the dataset when it goes.
struct DatasetCloser {
    void operator()(void* dataset) const;
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// A file name in GDAL's memory file system, unique in this process.
std::string MemoryFileName(const std::string& extension);

}  // namespace tavorin::gdal
