#pragma once

#include <memory>
#include <string>

// What every use of GDAL here shares: its drivers registered once, and its messages kept from
// the terminal so that they reach the user inside this program's own message.
namespace tavorin::gdal {

// Registers GDAL's drivers the first time it is called; safe from any thread.
void RegisterDrivers();

// While it lives, GDAL's drivers are registered and its errors and warnings on this thread are
// recorded, not printed: every use of GDAL here starts with one.
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

// Whether `path` is a FIFO, device or socket, which GDAL would block reading (a folder, which
// some formats are, is fine; a name that is no file, such as a subdataset's, too).
bool IsSpecialFile(const std::string& path);

// The raster GDAL opens at `path` for reading; empty when it cannot.
Dataset OpenRaster(const std::string& path);

// A file name in GDAL's memory file system, unique in this process.
std::string MemoryFileName(const std::string& extension);

// The content of a file in GDAL's memory file system, which is removed; empty when none.
std::string TakeMemoryFile(const std::string& name);

}  // namespace tavorin::gdal
