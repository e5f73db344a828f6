#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tavorin::platform {

// A file opened for reading only when it is a regular file (a link to one is fine): a FIFO,
// a device or a folder planted in its place is refused without blocking or reading.
struct RegularFile {
    enum class Problem { None, CannotOpen, NotRegular };

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    Problem problem = Problem::None;
    std::int64_t size = 0;  // bytes, when opened
};

RegularFile OpenRegularFile(const std::string& path);

}  // namespace tavorin::platform
