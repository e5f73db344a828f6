#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/FcmInput.h"
#include "cli/TerminalUserInterface.h"
#include "cli/TextOption.h"
#include "cli/UnknownOption.h"
#include "clustering/CFcmRunner.h"
#include "driver/InputPathCheck.h"
#include "driver/ParameterTable.h"
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
constexpr int kMostIterations = 1000000;

constexpr const char* kDescription =
    "Fuzzy c-means of an image. Without --input: four clusters of the fixed test image small.img\n"
    "(with small.hdr beside it), which is looked for, in this order, in:\n"
    "  1. the folder named by the environment variable TAVORIN_DATA_DIR, if set;\n"
    "  2. <folder of the tavorin executable>/../share/tavorin (the installed data);\n"
    "  3. " TAVORIN_INSTALL_DATA_DIR
    " (the install prefix's data);\n"
    "  4. " TAVORIN_SOURCE_DATA_DIR
    " (the source tree's data folder).\n"
    "\n"
    "Writes into the current directory: cencer_output_runfcm.txt and cencer_output.txt (the\n"
    "centres, one line each) and small_result with its ENVI header small_result.hdr (one byte\n"
    "per pixel, labels 1 to K).\n"
    "\n"
    "With --input, any image the classify command reads (an ENVI image or any raster GDAL\n"
    "reads) is clustered the same way; its classification image is named by --output, the\n"
    "centre files keep their names. Pixels without data, or with a NaN or infinite sample,\n"
    "are left out and labelled 0.\n"
    "\n"
    "Without --seed the run waits one second and seeds from the clock (time * 1000); the seed\n"
    "used is printed so the run can be repeated. The files do not depend on --threads.";

int UsageError(const std::string& text) {
    std::fprintf(stderr, "tavorin fcm: %s\nRun 'tavorin fcm --help' for the options.\n",
                 text.c_str());
    return kExitUsage;
}

// The options as given; empty optionals for options not given.
struct FcmOptionTexts {
    std::optional<std::string> seed, threads, input, clusters, iterations, output;
    bool quiet = false;
};

std::string WholeNumberRefusal(const std::string& option, long long lowest, long long highest,
                               const std::string& given) {
    return option + " needs a whole number from " + platform::formatInt(lowest) + " to " +
           platform::formatInt(highest) + ", not '" + given + "'";
}

// The options' values in the runner, or the first refusal.
std::optional<std::string> ApplyOptions(const FcmOptionTexts& texts, CFcmRunner& runner) {
    if (texts.seed) {
        runner.seed = platform::ParseSeed(*texts.seed);
        if (!runner.seed) return WholeNumberRefusal("--seed", 0, 4294967295LL, *texts.seed);
    }
    runner.threadCount = platform::DefaultThreadCount();
    if (texts.threads) {
        const std::optional<int> threads = platform::parseInt32(*texts.threads);
        if (!threads || *threads < 1 || *threads > platform::kMaximumThreads) {
            return WholeNumberRefusal("--threads", 1, platform::kMaximumThreads, *texts.threads);
        }
        runner.threadCount = *threads;
    }
    if (!texts.input) {
        // Without an image the command is the fixed four-cluster run of the test image.
        for (const auto& [option, text] :
             {std::pair{"--clusters", texts.clusters}, std::pair{"--iterations", texts.iterations},
              std::pair{"--output", texts.output}}) {
            if (text) {
                return std::string(option) +
                       " needs --input: without it the fixed test image is clustered into four "
                       "clusters.";
            }
        }
        return std::nullopt;
    }
    if (texts.input->empty()) return "--input needs a path.";
    if (texts.clusters) {
        const ParameterRule& rule = RuleOf(ParameterField::ClusterNumber);
        const std::optional<int> clusters = platform::parseInt32(*texts.clusters);
        if (!clusters || !IsAccepted(rule, *clusters)) {
            return WholeNumberRefusal("--clusters", static_cast<long long>(rule.lowest),
                                      static_cast<long long>(rule.highest), *texts.clusters);
        }
        runner.clusterNumber = *clusters;
    }
    if (texts.iterations) {
        const std::optional<int> iterations = platform::parseInt32(*texts.iterations);
        if (!iterations || *iterations < 1 || *iterations > kMostIterations) {
            return WholeNumberRefusal("--iterations", 1, kMostIterations, *texts.iterations);
        }
        runner.iterationCount = *iterations;
    }
    if (texts.output && texts.output->empty()) return "--output needs a path.";
    runner.resultImagePath = texts.output ? *texts.output : DefaultFcmOutput(*texts.input);
    return std::nullopt;
}

