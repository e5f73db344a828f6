#include "report/RunSummary.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <bit>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/UserError.h"
#include "platform/Utf8Text.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

RunSummary SmallSummary() {
    RunSummary summary;
    summary.parameters.inputPath = "in.img";
    summary.parameters.outputPath = "out";
    summary.parameters.clusterNumber = 2;
    summary.parameters.popSize = 6;
    summary.parameters.iGenerations = 3;
    summary.seed = 42;
    summary.threads = 2;
    summary.input.fileName = "in.img";
    summary.input.samples = 6;
    summary.input.lines = 5;
    summary.input.bands = 2;
    summary.input.dataType = 4;
    summary.input.byteOrder = 1;
    summary.input.interleave = CEnviImage::Interleave::Bil;
    summary.input.sampleType = "Float32";
    summary.nodata.source = NodataRule::Source::Given;
    summary.nodata.value = -1.5;
    summary.bandNodata = {-1.5, std::nullopt};
    summary.imagePixels = 30;
    summary.leftOutNodata = 4;
    summary.leftOutNonFinite = 1;
    summary.searchSeconds = 1.5;
    summary.outputSeconds = 0.25;
    summary.pixelArea = PixelArea{30.0, 20.0, 600.0};
    RunSummaryMember member;
    member.file = "out_0";
    member.xbIndex = std::numeric_limits<double>::infinity();
    member.jm = 12.25;
    member.centres = {{0.1, -3.0}, {std::nan(""), 1e300}};
    member.legend = {2, 1};
    member.classes = {{1, 2, 20, 0.8, 1.2, 0.012}, {2, 1, 5, 0.2, std::nullopt, std::nullopt}};
    summary.front.push_back(member);
    summary.recommended = 0;
    return summary;
}

TEST(RunSummaryTest, ExactText) {
    EXPECT_EQ(RunSummaryPath("/data/res/out"), "/data/res/out_summary.json");
    EXPECT_EQ(FormatRunSummary(SmallSummary()),
              "{\n"
              "  \"tool\": \"TAVORIN\",\n"
              "  \"version\": \"" TAVORIN_VERSION
              "\",\n"
              "  \"parameters\": {\n"
              "    \"inputPath\": \"in.img\",\n"
              "    \"outputPath\": \"out\",\n"
              "    \"clusterNumber\": 2,\n"
              "    \"popSize\": 6,\n"
              "    \"iGenerations\": 3,\n"
              "    \"FLS\": 0.5,\n"
              "    \"GLS_delta\": [\n"
              "      0.01,\n"
              "      0.1,\n"
              "      1.0,\n"
              "      10.0\n"
              "    ]\n"
              "  },\n"
              "  \"seed\": 42,\n"
              "  \"threads\": 2,\n"
              "  \"image\": {\n"
              "    \"file\": \"in.img\",\n"
              "    \"samples\": 6,\n"
              "    \"lines\": 5,\n"
              "    \"bands\": 2,\n"
              "    \"dataType\": 4,\n"
              "    \"interleave\": \"bil\",\n"
              "    \"byteOrder\": 1,\n"
              "    \"headerOffset\": 0,\n"
              "    \"format\": \"ENVI\",\n"
              "    \"sampleType\": \"Float32\"\n"
              "  },\n"
              "  \"pixels\": {\n"
              "    \"total\": 30,\n"
              "    \"classified\": 25,\n"
              "    \"leftOut\": {\n"
              "      \"nodata\": 4,\n"
              "      \"nonFinite\": 1\n"
              "    },\n"
              "    \"nodataRule\": \"given\",\n"
              "    \"nodataValues\": [\n"
              "      -1.5,\n"
              "      null\n"
              "    ],\n"
              "    \"pixelArea\": {\n"
              "      \"x\": 30.0,\n"
              "      \"y\": 20.0,\n"
              "      \"units\": \"metres\"\n"
              "    }\n"
              "  },\n"
              "  \"timings\": {\n"
              "    \"searchSeconds\": 1.5,\n"
              "    \"outputSeconds\": 0.25\n"
              "  },\n"
              "  \"recommended\": 0,\n"
              "  \"bestXieBeni\": null,\n"
              "  \"front\": [\n"
              "    {\n"
              "      \"file\": \"out_0\",\n"
              "      \"xbIndex\": \"inf\",\n"
              "      \"jm\": 12.25,\n"
              "      \"centres\": [\n"
              "        [\n"
              "          0.1,\n"
              "          -3.0\n"
              "        ],\n"
              "        [\n"
              "          \"nan\",\n"
              "          1e+300\n"
              "        ]\n"
              "      ],\n"
              "      \"legend\": [\n"
              "        2,\n"
              "        1\n"
              "      ],\n"
              "      \"classes\": [\n"
              "        {\n"
              "          \"label\": 1,\n"
              "          \"legendClass\": 2,\n"
              "          \"pixels\": 20,\n"
              "          \"share\": 0.8,\n"
              "          \"hectares\": 1.2,\n"
              "          \"squareKilometres\": 0.012\n"
              "        },\n"
              "        {\n"
              "          \"label\": 2,\n"
              "          \"legendClass\": 1,\n"
              "          \"pixels\": 5,\n"
              "          \"share\": 0.2,\n"
              "          \"hectares\": null,\n"
              "          \"squareKilometres\": null\n"
              "        }\n"
              "      ]\n"
              "    }\n"
              "  ]\n"
              "}\n");
}

