#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Commands.h"

namespace tavorin::cli {

// What one `tavorin fcm` call returned and printed.
struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline CommandResult RunFcm(const std::vector<std::string>& arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    CommandResult result;
    result.status = RunFcmCommand(arguments);
    result.out = ::testing::internal::GetCapturedStdout();
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
}

}  // namespace tavorin::cli
