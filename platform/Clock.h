#pragma once

#include <cstdint>

namespace tavorin::platform {

// Calendar time in whole seconds since the epoch (what the runtime's `time` gives).
std::int64_t timeSeconds();

// A monotonic millisecond tick count for the durations written to the run logs.
std::int64_t tickMilliseconds();

// The time between two tick counts in seconds, as the run logs print it: ticks × 0.001.
inline double secondsBetween(std::int64_t fromTicks, std::int64_t toTicks) {
    return static_cast<double>(toTicks - fromTicks) * 0.001;
}

// Blocks the calling thread for `milliseconds`.
void sleepMilliseconds(int milliseconds);

}  // namespace tavorin::platform
