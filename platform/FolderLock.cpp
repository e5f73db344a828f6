#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/UserError.h"

namespace tavorin::platform {

FolderLocks::FolderLocks(const std::vector<std::string>& folders) {
    std::vector<std::pair<dev_t, ino_t>> locked;
    for (const std::string& folder : folders) {
        const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) continue;
        struct stat status {};
        ::fstat(descriptor, &status);
        bool seen = false;
        for (const auto& [device, inode] : locked) {
            seen = seen || (device == status.st_dev && inode == status.st_ino);
        }
        if (seen) {
            ::close(descriptor);
            continue;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            ::close(descriptor);
            for (const int held : descriptors_) ::close(held);
            throw UserError("Another run is writing its results in the folder \"" + folder +
                            "\"; wait until it has ended, or run in another folder.");
        }
        locked.emplace_back(status.st_dev, status.st_ino);
        descriptors_.push_back(descriptor);
    }
}

FolderLocks::~FolderLocks() {
    for (const int descriptor : descriptors_) ::close(descriptor);
}

}  // namespace tavorin::platform
