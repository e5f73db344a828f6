// `tavorin fcm --input`: the fuzzy c-means of any image the classify command reads.
#include <gdal.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Commands.h"
#include "tests/fcm/FcmCommandRun.h"
#include "tests/support/TestSupport.h"

namespace tavorin::cli {
namespace {

namespace fs = std::filesystem;
using tavorin::testing::ReadFileBytes;
using tavorin::testing::TempDir;
using tavorin::testing::WriteFileBytes;

const std::vector<std::string> kFiles{"cencer_output_runfcm.txt", "cencer_output.txt",
                                      "small_result", "small_result.hdr"};

std::vector<std::string> Contents(const std::vector<std::string>& names) {
    std::vector<std::string> contents;
    for (const std::string& name : names) contents.push_back(ReadFileBytes(name));
    return contents;
}

// Two float bands of five pixels: two at (0, 0), two at (10, 10) and a NaN, which is left out.
std::vector<float> TwoGroupsWithANaN() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return {0, 10, nan, 0, 10, 0, 10, 7, 0, 10};
}

void WriteEnviFloats(const std::string& path, const std::vector<float>& values) {
    std::string bytes(values.size() * sizeof(float), '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    WriteFileBytes(path, bytes);
    WriteFileBytes(fs::path(path).replace_extension(".hdr").string(),
                   "ENVI\nsamples = 5\nlines = 1\nbands = 2\ndata type = 4\ninterleave = bsq\n"
                   "map info = {UTM, 1, 1, 500000, 4000000, 30, 30, 33, North, WGS-84}\n");
}

void WriteGeoTiffFloats(const std::string& path, const std::vector<float>& values) {
    GDALAllRegister();
    GDALDatasetH dataset =
        GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), 5, 1, 2, GDT_Float32, nullptr);
    ASSERT_NE(dataset, nullptr);
    for (int band = 0; band < 2; ++band) {
        std::vector<float> row(values.begin() + band * 5, values.begin() + band * 5 + 5);
        ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(dataset, band + 1), GF_Write, 0, 0, 5, 1,
                               row.data(), 5, 1, GDT_Float32, 0, 0),
                  CE_None);
    }
    GDALClose(dataset);
}

// The values of the centre lines of a centre file.
std::vector<std::vector<double>> Centres(const std::string& text) {
    std::vector<std::vector<double>> centres;
    std::size_t start = 0;
    while ((start = text.find('\n', start)) != std::string::npos) {
        ++start;
        std::vector<double> values;
        const std::size_t end = std::min(text.find('\r', start), text.size());
        for (std::size_t tab; start < end && (tab = text.find('\t', start)) < end;
             start = tab + 1) {
            values.push_back(std::strtod(text.substr(start, tab - start).c_str(), nullptr));
        }
        centres.push_back(values);
    }
    return centres;
}

