#pragma once

#include <string>

#include "platform/UserError.h"
#include "tests/support/TestSupport.h"

namespace tavorin::testing {

// The message of the UserError that `action` throws, or "(no error)".
template <typename Action>
std::string UserErrorOf(Action action) {
    try {
        action();
    } catch (const UserError& error) {
        return error.what();
    }
    return "(no error)";
}

// An ENVI header from the four geometry entries plus `extra` lines.
inline std::string HeaderText(int samples, int lines, int bands, int dataType,
                              const std::string& extra = "") {
    return "ENVI\nsamples = " + std::to_string(samples) + "\nlines = " + std::to_string(lines) +
           "\nbands = " + std::to_string(bands) + "\ndata type = " + std::to_string(dataType) +
           "\n" + extra;
}

}  // namespace tavorin::testing
