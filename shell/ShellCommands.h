#pragma once

#include <functional>

#include "driver/CClassificationDriver.h"
#include "evolution/RunParameters.h"

namespace tavorin::shell {

// The two commands of the menu "unsupervised classification", replaceable by the tests.
// Both run on a worker thread and report through the installed user interface.
struct ShellCommands {
    // True when the run finished and wrote its results.
    std::function<bool(const RunParameters&, const RunOptions&)> classify;
    std::function<void()> runFcm;
};

// The classification driver and the stand-alone fuzzy c-means runner.
ShellCommands DefaultShellCommands();

}  // namespace tavorin::shell
