#include "cli/ClassifyOptions.h"

#include <gtest/gtest.h>

#include "platform/ThreadCount.h"

namespace tavorin::cli {
namespace {

using Outcome = ClassifyCommandLine::Outcome;

ClassifyCommandLine Parse(std::vector<std::string> arguments) {
    return ParseClassifyOptions(arguments);
}

// The usage error of `input.img` followed by `arguments`.
std::string ErrorOf(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--input", "input.img"});
    const ClassifyCommandLine result = Parse(arguments);
    if (result.outcome != Outcome::UsageError) return "(no error)";
    return result.text;
}

TEST(ClassifyOptions, DefaultsWithOnlyTheInput) {
    const ClassifyCommandLine result = Parse({"--input", "scene.img"});
    ASSERT_EQ(result.outcome, Outcome::Run) << result.text;
    const RunParameters& p = result.parameters;
    EXPECT_EQ(p.inputPath, "scene.img");
    EXPECT_EQ(p.outputPath, "OutputFile");
    EXPECT_EQ(p.clusterNumber, 5);
    EXPECT_EQ(p.popSize, 30);
    EXPECT_EQ(p.iGenerations, 50);
    EXPECT_EQ(p.FLS, 0.5);
    EXPECT_EQ(p.GLS_delta, (std::array<double, 4>{0.01, 0.1, 1.0, 10.0}));
    EXPECT_FALSE(result.options.seed.has_value());
    EXPECT_EQ(result.options.threads, platform::DefaultThreadCount());
    EXPECT_TRUE(result.options.pictures);
    EXPECT_EQ(result.options.nodata.source, NodataRule::Source::Declared);
    EXPECT_EQ(result.options.format, MapFormat::Envi);
}

TEST(ClassifyOptions, NodataAndFormat) {
    ClassifyCommandLine result =
        Parse({"--input", "in.tif", "--nodata", "-9999.5", "--format", "gtiff"});
    ASSERT_EQ(result.outcome, Outcome::Run) << result.text;
    EXPECT_EQ(result.options.nodata.source, NodataRule::Source::Given);
    EXPECT_EQ(result.options.nodata.value, -9999.5);
    EXPECT_EQ(result.options.format, MapFormat::GeoTiff);
    result = Parse({"--input", "in.tif", "--nodata", "none", "--format", "envi"});
    EXPECT_EQ(result.options.nodata.source, NodataRule::Source::None);
    EXPECT_EQ(result.options.format, MapFormat::Envi);
    EXPECT_EQ(ErrorOf({"--nodata", "zero"}),
              "--nodata must be a number or \"none\", not \"zero\".");
    EXPECT_EQ(ErrorOf({"--format", "tif"}), "--format must be envi or gtiff, not \"tif\".");
}

TEST(ClassifyOptions, EveryOptionGiven) {
    const ClassifyCommandLine result =
        Parse({"--input", "in.img", "--output", "out/run", "--clusters", "7", "--pop-size=40",
               "--generations", " 0 ", "--fls", "1", "--gls-delta", "0,2.5e-1, 3 ,1e2", "--seed",
               "4294967295", "--threads", "3", "--no-pictures"});
    ASSERT_EQ(result.outcome, Outcome::Run) << result.text;
    const RunParameters& p = result.parameters;
    EXPECT_EQ(p.inputPath, "in.img");
    EXPECT_EQ(p.outputPath, "out/run");
    EXPECT_EQ(p.clusterNumber, 7);
    EXPECT_EQ(p.popSize, 40);
    EXPECT_EQ(p.iGenerations, 0);
    EXPECT_EQ(p.FLS, 1.0);
    EXPECT_EQ(p.GLS_delta, (std::array<double, 4>{0.0, 0.25, 3.0, 100.0}));
    EXPECT_EQ(result.options.seed, 4294967295u);
    EXPECT_EQ(result.options.threads, 3);
    EXPECT_FALSE(result.options.pictures);
}

TEST(ClassifyOptions, InputIsRequired) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"--clusters", "4"}, {"--input", ""}}) {
        const ClassifyCommandLine result = Parse(arguments);
        EXPECT_EQ(result.outcome, Outcome::UsageError);
        EXPECT_EQ(result.text, "--input PATH is required: the image file to classify.");
    }
    EXPECT_EQ(ErrorOf({"--output", ""}), "--output needs a path.");
}

