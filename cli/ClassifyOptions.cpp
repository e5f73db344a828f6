#include "cli/ClassifyOptions.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cstdint>
#include <optional>

#include "cli/Commands.h"
#include "cli/TextOption.h"
#include "cli/UnknownOption.h"
#include "driver/ParameterCheck.h"
#include "platform/NumberText.h"
#include "platform/SeedText.h"
#include "platform/ThreadCount.h"

namespace tavorin::cli {
namespace {

// The texts of the options as given; empty optionals for options not given.
struct OptionTexts {
    std::optional<std::string> input, output, seed, threads, nodata, format;
    std::array<std::optional<std::string>, kParameterRules.size()> parameters;  // table order
    bool noPictures = false;
};

struct UsageProblem {
    std::string message;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

UsageProblem NotA(const std::string& option, const std::string& rangeText,
                  const std::string& given) {
    return {option + " must be " + rangeText + ", not " + Quoted(given) + "."};
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

// Reads the option of one table row into the parameters: the values' form only; the ranges
// are checked afterwards, all together.
std::optional<UsageProblem> ParseParameter(const ParameterRule& rule,
                                           const std::optional<std::string>& text,
                                           RunParameters& parameters) {
    if (!text) return std::nullopt;
    const std::vector<std::string> parts =
        rule.entries == 1 ? std::vector<std::string>{*text} : SplitAtCommas(*text);
    if (static_cast<int>(parts.size()) != rule.entries) {
        // GLS_delta is the one field of several values, four of them.
        return UsageProblem{std::string(rule.option) + " needs four numbers separated by commas (" +
                            rule.valueName + "), not " + Quoted(*text) + "."};
    }
    for (int entry = 0; entry < rule.entries; ++entry) {
        const std::string& part = parts[static_cast<std::size_t>(entry)];
        const ParameterSlot slot = SlotOf(parameters, rule.field, entry);
        bool parsed = false;
        if (slot.integer) {
            const auto value = platform::parseInt32(part);
            if ((parsed = value.has_value())) *slot.integer = *value;
        } else {
            const auto value = platform::parseDouble(part);
            if ((parsed = value.has_value())) *slot.number = *value;
        }
        if (!parsed) {
            return UsageProblem{
                RangeRefusal(EntryName(rule.option, rule, entry), rule, Quoted(part))};
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

std::optional<UsageProblem> ParseNodata(const std::optional<std::string>& text,
                                        NodataRule& target) {
    if (!text) return std::nullopt;
    if (*text == "none") {
        target.source = NodataRule::Source::None;
        return std::nullopt;
    }
    const auto value = platform::parseDouble(*text);
    if (!value) return NotA("--nodata", "a number or \"none\"", *text);
    target.source = NodataRule::Source::Given;
    target.value = *value;
    return std::nullopt;
}

std::optional<UsageProblem> ParseFormat(const std::optional<std::string>& text, MapFormat& target) {
    if (!text) return std::nullopt;
    if (*text == "envi") {
        target = MapFormat::Envi;
    } else if (*text == "gtiff") {
        target = MapFormat::GeoTiff;
    } else {
        return NotA("--format", "envi or gtiff", *text);
    }
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
        return UsageProblem{"--input PATH is required: the image file to classify."};
    }
    std::optional<UsageProblem> problem;
    if ((problem = CheckPath(texts.input, "--input", p.inputPath)) ||
        (problem = CheckPath(texts.output, "--output", p.outputPath))) {
        return problem;
    }
    for (const ParameterRule& rule : kParameterRules) {
        if ((problem = ParseParameter(rule, texts.parameters[IndexOf(rule.field)], p))) {
            return problem;
        }
    }
    if ((problem = ParseSeed(texts.seed, result.options.seed)) ||
        (problem = ParseThreads(texts.threads, result.options.threads)) ||
        (problem = ParseNodata(texts.nodata, result.options.nodata)) ||
        (problem = ParseFormat(texts.format, result.options.format))) {
        return problem;
    }
    if (const auto range = FindParameterProblem(p)) {
        const ParameterRule& rule = RuleOf(range->field);
        return UsageProblem{
            RangeRefusal(EntryName(rule.option, rule, range->index), rule, range->value)};
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

    CLI::App app{
        "Multi-objective memetic fuzzy clustering of a multi-band image: an ENVI image\n"
        "or any raster GDAL reads (GeoTIFF, JPEG 2000, VRT, ...).\n"
        "Writes one classification image per member of the final Pareto front, named\n"
        "<output>_0, <output>_1, ..., each with its ENVI header (or <output>_0.tif, ...\n"
        "with --format gtiff), and the objective pairs of the front to FinalPF.txt.",
        "tavorin classify"};
    OptionTexts texts;
    const auto text = [&](const char* name, std::optional<std::string>& target,
                          const char* typeName, const std::string& description) {
        AddTextOption(app, name, target, typeName, description);
    };
    text("--input", texts.input, "PATH",
         "image to classify (required): a raw file with its ENVI header beside it, or any "
         "raster GDAL reads");
    text("--output", texts.output, "PATH",
         "base path of the classification images (default: OutputFile, in the current folder)");
    for (const ParameterRule& rule : kParameterRules) {
        text(rule.option, texts.parameters[IndexOf(rule.field)], rule.valueName,
             OptionHelp(rule, defaults));
    }
    text("--seed", texts.seed, "N",
         "seed of the random generator, 0 to 4294967295 (default: the current time in "
         "seconds; the seed in use is printed)");
    text("--threads", texts.threads, "N",
         "evaluations run side by side; results do not depend on it (default: all cores, " +
             platform::formatInt(result.options.threads) + " here)");
    text("--nodata", texts.nodata, "V|none",
         "value that marks pixels without data in every band (default: the value the image "
         "declares); none: ignore it. Such pixels, and pixels with a NaN or infinite "
         "sample, are left out and labelled 0");
    text("--format", texts.format, "envi|gtiff",
         "how the maps are written: raw with an ENVI header, or GeoTIFF (default: envi)");
    app.add_flag("--no-pictures", texts.noPictures,
                 "write no quick-look pictures or report beside the images");
    app.add_flag("--quiet", result.quiet, "print errors only: no progress and no messages");
    app.set_version_flag("--version", kVersionLine, "print the version and exit");

    std::vector<const char*> argv{"tavorin classify"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        result.outcome = ClassifyCommandLine::Outcome::Help;
        result.text = app.help();
        return result;
    } catch (const CLI::CallForVersion&) {
        result.outcome = ClassifyCommandLine::Outcome::Version;
        result.text = std::string(kVersionLine) + "\n";
        return result;
    } catch (const CLI::ExtrasError&) {
        result.outcome = ClassifyCommandLine::Outcome::UsageError;
        result.text = UnknownOptionMessage(app.remaining(), app);
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
