#pragma once

#include <cstdint>

namespace tavorin::platform {

// Calendar time in whole seconds since the epoch (what the runtime's `time` gives).
std::int64_t timeSeconds();

// A monotonic millisecond tick count for the durations written to the run logs.
std::int64_t tickMilliseconds();

// Blocks the calling thread for `milliseconds`.
void sleepMilliseconds(int milliseconds);

}  // namespace tavorin::platform
