#include "shell/ShellOptions.h"

#include <string_view>

#include "platform/SeedText.h"

namespace tavorin::shell {
namespace {

// The value of "--name VALUE" or "--name=VALUE" at `index`, advancing past it.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments,
                                       std::size_t& index, std::string_view name) {
    const std::string& argument = arguments[index];
    if (argument == name) {
        if (index + 1 >= arguments.size()) return std::nullopt;
        return arguments[++index];
    }
    return argument.substr(name.size() + 1);
}

bool Names(const std::string& argument, std::string_view name) {
    return argument == name ||
           (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
            argument[name.size()] == '=');
}

}  // namespace

ShellOptions ParseShellOptions(const std::vector<std::string>& arguments) {
    ShellOptions options;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (Names(argument, "--seed")) {
            const std::optional<std::string> value = OptionValue(arguments, index, "--seed");
            const std::optional<std::uint32_t> seed =
                value ? platform::ParseSeed(*value) : std::optional<std::uint32_t>();
            if (!seed) {
                options.error = "--seed needs a whole number from 0 to 4294967295";
                return options;
            }
            options.seed = seed;
        } else if (Names(argument, "--screenshot")) {
            const std::optional<std::string> value = OptionValue(arguments, index, "--screenshot");
            if (!value || value->empty()) {
                options.error = "--screenshot needs a folder";
                return options;
            }
            options.screenshotDir = value;
        } else if (Names(argument, "--open")) {
            const std::optional<std::string> value = OptionValue(arguments, index, "--open");
            if (!value || value->empty()) {
                options.error = "--open needs a run summary";
                return options;
            }
            options.openPath = value;
        } else {
            options.error = "unknown option '" + argument + "'";
            return options;
        }
    }
    return options;
}

std::string ShellUsage() {
    return "Usage: tavorin-gui [--seed N] [--open RUN_summary.json] [--screenshot DIR]\n"
           "       tavorin-gui --version\n"
           "\n"
           "The TAVORIN desktop application.\n"
           "\n"
           "Options:\n"
           "  --seed N          start every classification from random seed N (0 to\n"
           "                    4294967295) instead of the clock, so a run can be repeated\n"
           "  --open FILE       show the run of the summary FILE (<output>_summary.json)\n"
           "  --screenshot DIR  save pictures of the main window (with the run of --open),\n"
           "                    the parameter dialog and a progress window into DIR as PNG\n"
           "                    files, then quit\n"
           "  -h, --help        show this text\n"
           "  --version         print the version and quit\n";
}

}  // namespace tavorin::shell
