#pragma once

#include <stdexcept>
#include <string>

namespace tavorin {

// A failure the user must be told about, carrying the exact message to show. The core
// throws it; the front ends show its text once (message box or standard error) and the
// command ends.
class UserError : public std::runtime_error {
public:
    explicit UserError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tavorin
