#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavorin::shell {

// The command line of tavorin-gui (after Qt has taken its own options).
struct ShellOptions {
    std::optional<std::uint32_t> seed;         // --seed N: every classification starts from N
    std::optional<std::string> screenshotDir;  // --screenshot DIR: save pictures and quit
    std::optional<std::string> openPath;       // --open FILE: show this run summary
    bool help = false;
    bool version = false;  // --version: print the version and quit
    std::string error;     // non-empty when the command line is wrong
};

ShellOptions ParseShellOptions(const std::vector<std::string>& arguments);

// The text of --help.
std::string ShellUsage();

}  // namespace tavorin::shell