// Loads the image of --input into the runner and tells what it is; false when it is refused.
bool LoadGivenImage(const std::string& inputPath, CFcmRunner& runner,
                    const TerminalUserInterface& userInterface) {
    std::optional<std::string> problem = InputPathProblem(inputPath);
    if (!problem) problem = FcmOutputProblem(runner.resultImagePath, inputPath);
    if (problem) {
        platform::ShowMessage(*problem, platform::MessageKind::Error);
        return false;
    }
    const FcmInput input = LoadFcmInput(inputPath, runner);
    const CEnviImage& image = input.description;
    userInterface.Print("Image: " + inputPath + ": " + platform::formatInt(image.samples) +
                        " samples x " + platform::formatInt(image.lines) + " lines x " +
                        platform::formatInt(image.bands) + " bands, " +
                        SampleTypeText(image.format, image.dataType, image.sampleType) + "\n");
    if (input.leftOutMessage) userInterface.Print(*input.leftOutMessage + "\n");
    return true;
}

}  // namespace

int RunFcmCommand(const std::vector<std::string>& arguments) {
    CLI::App app(kDescription, "tavorin fcm");
    FcmOptionTexts texts;
    const auto text = [&](const char* name, std::optional<std::string>& target,
                          const char* typeName, const std::string& description) {
        AddTextOption(app, name, target, typeName, description);
    };
    text("--input", texts.input, "PATH",
         "image to cluster instead of the test image: a raw file with its ENVI header beside "
         "it, or any raster GDAL reads");
    text("--clusters", texts.clusters, "K",
         "number of clusters, 2 to 19 (default: 4); needs --input");
    text("--iterations", texts.iterations, "N",
         "iterations of the clustering, 1 to " + platform::formatInt(kMostIterations) +
             " (default: 100); needs --input");
    text("--output", texts.output, "PATH",
         "the classification image, its header beside it with .hdr appended (default: the "
         "input's name without its extension and _result, in the current folder); needs "
         "--input");
    text("--seed", texts.seed, "N",
         "seed of the random start memberships (0 to 4294967295); skips the one-second pause so "
         "the run repeats exactly");
    text("--threads", texts.threads, "N",
         "threads that share the clustering, 1 to " +
             platform::formatInt(platform::kMaximumThreads) +
             "; the results do not depend on it (default: all cores, " +
             platform::formatInt(platform::DefaultThreadCount()) + " here)");
    app.add_flag("--quiet", texts.quiet, "print errors only");
    app.set_version_flag("--version", kVersionLine, "print the version and exit");

    std::vector<const char*> argv{"tavorin fcm"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return kExitSuccess;
    } catch (const CLI::CallForVersion&) {
        std::printf("%s\n", kVersionLine);
        return kExitSuccess;
    } catch (const CLI::ExtrasError&) {
        return UsageError(UnknownOptionMessage(app.remaining(), app));
    } catch (const CLI::ParseError& error) {
        return UsageError(error.what());
    }

    CFcmRunner runner;
    if (const std::optional<std::string> problem = ApplyOptions(texts, runner)) {
        return UsageError(*problem);
    }

    TerminalUserInterface userInterface(texts.quiet);
    try {
        if (texts.input) {
            if (!LoadGivenImage(*texts.input, runner, userInterface)) return kExitFailure;
            runner.Cluster();
            runner.WriteResult();
        } else {
            const TestImageLocation location = CFcmRunner::LocateTestImage();
            if (location.found) {
                runner.imagePath = *location.found;
                userInterface.Print("Test image: " + *location.found + "\n");
            }
            runner.Run();
        }
    } catch (const UserError& error) {
        platform::ShowMessage(error.what(), platform::MessageKind::Error);
        return kExitFailure;
    } catch (const std::exception& error) {
        platform::ShowMessage(std::string("The fuzzy c-means run failed: ") + error.what(),
                              platform::MessageKind::Error);
        return kExitFailure;
    }
    platform::ShowMessage("Seed: " + platform::formatInt(runner.usedSeed) + "\nWrote " +
                              runner.clusteredCentresPath + ", " + runner.resultCentresPath + ", " +
                              runner.resultImagePath + " and " +
                              CEnviImage::OutputHeaderFileName(runner.resultImagePath) + ".",
                          platform::MessageKind::Information);
    return kExitSuccess;
}

}  // namespace tavorin::cli
