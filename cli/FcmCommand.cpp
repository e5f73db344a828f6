#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/TerminalUserInterface.h"
#include "clustering/CFcmRunner.h"
#include "platform/NumberText.h"
#include "platform/SeedText.h"
#include "platform/ThreadCount.h"
#include "platform/UserError.h"
#include "platform/UserInterface.h"

namespace tavorin::cli {
namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kDescription =
    "Four-cluster fuzzy c-means of the fixed test image small.img (with small.hdr beside it).\n"
    "\n"
    "The test image is looked for, in this order, in:\n"
    "  1. the folder named by the environment variable TAVORIN_DATA_DIR, if set;\n"
    "  2. <folder of the tavorin executable>/../share/tavorin (the installed data);\n"
    "  3. " TAVORIN_INSTALL_DATA_DIR
    " (the install prefix's data);\n"
    "  4. " TAVORIN_SOURCE_DATA_DIR
    " (the source tree's data folder).\n"
    "\n"
    "Writes into the current directory: cencer_output_runfcm.txt and cencer_output.txt (the\n"
    "four centres, one line each) and small_result with its ENVI header small_result.hdr\n"
    "(one byte per pixel, labels 1 to 4).\n"
    "\n"
    "Without --seed the run waits one second and seeds from the clock (time * 1000); the seed\n"
    "used is printed so the run can be repeated. The files do not depend on --threads.";

int UsageError(const std::string& text) {
    std::fprintf(stderr, "tavorin fcm: %s\nRun 'tavorin fcm --help' for the options.\n",
                 text.c_str());
    return kExitUsage;
}

}  // namespace

int RunFcmCommand(const std::vector<std::string>& arguments) {
    CLI::App app(kDescription, "tavorin fcm");
    std::string seedText;
    app.add_option("--seed", seedText,
                   "seed of the random start memberships (0 to 4294967295); skips the one-second "
                   "pause so the run repeats exactly")
        ->type_name("N");
    std::string threadsText;
    app.add_option("--threads", threadsText,
                   "threads that share the clustering, 1 to " +
                       platform::formatInt(platform::kMaximumThreads) +
                       "; the results do not depend on it (default: all cores, " +
                       platform::formatInt(platform::DefaultThreadCount()) + " here)")
        ->type_name("N");

    std::vector<const char*> argv{"tavorin fcm"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return kExitSuccess;
    } catch (const CLI::ParseError& error) {
        return UsageError(error.what());
    }

    CFcmRunner runner;
    if (app.count("--seed") > 0) {
        runner.seed = platform::ParseSeed(seedText);
        if (!runner.seed) {
            return UsageError("--seed needs a whole number from 0 to 4294967295, not '" + seedText +
                              "'");
        }
    }

    runner.threadCount = platform::DefaultThreadCount();
    if (app.count("--threads") > 0) {
        const std::optional<int> threads = platform::parseInt32(threadsText);
        if (!threads || *threads < 1 || *threads > platform::kMaximumThreads) {
            return UsageError("--threads needs a whole number from 1 to " +
                              platform::formatInt(platform::kMaximumThreads) + ", not '" +
                              threadsText + "'");
        }
        runner.threadCount = *threads;
    }

    TerminalUserInterface userInterface;
    const TestImageLocation location = CFcmRunner::LocateTestImage();
    if (location.found) {
        runner.imagePath = *location.found;
        std::printf("Test image: %s\n", location.found->c_str());
        std::fflush(stdout);
    }
    try {
        runner.Run();
    } catch (const UserError& error) {
        platform::ShowMessage(error.what(), platform::MessageKind::Error);
        return kExitFailure;
    } catch (const std::exception& error) {
        platform::ShowMessage(std::string("The fuzzy c-means run failed: ") + error.what(),
                              platform::MessageKind::Error);
        return kExitFailure;
    }
    platform::ShowMessage("Seed: " + platform::formatInt(runner.usedSeed) +
                              "\nWrote cencer_output_runfcm.txt, cencer_output.txt, small_result "
                              "and small_result.hdr.",
                          platform::MessageKind::Information);
    return kExitSuccess;
}

}  // namespace tavorin::cli