TEST(RunSummaryTest, NumbersReadBackBitForBit) {
    const std::vector<double> values{1.0 / 3.0,
                                     0.1 + 0.2,
                                     -0.0,
                                     5e-324,
                                     2.2250738585072014e-308,
                                     std::numeric_limits<double>::max(),
                                     123456789.123456789,
                                     -std::numeric_limits<double>::infinity()};
    RunSummary summary = SmallSummary();
    summary.seed.reset();
    summary.front[0].centres = {values};
    summary.front[0].xbIndex = 0.7000000000000001;
    const nlohmann::json parsed = nlohmann::json::parse(FormatRunSummary(summary));
    EXPECT_TRUE(parsed["seed"].is_null());
    summary.front.clear();
    summary.recommended.reset();
    summary.pixelArea.reset();
    const nlohmann::json empty = nlohmann::json::parse(FormatRunSummary(summary));
    EXPECT_TRUE(empty["recommended"].is_null());
    EXPECT_TRUE(empty["bestXieBeni"].is_null());
    EXPECT_FALSE(empty["pixels"].contains("pixelArea"));
    const nlohmann::json& centre = parsed["front"][0]["centres"][0];
    ASSERT_EQ(centre.size(), values.size());
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(centre[i].get<double>()),
                  std::bit_cast<std::uint64_t>(values[i]))
            << i;
    }
    EXPECT_EQ(centre.back(), "-inf");
    EXPECT_EQ(parsed["front"][0]["xbIndex"].get<double>(), 0.7000000000000001);
}

// Linux names are bytes; the summary stays JSON and keeps them recoverable.
TEST(RunSummaryTest, NamesThatAreNotUtf8AreEscapedReversibly) {
    RunSummary summary = SmallSummary();
    summary.parameters.outputPath = "r\xE9s\\x";  // Latin-1 e-acute and a backslash
    summary.front[0].file = "r\xE9s\\x_0";
    summary.parameters.inputPath = "\xCE\xB1.img";  // valid UTF-8 (alpha) stays as it is
    const nlohmann::json parsed = nlohmann::json::parse(FormatRunSummary(summary));
    EXPECT_EQ(parsed["parameters"]["outputPath"], "r\\xE9s\\\\x");
    EXPECT_EQ(parsed["front"][0]["file"], "r\\xE9s\\\\x_0");
    EXPECT_EQ(parsed["parameters"]["inputPath"], "\xCE\xB1.img");
    // Overlong forms, surrogates, values past U+10FFFF and cut sequences are escaped.
    EXPECT_EQ(platform::Utf8OrEscaped("\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82"),
              "\\xC0\\xAF\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xE2\\x82");
    EXPECT_EQ(platform::Utf8OrEscaped("\xF0\x9F\x98\x80\xFF"), "\xF0\x9F\x98\x80\\xFF");
}

TEST(RunSummaryTest, FileThatCannotBeCreatedIsNamed) {
    testing::TempDir dir;
    const std::string path = dir.file("missing/out_summary.json");
    try {
        WriteRunSummary(SmallSummary(), path);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create the file \"" + path + "\".");
    }
}

TEST(RunSummaryTest, IncompleteFileIsNamedAndRemoved) {
    testing::TempDir dir;
    const std::string path = dir.file("out_summary.json");
    // A file size limit below the summary's size makes the write fail part way.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string message;
    try {
        WriteRunSummary(SmallSummary(), path);
    } catch (const UserError& error) {
        message = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(message, "Cannot write the whole file \"" + path + "\".");
    EXPECT_FALSE(std::filesystem::exists(path));

    WriteRunSummary(SmallSummary(), path);
    EXPECT_EQ(testing::ReadFileBytes(path), FormatRunSummary(SmallSummary()));
}

}  // namespace
}  // namespace tavorin
