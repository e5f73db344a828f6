#include "report/ResultPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/UserError.h"
#include "report/MarkupText.h"
#include "tests/pictures/PngDecode.h"
#include "tests/pictures/XmlCheck.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

// The pictures of one run, put in place as the output stage puts them.
ResultPicturesOutput WritePictures(const ResultPicturesInput& input) {
    platform::ResultTransaction results;
    ResultPicturesOutput output = WriteResultPictures(input, results);
    results.Commit();
    return output;
}

using testing::ReadFileBytes;

// A 4 x 3 image of 4 bands and a front of two maps with K = 3, written into a fresh folder.
struct SmallRun {
    testing::TempDir dir;
    BandSamples bandData;
    ResultPicturesInput input;

    SmallRun() {
        std::vector<double> values;
        for (int b = 0; b < 4; ++b) {
            for (int p = 0; p < 12; ++p) values.push_back(b * 100 + p * (b + 1));
        }
        bandData = BandSamples(std::move(values));
        input.parameters.outputPath = dir.file("run");
        input.parameters.clusterNumber = 3;
        input.seed = 17;
        input.input.bands = 4;
        input.input.lines = 3;
        input.input.samples = 4;
        input.input.dataType = 1;
        input.bandData = &bandData;
        testing::WriteFileBytes(dir.file("run_0"), std::string("\1\1\2\2\3\3\0\1\2\3\1\1", 12));
        testing::WriteFileBytes(dir.file("run_1"), std::string(12, '\2'));
        input.front.push_back({dir.file("run_0"), 0.5, 90.0, {}, {}});
        input.front.push_back({dir.file("run_1"), 0.25, 120.0, {}, {}});
    }
};

