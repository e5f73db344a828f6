#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavorin::platform {

RegularFile OpenRegularFile(const std::string& path) {
    RegularFile result;
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
    // Reads of a regular file never block; the flag is cleared for the plain stream below.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = ::fdopen(descriptor, "rb");
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
