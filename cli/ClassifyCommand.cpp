#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "cli/ClassifyOptions.h"
#include "cli/Commands.h"
#include "cli/TerminalUserInterface.h"
#include "driver/CClassificationDriver.h"
#include "driver/InputPathCheck.h"
#include "driver/InputStage.h"
#include "image/CEnviImage.h"
#include "platform/Clock.h"
#include "platform/Interruption.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin::cli {
namespace {

// Tells what the header of the input (or GDAL) says, so a wrong file is noticed before a long
// search. An image that cannot be described is left to the run, which reports it.
void PrintImageGeometry(const TerminalUserInterface& userInterface, const std::string& inputPath) {
    CEnviImage image;
    try {
        image = DescribeInputImage(inputPath);
    } catch (const UserError&) {
        return;
    }
    using platform::formatInt;
    const std::string samples = SampleTypeText(image.format, image.dataType, image.sampleType);
    const std::string line = "Image: " + inputPath + ": " + formatInt(image.samples) +
                             " samples x " + formatInt(image.lines) + " lines x " +
                             formatInt(image.bands) + " bands, " + samples + "\n";
    userInterface.Print(line);
}

}  // namespace

int RunClassifyCommand(const std::vector<std::string>& arguments, PixelSlices* slices) {
    ClassifyCommandLine commandLine = ParseClassifyOptions(arguments);
    switch (commandLine.outcome) {
        case ClassifyCommandLine::Outcome::Help:
        case ClassifyCommandLine::Outcome::Version:
            std::fputs(commandLine.text.c_str(), stdout);
            return 0;
        case ClassifyCommandLine::Outcome::UsageError:
            std::fprintf(stderr, "%s classify: %s\n", slices != nullptr ? "tavorin-mpi" : "tavorin",
                         commandLine.text.c_str());
            return 2;
        case ClassifyCommandLine::Outcome::Run:
            break;
    }

    TerminalUserInterface userInterface(commandLine.quiet);
    // An input that names no image is refused before a run starts.
    if (const auto problem = InputPathProblem(commandLine.parameters.inputPath)) {
        userInterface.ShowMessage(*problem, platform::MessageKind::Error);
        return 1;
    }
    RunOptions& options = commandLine.options;
    if (!options.seed) options.seed = static_cast<std::uint32_t>(platform::timeSeconds());
    // Printed before the run so that any run, also a failed one, can be repeated.
    userInterface.Print("Seed: " + platform::formatInt(*options.seed) + "\n");
    PrintImageGeometry(userInterface, commandLine.parameters.inputPath);

    const std::atomic<int>& interruption = platform::InstallInterruptionHandlers();
    options.interruption = &interruption;
    if (!CClassificationDriver().Run(commandLine.parameters, options, userInterface, slices)) {
        // 128 + the signal, as a shell reports a command that the signal ended.
        return interruption.load() != 0 ? 128 + interruption.load() : 1;
    }

    if (options.pictures) {
        const std::string report = commandLine.parameters.outputPath + "_report.html";
        std::error_code error;
        if (std::filesystem::exists(report, error)) {
            userInterface.Print("Report: " + report + "\n");
        }
    }
    return 0;
}

}  // namespace tavorin::cli
