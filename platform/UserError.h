#pragma once

#include <string>

#include "tavorin/Error.h"

namespace tavorin {

// A failure the user must be told about, carrying the exact message to show. The core
// throws it; the front ends show its text once (message box or standard error) and the
// command ends. Callers of the library catch it as tavorin::Error.
class UserError : public Error {
  public:
    explicit UserError(const std::string& message) : Error(message) {}
};

}  // namespace tavorin
