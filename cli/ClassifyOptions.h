#pragma once

#include <string>
#include <vector>

#include "driver/CClassificationDriver.h"
#include "evolution/RunParameters.h"

namespace tavorin::cli {

// The arguments of `tavorin classify`, understood.
struct ClassifyCommandLine {
    enum class Outcome {
        Run,         // `parameters` and `options` hold the run to carry out
        Help,        // `text` is the help text
        Version,     // `text` is the version line
        UsageError,  // `text` is the one message for the user
    };
    Outcome outcome = Outcome::Run;
    RunParameters parameters;
    RunOptions options;  // `seed` stays empty unless --seed was given
    bool quiet = false;  // --quiet: errors only
    std::string text;
};

// Parses the arguments that follow "classify". Reads no file and changes nothing, so the
// same arguments always give the same result (the thread default aside, which is the
// machine's core count).
ClassifyCommandLine ParseClassifyOptions(const std::vector<std::string>& arguments);

}  // namespace tavorin::cli
