#include "driver/InputStage.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "evolution/RunGlobals.h"
#include "platform/UserError.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

std::string RefusalOf(const RunParameters& parameters) {
    try {
        LoadInputStage(parameters);
    } catch (const UserError& error) {
        return error.what();
    }
    return "(accepted)";
}

std::string Header(int samples, int lines, int bands, int dataType) {
    return "ENVI\nsamples = " + std::to_string(samples) + "\nlines = " + std::to_string(lines) +
           "\nbands = " + std::to_string(bands) + "\ndata type = " + std::to_string(dataType) +
           "\ninterleave = bsq\n";
}

std::string Int16Samples(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) {
        const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
        bytes += static_cast<char>(word & 0xFF);
        bytes += static_cast<char>(word >> 8);
    }
    return bytes;
}

std::string FloatSamples(std::initializer_list<float> values) {
    std::string bytes;
    for (const float value : values) {
        const auto word = std::bit_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(word >> shift);
    }
    return bytes;
}

// A 3 by 2 image of 4 signed 16-bit bands; band 1 is constant.
std::string WriteFourBandImage(const TempDir& dir) {
    WriteFileBytes(dir.file("four.hdr"), Header(3, 2, 4, 2));
    WriteFileBytes(dir.file("four.img"), Int16Samples({5,     -3,    7,      0,   2,   1,    //
                                                       4,     4,     4,      4,   4,   4,    //
                                                       100,   200,   300,    400, 500, 600,  //
                                                       -1000, 32767, -32768, 0,   0,   0}));
    return dir.file("four.img");
}

RunParameters ParametersFor(const std::string& input) {
    RunParameters parameters;
    parameters.inputPath = input;
    parameters.outputPath = "result";
    parameters.popSize = 12;
    parameters.iGenerations = 7;
    parameters.FLS = 0.25;
    parameters.GLS_delta = {0.5, 1.5, 2.5, 3.5};
    return parameters;
}

TEST(InputStage, FillsRunGlobalsForFiveClustersAndFourBands) {
    TempDir dir;
    const RunParameters parameters = ParametersFor(WriteFourBandImage(dir));
    const InputStageResult result = LoadInputStage(parameters);
    EXPECT_EQ(result.description.bands, 4);
    EXPECT_EQ(result.description.fileName, parameters.inputPath);

    const RunGlobals& globals = result.globals;
    EXPECT_EQ(globals.clusterNumber, 5);
    EXPECT_EQ(globals.popSize, 12);
    EXPECT_EQ(globals.iGenerations, 7);
    EXPECT_EQ(globals.FLS, 0.25);
    EXPECT_EQ(globals.GLS_delta, (std::vector<double>{0.5, 1.5, 2.5, 3.5}));
    EXPECT_EQ(globals.inputPath, parameters.inputPath);
    EXPECT_EQ(globals.outputPath, "result");
    EXPECT_EQ(globals.bandCount, 4);
    EXPECT_EQ(globals.lineCount, 2);
    EXPECT_EQ(globals.sampleCount, 3);
    EXPECT_EQ(globals.pixelCount(), 6);

    ASSERT_TRUE(globals.bandData);
    EXPECT_EQ(globals.bandData->ToDoubles(),
              (std::vector<double>{5,   -3,  7,   0,   2,   1,   4,     4,     4,      4, 4, 4,
                                   100, 200, 300, 400, 500, 600, -1000, 32767, -32768, 0, 0, 0}));

    // (K + 1) * B = 24 entries in six equal blocks; the constant band has equal bounds.
    const std::vector<double> upperBlock{7, 4, 600, 32767};
    const std::vector<double> lowerBlock{-3, 4, 100, -32768};
    ASSERT_EQ(globals.upperBound.size(), 24u);
    ASSERT_EQ(globals.lowerBound.size(), 24u);
    for (std::size_t j = 0; j < 6; ++j) {
        for (std::size_t b = 0; b < 4; ++b) {
            EXPECT_EQ(globals.upperBound[j * 4 + b], upperBlock[b]) << j << "," << b;
            EXPECT_EQ(globals.lowerBound[j * 4 + b], lowerBlock[b]) << j << "," << b;
        }
    }
}

