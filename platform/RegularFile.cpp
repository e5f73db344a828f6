#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavorin::platform {

RegularFile OpenRegularFile(const std::string& path, FileAccess access) {
    RegularFile result;
    const int flags = access == FileAccess::Read       ? O_RDONLY
                      : access == FileAccess::Truncate ? O_WRONLY | O_CREAT | O_TRUNC
                                                       : O_WRONLY | O_CREAT | O_APPEND;
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for its other end.
    const int descriptor = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        result.problem = RegularFile::Problem::CannotOpen;
        return result;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        result.problem = S_ISDIR(status.st_mode) ? RegularFile::Problem::CannotOpen
                                                 : RegularFile::Problem::NotRegular;
        return result;
    }
    // A regular file never blocks; the flag is cleared for the plain stream below.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    const char* const mode = access == FileAccess::Read       ? "rb"
                             : access == FileAccess::Truncate ? "wb"
                                                              : "ab";
    std::FILE* stream = ::fdopen(descriptor, mode);
    if (stream == nullptr) {
        ::close(descriptor);
        result.problem = RegularFile::Problem::CannotOpen;
        return result;
    }
    result.file.reset(stream);
    result.size = static_cast<std::int64_t>(status.st_size);
    return result;
}

}  // namespace tavorin::platform