TEST(FcmImageCommandTest, TheTestImageAsInputGivesTheFixedRunsFiles) {
    std::vector<std::string> fixed;
    {
        TempDir work(true);
        ASSERT_EQ(RunFcm({"--seed", "7"}).status, 0);
        fixed = Contents(kFiles);
    }
    TempDir work(true);
    const std::string input = tavorin::testing::DataDir() + "/small.img";
    const CommandResult result = RunFcm({"--input", input, "--seed", "7", "--threads", "2"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Contents(kFiles), fixed);
    EXPECT_EQ(result.out, "Image: " + input +
                              ": 100 samples x 100 lines x 6 bands, data type 1\nSeed: 7\n"
                              "Wrote cencer_output_runfcm.txt, cencer_output.txt, small_result "
                              "and small_result.hdr.\n");
}

TEST(FcmImageCommandTest, ClustersAnyImageAndLeavesOutItsNaNPixels) {
    TempDir work(true);
    fs::create_directory("maps");
    WriteEnviFloats("scene.img", TwoGroupsWithANaN());
    const CommandResult result = RunFcm({"--input", "scene.img", "--clusters", "2", "--iterations",
                                         "60", "--output", "maps/two", "--seed", "3"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Image: scene.img: 5 samples x 1 lines x 2 bands, data type 4\n"
              "1 pixel of 5 is left out of the classification and labelled 0, \"Unclassified\": "
              "1 has a sample that is NaN or infinite.\n"
              "Seed: 3\nWrote cencer_output_runfcm.txt, cencer_output.txt, maps/two and "
              "maps/two.hdr.\n");
    const std::string labels = ReadFileBytes("maps/two");
    ASSERT_EQ(labels.size(), 5u);
    EXPECT_EQ(labels[2], 0);
    EXPECT_EQ(labels[0], labels[3]);
    EXPECT_EQ(labels[1], labels[4]);
    EXPECT_EQ(labels[0] + labels[1], 3);  // labels 1 and 2
    const std::string header = ReadFileBytes("maps/two.hdr");
    for (const char* entry : {"classes = 3\r\n", "data ignore value = 0\r\n", "map info = {UTM"}) {
        EXPECT_NE(header.find(entry), std::string::npos) << entry << "\n" << header;
    }
    // Two groups of equal size: the centres lie symmetrically about (5, 5), each on the diagonal.
    const std::string centres = ReadFileBytes("cencer_output.txt");
    EXPECT_EQ(centres, ReadFileBytes("cencer_output_runfcm.txt"));
    const std::vector<std::vector<double>> values = Centres(centres);
    ASSERT_EQ(values.size(), 2u) << centres;
    for (std::size_t b = 0; b < 2; ++b) {
        ASSERT_EQ(values[b].size(), 2u) << centres;
        EXPECT_EQ(values[b][0], values[b][1]);
        EXPECT_NEAR(values[0][b] + values[1][b], 10.0, 2e-6);
    }
    EXPECT_LT(std::min(values[0][0], values[1][0]), 0.01);

    // GDAL's reading of the same pixels gives the same files, but for the georeference.
    WriteGeoTiffFloats("scene.tif", TwoGroupsWithANaN());
    ASSERT_EQ(
        RunFcm({"--input", "scene.tif", "--clusters", "2", "--iterations", "60", "--seed", "3"})
            .status,
        0);
    EXPECT_EQ(ReadFileBytes("scene_result"), labels);
    EXPECT_EQ(ReadFileBytes("cencer_output.txt"), centres);
}

TEST(FcmImageCommandTest, RefusalsNameTheValueAndWriteNothing) {
    TempDir work(true);
    WriteEnviFloats("scene.img", TwoGroupsWithANaN());
    const auto usage = [](const std::string& text) {
        return "tavorin fcm: " + text + "\nRun 'tavorin fcm --help' for the options.\n";
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--output", "x"},
         usage("--output needs --input: without it the fixed test image is clustered into four "
               "clusters.")},
        {{"--input", "scene.img", "--clusters", "1"},
         usage("--clusters needs a whole number from 2 to 19, not '1'")},
        {{"--input", "scene.img", "--clusters", "20"},
         usage("--clusters needs a whole number from 2 to 19, not '20'")},
        {{"--input", "scene.img", "--iterations", "0"},
         usage("--iterations needs a whole number from 1 to 1000000, not '0'")},
        {{"--input", "scene.img", "--output", ""}, usage("--output needs a path.")},
        {{"--input", "scene.img", "--iteration", "5"},
         usage("unknown option or argument: --iteration 5 (did you mean --iterations?)")},
        {{"--input", "absent.img"}, "The input image \"absent.img\" does not exist.\n"},
        {{"--input", "scene.hdr"},
         "The input \"scene.hdr\" is an ENVI header; give the raw image beside it instead: "
         "\"scene.img\".\n"},
        {{"--input", "scene.img", "--output", "gone/map"},
         "The output folder \"gone\" does not exist.\n"},
        {{"--input", "scene.img", "--output", "scene"},
         "The result \"scene.hdr\" would replace the input file \"scene.hdr\"; choose another "
         "output name.\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const CommandResult result = RunFcm(arguments);
        EXPECT_EQ(result.status, message.rfind("tavorin fcm: ", 0) == 0 ? 2 : 1) << message;
        EXPECT_EQ(result.err, message);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
}

TEST(FcmImageCommandTest, QuietPrintsNothingAndVersionPrintsTheVersion) {
    TempDir work(true);
    WriteEnviFloats("scene.img", TwoGroupsWithANaN());
    const CommandResult quiet = RunFcm({"--input", "scene.img", "--seed", "1", "--quiet"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_EQ(ReadFileBytes("scene_result").size(), 5u);
    const CommandResult version = RunFcm({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tavorin " TAVORIN_VERSION "\n");
}

}  // namespace
}  // namespace tavorin::cli
