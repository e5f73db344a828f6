#pragma once

#include <string>
#include <vector>

namespace tavorin::platform {

// Advisory locks on the folders a run writes its results to, held while the object lives and
// released by the kernel if the process dies, so that two runs never write into one folder at
// the same time. A folder that cannot be opened is not locked (the output checks refuse it).
class FolderLocks {
  public:
    // Locks every folder of `folders` (the same folder named twice is locked once). Throws
    // UserError when another run holds one of them.
    explicit FolderLocks(const std::vector<std::string>& folders);
    ~FolderLocks();
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;

  private:
    std::vector<int> descriptors_;
};

}  // namespace tavorin::platform
