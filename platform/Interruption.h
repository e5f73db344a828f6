#pragma once

#include <atomic>
#include <string>

#include "platform/UserError.h"

namespace tavorin::platform {

// A run stopped at a safe point because the user asked it to (Ctrl-C, SIGTERM). Nothing of the
// run's results was put in place.
class RunInterrupted : public UserError {
  public:
    RunInterrupted() : UserError("Interrupted: nothing was written") {}
};

// For the command-line front end: SIGINT and SIGTERM set the returned flag to the signal's
// number instead of ending the process, and SIGPIPE is ignored, so a closed terminal or pipe
// never ends a run. The run polls the flag at its safe points.
const std::atomic<int>& InstallInterruptionHandlers();

}  // namespace tavorin::platform
