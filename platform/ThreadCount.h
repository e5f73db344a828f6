#pragma once

namespace tavorin::platform {

// The largest number of threads a run accepts.
constexpr int kMaximumThreads = 1024;

// The number of threads to use when the user asks for "all cores": the machine's hardware
// concurrency, at least 1 (when it is unknown) and at most kMaximumThreads.
int DefaultThreadCount();

}  // namespace tavorin::platform
