#include "platform/Interruption.h"

#include <csignal>

namespace tavorin::platform {
namespace {

std::atomic<int> interruptionSignal{0};

extern "C" void RecordInterruption(int signal) { interruptionSignal.store(signal); }

}  // namespace

const std::atomic<int>& InstallInterruptionHandlers() {
    static_assert(std::atomic<int>::is_always_lock_free,
                  "the handler may only touch lock-free data");
    struct sigaction action {};
    action.sa_handler = RecordInterruption;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return interruptionSignal;
}

}  // namespace tavorin::platform
