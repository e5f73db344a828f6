#include "platform/ThreadCount.h"

#include <thread>

namespace tavorin::platform {

int DefaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) return 1;
    return cores > static_cast<unsigned>(kMaximumThreads) ? kMaximumThreads
                                                          : static_cast<int>(cores);
}

}  // namespace tavorin::platform
