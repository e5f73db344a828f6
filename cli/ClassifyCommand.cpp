#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "cli/ClassifyOptions.h"
#include "cli/Commands.h"
#include "cli/TerminalUserInterface.h"
#include "driver/CClassificationDriver.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"

namespace tavorin::cli {

int RunClassifyCommand(const std::vector<std::string>& arguments) {
    ClassifyCommandLine commandLine = ParseClassifyOptions(arguments);
    switch (commandLine.outcome) {
        case ClassifyCommandLine::Outcome::Help:
            std::fputs(commandLine.text.c_str(), stdout);
            return 0;
        case ClassifyCommandLine::Outcome::UsageError:
            std::fprintf(stderr, "tavorin classify: %s\n",
                         commandLine.text.c_str());
            return 2;
        case ClassifyCommandLine::Outcome::Run:
            break;
    }

    TerminalUserInterface userInterface;
    RunOptions& options = commandLine.options;
    if (!options.seed) options.seed = static_cast<std::uint32_t>(platform::timeSeconds());
    // Printed before the run so that any run, also a failed one, can be repeated.
    std::fputs(("Seed: " + platform::formatInt(*options.seed) + "\n").c_str(), stdout);
    std::fflush(stdout);

    if (!CClassificationDriver().Run(commandLine.parameters, options)) return 1;

    if (options.pictures) {
        const std::string report = commandLine.parameters.outputPath + "_report.html";
        std::error_code error;
        if (std::filesystem::exists(report, error)) {
            std::fputs(("Report: " + report + "\n").c_str(), stdout);
        }
    }
    return 0;
}

}  // namespace tavorin::cli
