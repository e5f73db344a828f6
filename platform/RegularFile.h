#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tavorin::platform {

// A file opened only when it is a regular file (a link to one is fine): a FIFO, a device or a
// folder planted in its place is refused without blocking, reading or writing.
struct RegularFile {
    enum class Problem { None, CannotOpen, NotRegular };

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    Problem problem = Problem::None;
    std::int64_t size = 0;  // bytes, when opened
};

// Read: an existing file from its start. Truncate and Append: created when missing.
enum class FileAccess { Read, Truncate, Append };

RegularFile OpenRegularFile(const std::string& path, FileAccess access = FileAccess::Read);

}  // namespace tavorin::platform