std::vector<std::uint8_t> Rgb(std::initializer_list<int> classes) {
    static const int colours[4][3] = {{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
    std::vector<std::uint8_t> rgb;
    for (int c : classes) rgb.insert(rgb.end(), colours[c], colours[c] + 3);
    return rgb;
}

TEST(ResultPicturesTest, WritesEveryPictureAndListsThem) {
    SmallRun run;
    const ResultPicturesOutput output = WritePictures(run.input);
    const std::vector<std::string> expected{
        run.dir.file("run_0.png"), run.dir.file("run_1.png"), run.dir.file("run_input.png"),
        run.dir.file("run_front.svg"), run.dir.file("run_report.html")};
    EXPECT_EQ(output.files, expected);
    EXPECT_EQ(output.reportPage, run.dir.file("run_report.html"));

    const testing::DecodedPng map = testing::DecodePng(ReadFileBytes(run.dir.file("run_0.png")));
    ASSERT_TRUE(map.ok);
    EXPECT_EQ(map.width, 4);
    EXPECT_EQ(map.height, 3);
    EXPECT_EQ(map.paletteEntries, 4);
    EXPECT_EQ(map.rgb, Rgb({1, 1, 2, 2, 3, 3, 0, 1, 2, 3, 1, 1}));
    const testing::DecodedPng second = testing::DecodePng(ReadFileBytes(run.dir.file("run_1.png")));
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.rgb, Rgb({2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}));

    const testing::DecodedPng picture =
        testing::DecodePng(ReadFileBytes(run.dir.file("run_input.png")));
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, 4);
    EXPECT_EQ(picture.height, 3);
    EXPECT_EQ(picture.colourType, 2);
    // Every band rises with the pixel number: the first pixel is black, the last white.
    EXPECT_EQ(std::vector<std::uint8_t>(picture.rgb.begin(), picture.rgb.begin() + 3),
              (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(picture.rgb.end() - 3, picture.rgb.end()),
              (std::vector<std::uint8_t>{255, 255, 255}));

    for (const char* name : {"run_front.svg", "run_report.html"}) {
        const testing::XmlCheckResult check =
            testing::CheckXmlWellFormed(ReadFileBytes(run.dir.file(name)));
        EXPECT_TRUE(check.wellFormed) << name << ": " << check.problem;
        const testing::XmllintResult lint = testing::RunXmllint(run.dir.file(name));
        if (lint.available) {
            EXPECT_TRUE(lint.passed) << name;
        }
    }
}

TEST(ResultPicturesTest, ReportEmbedsTheWrittenPicturesInFrontOrder) {
    SmallRun run;
    WritePictures(run.input);
    const std::string html = ReadFileBytes(run.dir.file("run_report.html"));
    const std::size_t first = html.find(
        "<td>run_0</td><td class=\"number\">0.500000</td><td class=\"number\">90.000000</td>");
    const std::size_t second = html.find(
        "<td>run_1</td><td class=\"number\">0.250000</td><td class=\"number\">120.000000</td>");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    // Small maps are their own thumbnails.
    for (const char* name : {"run_0.png", "run_1.png", "run_input.png", "run_front.svg"}) {
        EXPECT_NE(html.find(EncodeBase64(ReadFileBytes(run.dir.file(name)))), std::string::npos)
            << name;
    }
    EXPECT_NE(html.find("<tr><th>Seed</th><td>17</td></tr>"), std::string::npos);
}

TEST(ResultPicturesTest, MapsAreDrawnInTheLegendAndTheRecommendedMapComesFirst) {
    SmallRun run;
    run.input.front[1].legend = {3, 1, 2};  // its label 2 is legend class 1, blue
    run.input.recommended = 0;
    WritePictures(run.input);
    const testing::DecodedPng second = testing::DecodePng(ReadFileBytes(run.dir.file("run_1.png")));
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.rgb, Rgb({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    const std::string html = ReadFileBytes(run.dir.file("run_report.html"));
    const std::size_t recommended = html.find(
        "<h2>Recommended map: image 0</h2>\n<p>run_0, the knee of the final Pareto front");
    ASSERT_NE(recommended, std::string::npos);
    EXPECT_NE(html.find("<img class=\"recommended\" src=\"data:image/png;base64," +
                        EncodeBase64(ReadFileBytes(run.dir.file("run_0.png"))) + "\""),
              std::string::npos);
    EXPECT_LT(recommended, html.find("<h2>Input</h2>"));
}

TEST(ResultPicturesTest, SameInputGivesTheSameBytes) {
    SmallRun run;
    const ResultPicturesOutput output = WritePictures(run.input);
    std::vector<std::string> before;
    for (const std::string& file : output.files) before.push_back(ReadFileBytes(file));
    WritePictures(run.input);
    for (std::size_t i = 0; i < output.files.size(); ++i) {
        EXPECT_EQ(ReadFileBytes(output.files[i]), before[i]) << output.files[i];
    }
}

TEST(ResultPicturesTest, UnwritableFileIsNamedAndNoPictureIsLeft) {
    SmallRun run;
    run.input.parameters.outputPath = run.dir.file("missing/run");
    try {
        WritePictures(run.input);
        FAIL() << "expected a UserError";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create the file \"" + run.dir.file("missing/run") + "_input.png\".");
    }
    // The maps' pictures written before are removed again.
    EXPECT_FALSE(std::filesystem::exists(run.dir.file("run_0.png")));
    EXPECT_FALSE(std::filesystem::exists(run.dir.file("run_1.png")));
}

TEST(ResultPicturesTest, PictureNameTakenByAFolderIsNamed) {
    SmallRun run;
    std::filesystem::create_directory(run.dir.file("run_1.png"));
    try {
        WritePictures(run.input);
        FAIL() << "expected a UserError";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create the file \"" + run.dir.file("run_1.png") + "\".");
    }
    EXPECT_FALSE(std::filesystem::exists(run.dir.file("run_0.png")));
}

TEST(ResultPicturesTest, MissingOrShortClassificationImageIsNamed) {
    SmallRun run;
    testing::WriteFileBytes(run.dir.file("run_1"), std::string(11, '\2'));
    try {
        WritePictures(run.input);
        FAIL() << "expected a UserError";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot read the classification image \"" + run.dir.file("run_1") + "\".");
    }
    std::filesystem::remove(run.dir.file("run_0"));
    EXPECT_THROW(WritePictures(run.input), UserError);
}

}  // namespace
}  // namespace tavorin