TEST(InputStage, ReadsTheBundledSample) {
    RunParameters parameters = ParametersFor(testing::DataDir() + "/small.img");
    parameters.clusterNumber = 4;
    const RunGlobals globals = LoadInputStage(parameters).globals;
    EXPECT_EQ(globals.bandCount, 6);
    EXPECT_EQ(globals.bandData->size(), 60000u);
    const std::vector<double> minima{27, 37, 55, 17, 1, 1}, maxima{133, 103, 113, 149, 170, 130};
    ASSERT_EQ(globals.lowerBound.size(), 30u);
    for (std::size_t i = 0; i < 30; ++i) {
        EXPECT_EQ(globals.lowerBound[i], minima[i % 6]);
        EXPECT_EQ(globals.upperBound[i], maxima[i % 6]);
    }
}

TEST(InputStage, RefusalsOfTheHeader) {
    TempDir dir;
    EXPECT_EQ(RefusalOf(ParametersFor(dir.file("absent.img"))),
              "Please generate the file header using ENVI！");

    WriteFileBytes(dir.file("type9.hdr"), Header(3, 2, 1, 9));
    EXPECT_EQ(RefusalOf(ParametersFor(dir.file("type9.img"))), "暂不处理此种数据类型！");
}

// Pixels without data or with a non-finite sample leave the search; the others keep their order.
TEST(InputStage, LeavesOutNodataAndNonFinitePixels) {
    TempDir dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Four pixels of two bands: pixel 1 holds NaN, pixel 3 the nodata value in both bands.
    WriteFileBytes(dir.file("f.hdr"), Header(4, 1, 2, 4) + "data ignore value = -9\n");
    WriteFileBytes(dir.file("f.img"),
                   FloatSamples({1.0f, nan, 2.0f, -9.0f, 5.0f, 3.0f, 4.0f, -9.0f}));
    const RunParameters parameters = ParametersFor(dir.file("f.img"));
    RunGlobals globals = LoadInputStage(parameters).globals;
    EXPECT_EQ(globals.pixelCount(), 2);
    EXPECT_EQ(globals.imagePixelCount(), 4);
    EXPECT_EQ(globals.bandData->ToDoubles(), (std::vector<double>{1.0, 2.0, 5.0, 4.0}));
    EXPECT_EQ(globals.leftOut->searched, (std::vector<std::uint8_t>{1, 0, 1, 0}));
    EXPECT_EQ(globals.lowerBound[0], 1.0);
    EXPECT_EQ(globals.upperBound[1], 5.0);
    EXPECT_EQ(LeftOutPixelsMessage(globals),
              "2 pixels of 4 are left out of the classification and labelled 0, "
              "\"Unclassified\": 1 holds the nodata value -9 in every band and 1 has a sample "
              "that is NaN or infinite.");

    // A pixel with the nodata value in one band only stays; "none" ignores the declared value.
    WriteFileBytes(dir.file("f.img"),
                   FloatSamples({1.0f, 7.0f, 2.0f, -9.0f, 5.0f, 3.0f, 4.0f, 0.0f}));
    globals = LoadInputStage(parameters).globals;
    EXPECT_EQ(globals.leftOut, nullptr);
    EXPECT_EQ(LeftOutPixelsMessage(globals),
              "No pixel holds the nodata value -9 in every band: no pixel was left out.");
    NodataRule none;
    none.source = NodataRule::Source::None;
    EXPECT_EQ(LeftOutPixelsMessage(LoadInputStage(parameters, none).globals), std::nullopt);

    WriteFileBytes(dir.file("f.img"), FloatSamples({nan, inf, -inf, nan, 1.0f, 2.0f, 3.0f, 4.0f}));
    EXPECT_EQ(RefusalOf(parameters),
              "Every pixel of the image is left out: 4 have a sample that is NaN or infinite, so "
              "there is nothing to classify.");
}

TEST(InputStage, RefusesAnImageWhoseBandsAreAllConstant) {
    TempDir dir;
    WriteFileBytes(dir.file("c.hdr"), Header(3, 1, 2, 2));
    WriteFileBytes(dir.file("c.img"), Int16Samples({7, 7, 7, -2, -2, -2}));
    EXPECT_EQ(RefusalOf(ParametersFor(dir.file("c.img"))),
              "The image has nothing to classify: every band holds a single value throughout.");

    // One varying sample is enough.
    WriteFileBytes(dir.file("c.img"), Int16Samples({7, 7, 7, -2, -2, -1}));
    EXPECT_EQ(RefusalOf(ParametersFor(dir.file("c.img"))), "(accepted)");
}

}  // namespace
}  // namespace tavorin
