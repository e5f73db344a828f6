#include "cli/ClassifyOptions.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>

#include "driver/ParameterCheck.h"
#include "platform/NumberText.h"
#include "platform/SeedText.h"
#include "platform/ThreadCount.h"

namespace tavorin::cli {
namespace {

// The texts of the options as given; empty optionals for options not given.
struct OptionTexts {
    std::optional<std::string> input, output, clusters, popSize, generations, fls, glsDelta,
        seed, threads;
    bool noPictures = false;
};

struct UsageProblem {
    std::string message;
};

std::string OptionName(ParameterField field, int index) {
    switch (field) {
        case ParameterField::ClusterNumber: return "--clusters";
        case ParameterField::PopSize: return "--pop-size";
        case ParameterField::IGenerations: return "--generations";
        case ParameterField::FLS: return "--fls";
        case ParameterField::GLS_delta:
            return "--gls-delta (value " + platform::formatInt(index + 1) + " of 4)";
    }
    return "";
}

UsageProblem NotA(const std::string& option, const std::string& rangeText,
                  const std::string& given) {
    return {option + " must be " + rangeText + ", not \"" + given + "\"."};
}

std::optional<UsageProblem> ParseInteger(const std::optional<std::string>& text,
                                         const std::string& option, const std::string& rangeText,
                                         int& target) {
    if (!text) return std::nullopt;
    const auto value = platform::parseInt32(*text);
    if (!value) return NotA(option, rangeText, *text);
    target = *value;
    return std::nullopt;
}

std::optional<UsageProblem> ParseNumber(const std::optional<std::string>& text,
                                        const std::string& option, const std::string& rangeText,
                                        double& target) {
    if (!text) return std::nullopt;
    const auto value = platform::parseDouble(*text);
    if (!value) return NotA(option, rangeText, *text);
    target = *value;
    return std::nullopt;
}

std::optional<UsageProblem> ParseGlsDelta(const std::optional<std::string>& text,
                                          std::array<double, 4>& target) {
    if (!text) return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text->find(',', start);
        parts.push_back(text->substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 4) {
        return UsageProblem{"--gls-delta needs four numbers separated by commas (A,B,C,D), not \"" +
                            *text + "\"."};
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (auto problem = ParseNumber(parts[i], OptionName(ParameterField::GLS_delta,
                                                            static_cast<int>(i)),
                                       "a finite number of 0 or more", target[i])) {
            return problem;
        }
    }
    return std::nullopt;
}

std::optional<UsageProblem> ParseSeed(const std::optional<std::string>& text,
                                      std::optional<std::uint32_t>& target) {
    if (!text) return std::nullopt;
    const auto value = platform::ParseSeed(*text);
    if (!value) return NotA("--seed", "an integer from 0 to 4294967295", *text);
    target = value;
    return std::nullopt;
}

std::optional<UsageProblem> ParseThreads(const std::optional<std::string>& text, int& target) {
    if (!text) return std::nullopt;
    const std::string rangeText =
        "an integer from 1 to " + platform::formatInt(platform::kMaximumThreads);
    const auto value = platform::parseInt32(*text);
    if (!value || *value < 1 || *value > platform::kMaximumThreads) {
        return NotA("--threads", rangeText, *text);
    }
    target = *value;
    return std::nullopt;
}

std::optional<UsageProblem> CheckPath(const std::optional<std::string>& text,
                                      const std::string& option, std::string& target) {
    if (!text) return std::nullopt;
    if (text->empty()) return UsageProblem{option + " needs a path."};
    target = *text;
    return std::nullopt;
}

// Turns the option texts into the run, or the first problem found.
std::optional<UsageProblem> BuildRun(const OptionTexts& texts, ClassifyCommandLine& result) {
    RunParameters& p = result.parameters;
    if (!texts.input || texts.input->empty()) {
        return UsageProblem{"--input PATH is required: the raw image file to classify."};
    }
    std::optional<UsageProblem> problem;
    if ((problem = CheckPath(texts.input, "--input", p.inputPath)) ||
        (problem = CheckPath(texts.output, "--output", p.outputPath)) ||
        (problem = ParseInteger(texts.clusters, "--clusters", "an integer from 2 to 19",
                                p.clusterNumber)) ||
        (problem = ParseInteger(texts.popSize, "--pop-size", "an integer from 6 to 10000",
                                p.popSize)) ||
        (problem = ParseInteger(texts.generations, "--generations",
                                "an integer from 0 to 1000000", p.iGenerations)) ||
        (problem = ParseNumber(texts.fls, "--fls", "a finite number from 0 to 1", p.FLS)) ||
        (problem = ParseGlsDelta(texts.glsDelta, p.GLS_delta)) ||
        (problem = ParseSeed(texts.seed, result.options.seed)) ||
        (problem = ParseThreads(texts.threads, result.options.threads))) {
        return problem;
    }
    if (const auto range = FindParameterProblem(p)) {
        return UsageProblem{OptionName(range->field, range->index) + " must be " +
                            range->rangeText + ", not " + range->value + "."};
    }
    result.options.pictures = !texts.noPictures;
    return std::nullopt;
}

}  // namespace

ClassifyCommandLine ParseClassifyOptions(const std::vector<std::string>& arguments) {
    ClassifyCommandLine result;
    result.parameters.outputPath = "OutputFile";
    result.parameters.inputPath.clear();
    result.options.threads = platform::DefaultThreadCount();
    const RunParameters defaults;

    CLI::App app{"Multi-objective memetic fuzzy clustering of an ENVI image.\n"
                 "Writes one classification image per member of the final Pareto front, named\n"
                 "<output>_0, <output>_1, ..., each with its ENVI header, and the objective\n"
                 "pairs of the front to FinalPF.txt.",
                 "tavorin classify"};
    OptionTexts texts;
    const auto text = [&](const char* name, std::optional<std::string>& target,
                          const char* typeName, const std::string& description) {
        app.add_option_function<std::string>(
               name, [&target](const std::string& value) { target = value; }, description)
            ->type_name(typeName);
    };
    text("--input", texts.input, "PATH",
         "raw image file to classify (required); its ENVI header lies beside it");
    text("--output", texts.output, "PATH",
         "base path of the classification images (default: OutputFile, in the current folder)");
    text("--clusters", texts.clusters, "K",
         "number of clusters, 2 to 19 (default: " + platform::formatInt(defaults.clusterNumber) +
             ")");
    text("--pop-size", texts.popSize, "N",
         "population size of the global search, 6 to 10000 (default: " +
             platform::formatInt(defaults.popSize) + ")");
    text("--generations", texts.generations, "G",
         "generations of the global search, 0 to 1000000 (default: " +
             platform::formatInt(defaults.iGenerations) + ")");
    text("--fls", texts.fls, "P",
         "probability of a local search per member and generation, 0 to 1 (default: " +
             platform::formatGeneral(defaults.FLS) + ")");
    std::string deltaDefaults;
    for (const double delta : defaults.GLS_delta) {
        if (!deltaDefaults.empty()) deltaDefaults += ",";
        deltaDefaults += platform::formatGeneral(delta);
    }
    text("--gls-delta", texts.glsDelta, "A,B,C,D",
         "the four step sizes of the local search, each 0 or more (default: " + deltaDefaults +
             ")");
    text("--seed", texts.seed, "N",
         "seed of the random generator, 0 to 4294967295 (default: the current time in "
         "seconds; the seed in use is printed)");
    text("--threads", texts.threads, "N",
         "evaluations run side by side; results do not depend on it (default: all cores, " +
             platform::formatInt(result.options.threads) + " here)");
    app.add_flag("--no-pictures", texts.noPictures,
                 "write no quick-look pictures or report beside the images");

    std::vector<const char*> argv{"tavorin classify"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        result.outcome = ClassifyCommandLine::Outcome::Help;
        result.text = app.help();
        return result;
    } catch (const CLI::ExtrasError&) {
        std::string extras;
        for (const std::string& extra : app.remaining()) {
            if (!extras.empty()) extras += ' ';
            extras += extra;
        }
        result.outcome = ClassifyCommandLine::Outcome::UsageError;
        result.text = "unknown option or argument: " + extras;
        return result;
    } catch (const CLI::ParseError& error) {
        result.outcome = ClassifyCommandLine::Outcome::UsageError;
        result.text = error.what();
        return result;
    }
    if (const auto problem = BuildRun(texts, result)) {
        result.outcome = ClassifyCommandLine::Outcome::UsageError;
        result.text = problem->message;
    }
    return result;
}

}  // namespace tavorin::cli
