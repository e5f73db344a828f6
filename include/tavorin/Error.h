#pragma once

#include <stdexcept>
#include <string>

namespace tavorin {

// Every failure the library reports: an image or parameters it refuses, a file it cannot read
// or write. what() is the message the commands show the user.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tavorin