TEST(ClassifyOptions, NumbersMustBeWholeTexts) {
    EXPECT_EQ(ErrorOf({"--clusters", "5x"}),
              "--clusters must be an integer from 2 to 19, not \"5x\".");
    EXPECT_EQ(ErrorOf({"--clusters", "99999999999"}),
              "--clusters must be an integer from 2 to 19, not \"99999999999\".");
    EXPECT_EQ(ErrorOf({"--clusters", ""}), "--clusters must be an integer from 2 to 19, not \"\".");
    EXPECT_EQ(ErrorOf({"--clusters", "5.0"}),
              "--clusters must be an integer from 2 to 19, not \"5.0\".");
    EXPECT_EQ(ErrorOf({"--pop-size", "thirty"}),
              "--pop-size must be an integer from 6 to 10000, not \"thirty\".");
    EXPECT_EQ(ErrorOf({"--generations", "1e3"}),
              "--generations must be an integer from 0 to 1000000, not \"1e3\".");
    EXPECT_EQ(ErrorOf({"--fls", "0,5"}), "--fls must be a finite number from 0 to 1, not \"0,5\".");
    EXPECT_EQ(ErrorOf({"--gls-delta", "0.01,x,1,10"}),
              "--gls-delta (value 2 of 4) must be a finite number of 0 or more, not \"x\".");
    EXPECT_EQ(ErrorOf({"--gls-delta", "1,2,3"}),
              "--gls-delta needs four numbers separated by commas (A,B,C,D), not \"1,2,3\".");
    EXPECT_EQ(ErrorOf({"--gls-delta", "1,2,3,4,5"}),
              "--gls-delta needs four numbers separated by commas (A,B,C,D), not \"1,2,3,4,5\".");
    EXPECT_EQ(ErrorOf({"--seed", "-1"}),
              "--seed must be an integer from 0 to 4294967295, not \"-1\".");
    EXPECT_EQ(ErrorOf({"--seed", "4294967296"}),
              "--seed must be an integer from 0 to 4294967295, not \"4294967296\".");
    // Digits only, as in every front end: no sign and no blanks.
    EXPECT_EQ(ErrorOf({"--seed", "+0"}),
              "--seed must be an integer from 0 to 4294967295, not \"+0\".");
    EXPECT_EQ(ErrorOf({"--seed", " 7 "}),
              "--seed must be an integer from 0 to 4294967295, not \" 7 \".");
    EXPECT_EQ(ErrorOf({"--threads", "0"}),
              "--threads must be an integer from 1 to 1024, not \"0\".");
}

TEST(ClassifyOptions, ValuesOutsideTheirRanges) {
    EXPECT_EQ(ErrorOf({"--clusters", "1"}), "--clusters must be an integer from 2 to 19, not 1.");
    EXPECT_EQ(ErrorOf({"--clusters", "20"}), "--clusters must be an integer from 2 to 19, not 20.");
    EXPECT_EQ(ErrorOf({"--pop-size", "5"}),
              "--pop-size must be an integer from 6 to 10000, not 5.");
    EXPECT_EQ(ErrorOf({"--generations", "-1"}),
              "--generations must be an integer from 0 to 1000000, not -1.");
    EXPECT_EQ(ErrorOf({"--fls", "1.5"}), "--fls must be a finite number from 0 to 1, not 1.5.");
    EXPECT_EQ(ErrorOf({"--fls", "nan"}), "--fls must be a finite number from 0 to 1, not nan.");
    EXPECT_EQ(ErrorOf({"--gls-delta", "0.01,0.1,-1,10"}),
              "--gls-delta (value 3 of 4) must be a finite number of 0 or more, not -1.");
    EXPECT_EQ(ErrorOf({"--gls-delta", "inf,0.1,1,10"}),
              "--gls-delta (value 1 of 4) must be a finite number of 0 or more, not inf.");
    EXPECT_EQ(ErrorOf({"--clusters", "19", "--pop-size", "10000", "--generations", "1000000"}),
              "(no error)");
}

TEST(ClassifyOptions, UnknownOptionsAndMissingValues) {
    EXPECT_EQ(ErrorOf({"--bogus", "1"}), "unknown option or argument: --bogus 1");
    EXPECT_EQ(ErrorOf({"stray"}), "unknown option or argument: stray");
    // A near miss names the nearest option: a changed, missing, extra or exchanged letter, a
    // wrong case, a value after "=", or the start of a name.
    EXPECT_EQ(ErrorOf({"--pop-sise", "40"}),
              "unknown option or argument: --pop-sise 40 (did you mean --pop-size?)");
    EXPECT_EQ(ErrorOf({"stray", "--generation=3"}),
              "unknown option or argument: stray --generation=3 (did you mean --generations?)");
    EXPECT_EQ(ErrorOf({"--Clsuters", "4"}),
              "unknown option or argument: --Clsuters 4 (did you mean --clusters?)");
    EXPECT_EQ(ErrorOf({"--no-pic"}),
              "unknown option or argument: --no-pic (did you mean --no-pictures?)");
    EXPECT_EQ(ErrorOf({"-threads", "2"}),
              "unknown option or argument: -threads 2 (did you mean --threads?)");
    const std::string missingValue = ErrorOf({"--clusters"});
    EXPECT_NE(missingValue.find("--clusters"), std::string::npos) << missingValue;
}

TEST(ClassifyOptions, QuietAndVersion) {
    EXPECT_FALSE(Parse({"--input", "a.img"}).quiet);
    EXPECT_TRUE(Parse({"--input", "a.img", "--quiet"}).quiet);
    const ClassifyCommandLine version = Parse({"--version"});
    EXPECT_EQ(version.outcome, Outcome::Version);
    EXPECT_EQ(version.text, "tavorin " TAVORIN_VERSION "\n");
}

TEST(ClassifyOptions, HelpListsTheOptionsWithTheirDefaults) {
    const ClassifyCommandLine result = Parse({"--help"});
    ASSERT_EQ(result.outcome, Outcome::Help);
    for (const char* expected :
         {"--input PATH", "--output PATH", "(default: OutputFile", "--clusters K", "(default: 5)",
          "--pop-size N", "(default: 30)", "--generations G", "(default: 50)", "--fls P",
          "(default: 0.5)", "--gls-delta A,B,C,D", "(default: 0.01,0.1,1,10)", "--seed N",
          "current time in seconds", "--threads N", "all cores", "--no-pictures"}) {
        EXPECT_NE(result.text.find(expected), std::string::npos) << expected << "\n" << result.text;
    }
    // Help comes first even with a missing input or a bad value.
    EXPECT_EQ(Parse({"--clusters", "40", "-h"}).outcome, Outcome::Help);
}

}  // namespace
}  // namespace tavorin::cli
