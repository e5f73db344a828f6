#include "clustering/CFcmRunner.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Random.h"
#include "platform/UserError.h"
#include "tests/fcm/FcmTestImages.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A runner sized for `pixelCount` pixels in one line, with its matrices allocated.
CFcmRunner SizedRunner(int pixelCount, int bands, int clusters) {
    CFcmRunner runner;
    runner.lineCount = 1;
    runner.sampleCount = pixelCount;
    runner.bandCount = bands;
    runner.clusterNumber = clusters;
    runner.AllocateMatrices();
    return runner;
}

// Pixels drawn from a fixed seed, spread over three loose groups so the clustering keeps moving.
CFcmRunner RandomPixelRunner(int pixelCount) {
    CFcmRunner runner = SizedRunner(pixelCount, 3, 4);
    platform::Random15 random(2024);
    for (std::size_t i = 0; i < runner.pixels.size(); ++i) {
        const double group = static_cast<double>((i / 3) % 3) * 40.0;
        runner.pixels[i] = group + random.Next() % 50;
    }
    return runner;
}

void ExpectRowsSumToOne(const CFcmRunner& runner, const std::vector<double>& matrix) {
    const std::size_t clusters = static_cast<std::size_t>(runner.clusterNumber);
    for (std::size_t row = 0; row < matrix.size() / clusters; ++row) {
        double sum = 0.0;
        for (std::size_t j = 0; j < clusters; ++j) sum += matrix[row * clusters + j];
        ASSERT_NEAR(sum, 1.0, 1e-12) << "row " << row;
    }
}

std::string ClassificationHeader(int samples, int lines, const std::string& classes,
                                 const std::string& lookup) {
    return "ENVI\r\ndescription = {\r\n  File Imported into ENVI.}\r\nsamples = " +
           std::to_string(samples) + "\r\nlines   = " + std::to_string(lines) +
           "\r\nbands   = 1\r\nheader offset = 0\r\nfile type = ENVI Classification\r\n"
           "data type = 1\r\ninterleave = bsq\r\nsensor type = Unknown\r\nclasses = " +
           classes + "\r\nclass lookup = {\r\n\t" + lookup +
           "}\r\nbyte order = 0\r\nwavelength units = Unknown\r\n";
}

TEST(FcmStepsTest, StartMembershipsFollowTheSeededGeneratorPixelThenCluster) {
    CFcmRunner runner = SizedRunner(2, 1, 2);
    runner.seed = 1;
    runner.InitMemberships();
    EXPECT_EQ(runner.usedSeed, 1u);
    // The classic generator from seed 1 gives 41, 18467, 6334, 26500.
    EXPECT_EQ(runner.membership, (std::vector<double>{41 / 32768.0, 18467 / 32768.0, 6334 / 32768.0,
                                                      26500 / 32768.0}));

    runner.NormaliseMemberships();
    EXPECT_EQ(runner.membership[0], (41 / 32768.0) / (41 / 32768.0 + 18467 / 32768.0));
    EXPECT_NEAR(runner.membership[0], 41.0 / 18508.0, 1e-16);
    EXPECT_NEAR(runner.membership[3], 26500.0 / 32834.0, 1e-16);
    ExpectRowsSumToOne(runner, runner.membership);
}

TEST(FcmStepsTest, CentresAreMembershipSquaredWeightedMeans) {
    CFcmRunner runner = SizedRunner(3, 2, 2);
    runner.pixels = {0, 10, 2, 20, 4, 40};
    runner.membership = {1, 0, 0.5, 0.5, 0, 1};
    runner.UpdateCentres();
    // Cluster 0: weights 1, 0.25, 0 -> (0.5, 15) / 1.25; cluster 1: 0, 0.25, 1 -> (4.5, 45) / 1.25.
    EXPECT_EQ(runner.centres, (std::vector<double>{0.4, 12.0, 3.6, 36.0}));
    EXPECT_EQ(runner.CentresText(), "\n0.400000\t12.000000\t\n3.600000\t36.000000\t");
}

TEST(FcmStepsTest, MembershipsFollowInverseSquaredDistances) {
    CFcmRunner runner = SizedRunner(2, 2, 2);
    // Pixel 0 lies 1 and 3 from the centres; pixel 1 lies 5 (a 3-4-5 triangle) and 5.
    runner.pixels = {0, 0, 3, 4};
    runner.centres = {1, 0, 3, 0};
    runner.membership = {7, 7, 7, 7};
    runner.UpdateMemberships();
    EXPECT_NEAR(runner.newMembership[0], 0.9, 1e-15);
    EXPECT_NEAR(runner.newMembership[1], 0.1, 1e-15);
    // Pixel 1: distances sqrt(20) and 4 -> weights 1/20 and 1/16.
    EXPECT_NEAR(runner.newMembership[2], (1.0 / 20) / (1.0 / 20 + 1.0 / 16), 1e-15);
    EXPECT_NEAR(runner.newMembership[3], (1.0 / 16) / (1.0 / 20 + 1.0 / 16), 1e-15);
    ExpectRowsSumToOne(runner, runner.newMembership);
    // The step writes only the new memberships.
    EXPECT_EQ(runner.membership, (std::vector<double>{7, 7, 7, 7}));
}

TEST(FcmStepsTest, PixelOnACentreGetsAOneHotRowForTheLastSuchCentre) {
    CFcmRunner runner = SizedRunner(3, 2, 3);
    runner.pixels = {5, 6,   // equals centre 1 only
                     1, 1,   // equals centres 0 and 2
                     9, 9};  // equals none, but centre 2 is checked before the NaN rule
    runner.centres = {1, 1, 5, 6, 1, 1};
    runner.UpdateMemberships();
    EXPECT_EQ(runner.newMembership[0], 0.0);
    EXPECT_EQ(runner.newMembership[1], 1.0);
    EXPECT_EQ(runner.newMembership[2], 0.0);
    EXPECT_EQ(runner.newMembership[3], 0.0);
    EXPECT_EQ(runner.newMembership[4], 0.0);
    EXPECT_EQ(runner.newMembership[5], 1.0);
    ExpectRowsSumToOne(runner, runner.newMembership);
}

TEST(FcmStepsTest, ANaNDistanceCountsAsACoincidence) {
    CFcmRunner runner = SizedRunner(2, 1, 3);
    runner.pixels = {2, 7};
    runner.centres = {kNaN, 4, 7};
    runner.UpdateMemberships();
    // Pixel 0 coincides only through the NaN centre 0; pixel 1 also with centre 2, the later one.
    EXPECT_EQ(runner.newMembership, (std::vector<double>{1, 0, 0, 0, 0, 1}));
}

TEST(FcmStepsTest, ClusterWithoutWeightGetsNaNCentresAndLabelsFollowTheNaNRule) {
    CFcmRunner runner = SizedRunner(3, 2, 2);
    runner.pixels = {1, 2, 3, 4, 8, 9};
    runner.membership = {1, 0, 1, 0, 1, 0};
    runner.UpdateCentres();
    EXPECT_EQ(runner.CentresText(), "\n4.000000\t5.000000\t\nnan\tnan\t");
    EXPECT_TRUE(std::isnan(runner.centres[2]));

    // Every pixel is at a NaN distance from centre 1, the last coincidence.
    runner.UpdateMemberships();
    EXPECT_EQ(runner.newMembership, (std::vector<double>{0, 1, 0, 1, 0, 1}));
    runner.membership = runner.newMembership;
    EXPECT_EQ(runner.Labels(), (std::vector<unsigned char>{2, 2, 2}));

    // The next round empties cluster 0 instead; nothing breaks.
    runner.UpdateCentres();
    EXPECT_EQ(runner.CentresText(), "\nnan\tnan\t\n4.000000\t5.000000\t");
}

TEST(FcmStepsTest, LabelsTakeTheFirstLargestMembershipAndNaNAlwaysWins) {
    CFcmRunner runner = SizedRunner(7, 1, 4);
    runner.membership = {
        0.25, 0.25, 0.25, 0.25,  // all equal: the first
        0.1,  0.4,  0.4,  0.1,   // tie between 2 and 3: the lower
        0.1,  0.2,  0.7,  0.0,   // plain largest
        0.6,  kNaN, 0.3,  0.1,   // a NaN takes over, then the next value replaces the NaN
        kNaN, 0.0,  0.0,  0.0,   // the value after a NaN wins even at zero
        0.0,  0.0,  0.0,  0.0,   // nothing above zero: label 0
        0.0,  0.0,  0.0,  1.0,
    };
    EXPECT_EQ(runner.Labels(), (std::vector<unsigned char>{1, 2, 3, 3, 2, 0, 4}));
}

TEST(FcmClusterTest, RowsSumToOneAfterEveryIterationAndClusterRunsExactlyOneHundred) {
    TempDir folder(true);
    CFcmRunner manual = RandomPixelRunner(300);
    manual.seed = 77;
    manual.InitMemberships();
    manual.NormaliseMemberships();
    ExpectRowsSumToOne(manual, manual.membership);
    std::vector<double> afterNinetyNine;
    for (int iteration = 0; iteration < 100; ++iteration) {
        manual.UpdateCentres();
        manual.UpdateMemberships();
        manual.membership = manual.newMembership;
        ExpectRowsSumToOne(manual, manual.membership);
        if (iteration == 98) afterNinetyNine = manual.membership;
    }

    CFcmRunner clustered = RandomPixelRunner(300);
    clustered.seed = 77;
    clustered.Cluster();
    EXPECT_EQ(clustered.iterationCount, 100);
    EXPECT_EQ(clustered.membership, manual.membership);
    EXPECT_EQ(clustered.centres, manual.centres);
    // The data are still moving, so 99 iterations would have shown.
    EXPECT_NE(afterNinetyNine, manual.membership);
    EXPECT_EQ(ReadFileBytes("cencer_output_runfcm.txt"), [&] {
        std::string text;
        for (char c : manual.CentresText()) {
            if (c == '\n') text += '\r';
            text += c;
        }
        return text;
    }());
}

// The bit patterns of doubles, so that NaNs compare equal to themselves.
std::vector<std::uint64_t> Bits(const std::vector<double>& values) {
    std::vector<std::uint64_t> bits;
    for (double value : values) bits.push_back(std::bit_cast<std::uint64_t>(value));
    return bits;
}

// One iteration written plainly from the formulas for m = 2, a cluster at a time. Squares are
// products: the library's pow(x, 2.0) is not always x * x (it misrounds some halfway cases).
void ReferenceIteration(const CFcmRunner& runner, std::vector<double>& centres,
                        std::vector<double>& memberships) {
    const std::size_t n = runner.pixels.size() / static_cast<std::size_t>(runner.bandCount);
    const std::size_t k = static_cast<std::size_t>(runner.clusterNumber);
    const std::size_t d = static_cast<std::size_t>(runner.bandCount);
    for (std::size_t j = 0; j < k; ++j) {
        double weightSum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            weightSum += memberships[i * k + j] * memberships[i * k + j];
        }
        for (std::size_t b = 0; b < d; ++b) {
            double sum = 0.0;
            for (std::size_t i = 0; i < n; ++i) {
                sum += (memberships[i * k + j] * memberships[i * k + j]) * runner.pixels[i * d + b];
            }
            centres[j * d + b] = sum / weightSum;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::vector<double> distance(k);
        int coincident = -1;
        for (std::size_t j = 0; j < k; ++j) {
            double sum = 0.0;
            for (std::size_t b = 0; b < d; ++b) {
                const double difference = runner.pixels[i * d + b] - centres[j * d + b];
                sum += difference * difference;
            }
            distance[j] = std::sqrt(sum);
            if (distance[j] == 0.0 || std::isnan(distance[j])) coincident = static_cast<int>(j);
        }
        for (std::size_t j = 0; j < k; ++j) {
            if (coincident >= 0) {
                memberships[i * k + j] = static_cast<int>(j) == coincident ? 1.0 : 0.0;
                continue;
            }
            double inverseSum = 0.0;
            for (std::size_t l = 0; l < k; ++l) inverseSum += 1.0 / (distance[l] * distance[l]);
            memberships[i * k + j] = 1.0 / ((distance[j] * distance[j]) * inverseSum);
        }
    }
}

TEST(FcmClusterTest, StepsGiveTheBitsOfThePlainFormulasForEveryThreadCount) {
    // 9001 pixels span several of the chunks that threads share, with an odd pixel at the end.
    for (int threads : {1, 2, 3, 4}) {
        for (int pixelCount : {1, 255, 256, 257, 700, 9001}) {
            CFcmRunner runner = RandomPixelRunner(pixelCount);
            runner.threadCount = threads;
            runner.pixels[0] = 40.0;  // make pixel 0 sit on a centre below
            runner.seed = 5;
            runner.InitMemberships();
            runner.NormaliseMemberships();
            std::vector<double> centres(runner.centres.size());
            std::vector<double> memberships = runner.membership;
            for (int iteration = 0; iteration < 5; ++iteration) {
                ReferenceIteration(runner, centres, memberships);
                runner.UpdateCentres();
                runner.UpdateMemberships();
                runner.membership = runner.newMembership;
                ASSERT_EQ(Bits(runner.centres), Bits(centres))
                    << threads << " threads, " << pixelCount << " pixels, iteration " << iteration;
                ASSERT_EQ(Bits(runner.membership), Bits(memberships))
                    << threads << " threads, " << pixelCount << " pixels, iteration " << iteration;
            }
            // Pixels on a centre, within a block of ordinary pixels and at each thread's edge.
            for (std::size_t c = 0; c < runner.centres.size(); ++c)
                runner.centres[c] = 1000.0 + static_cast<double>(c);
            runner.centres[0] = runner.pixels[0];
            runner.centres[1] = runner.pixels[1];
            runner.centres[2] = runner.pixels[2];
            const std::size_t last = static_cast<std::size_t>(pixelCount - 1);
            if (last > 0) {
                for (std::size_t k = 0; k < 3; ++k)
                    runner.pixels[last * 3 + k] = runner.centres[9 + k];
            }
            runner.UpdateMemberships();
            EXPECT_EQ(runner.newMembership[0], 1.0);
            if (last > 0) {
                EXPECT_EQ(
                    std::vector<double>(runner.newMembership.end() - 4, runner.newMembership.end()),
                    (std::vector<double>{0, 0, 0, 1}));
            }
            if (pixelCount > 2) {
                EXPECT_LT(runner.newMembership[runner.clusterNumber], 1.0);
            }
        }
    }
}

// Cluster's own membership pass also sums up the next centres; run with every thread count it
// must give the bits of the steps taken one at a time by one thread.
TEST(FcmClusterTest, ClusterGivesTheSameBitsForEveryThreadCount) {
    TempDir folder(true);
    for (int pixelCount : {3, 700, 9001}) {
        CFcmRunner single = RandomPixelRunner(pixelCount);
        single.threadCount = 1;
        single.seed = 11;
        single.iterationCount = 20;
        single.InitMemberships();
        single.NormaliseMemberships();
        for (int iteration = 0; iteration < single.iterationCount; ++iteration) {
            single.UpdateCentres();
            single.UpdateMemberships();
            single.membership = single.newMembership;
        }
        for (int threads : {1, 2, 3, 4, 7}) {
            CFcmRunner runner = RandomPixelRunner(pixelCount);
            runner.threadCount = threads;
            runner.seed = 11;
            runner.iterationCount = 20;
            runner.Cluster();
            ASSERT_EQ(Bits(runner.centres), Bits(single.centres))
                << threads << " threads, " << pixelCount << " pixels";
            ASSERT_EQ(Bits(runner.membership), Bits(single.membership))
                << threads << " threads, " << pixelCount << " pixels";
            ASSERT_EQ(Bits(runner.newMembership), Bits(single.membership));
        }
    }
}

// Other cluster counts and fuzzifiers take the general passes, split by pixels and by clusters.
TEST(FcmClusterTest, GeneralStepsGiveTheSameBitsForEveryThreadCount) {
    struct Setting {
        int clusters;
        int fuzzifier;
    };
    for (const Setting setting : {Setting{3, 2}, Setting{5, 2}, Setting{4, 3}, Setting{2, 4}}) {
        std::vector<std::uint64_t> expectedCentres, expectedMemberships;
        for (int threads : {1, 2, 3, 4}) {
            CFcmRunner runner = SizedRunner(1001, 3, setting.clusters);
            platform::Random15 random(99);
            for (double& value : runner.pixels) value = random.Next() % 200;
            runner.fuzzifier = setting.fuzzifier;
            runner.threadCount = threads;
            runner.seed = 8;
            runner.InitMemberships();
            runner.NormaliseMemberships();
            for (int iteration = 0; iteration < 4; ++iteration) {
                runner.UpdateCentres();
                runner.UpdateMemberships();
                runner.membership = runner.newMembership;
            }
            if (threads == 1) {
                expectedCentres = Bits(runner.centres);
                expectedMemberships = Bits(runner.membership);
                ExpectRowsSumToOne(runner, runner.membership);
                continue;
            }
            EXPECT_EQ(Bits(runner.centres), expectedCentres)
                << setting.clusters << " clusters, m = " << setting.fuzzifier << ", " << threads
                << " threads";
            EXPECT_EQ(Bits(runner.membership), expectedMemberships)
                << setting.clusters << " clusters, m = " << setting.fuzzifier << ", " << threads
                << " threads";
        }
    }
}

TEST(FcmClusterTest, ClusterKeepsIteratingAfterConvergence) {
    TempDir folder(true);
    // Two distinct pixel values and two clusters: the centres reach the two values within a few
    // iterations, after which further iterations change nothing.
    CFcmRunner runner = SizedRunner(4, 1, 2);
    runner.pixels = {0, 0, 10, 10};
    runner.seed = 3;
    runner.iterationCount = 100;
    runner.Cluster();
    const std::vector<double> centres = runner.centres;
    runner.UpdateCentres();
    EXPECT_EQ(runner.centres, centres);
    EXPECT_TRUE((centres == std::vector<double>{0, 10}) || (centres == std::vector<double>{10, 0}));
}

TEST(FcmResultTest, TinyImageWritesExactCentresLabelsAndHeader) {
    TempDir folder(true);
    CFcmRunner runner = SizedRunner(3, 2, 2);
    runner.pixels = {0, 10, 2, 20, 4, 40};
    runner.membership = {1, 0, 0.5, 0.5, 0, 1};
    runner.UpdateCentres();
    runner.WriteResult();
    EXPECT_EQ(ReadFileBytes("cencer_output.txt"),
              "\r\n0.400000\t12.000000\t\r\n3.600000\t36.000000\t");
    EXPECT_EQ(ReadFileBytes("small_result"), std::string("\x01\x01\x02", 3));
    EXPECT_EQ(ReadFileBytes("small_result.hdr"),
              ClassificationHeader(3, 1, "3", "0 ,0 ,0 ,0 ,0 ,255 ,0 ,255 ,0"));
    EXPECT_FALSE(std::filesystem::exists("cencer_output_runfcm.txt"));
}

TEST(FcmResultTest, LoadTestImageTurnsBandsIntoPixelRows) {
    TempDir folder;
    testing::WriteThreeByTwoImage(folder.path().string());
    CFcmRunner runner;
    runner.imagePath = folder.file("small.img");
    runner.LoadTestImage();
    EXPECT_EQ(runner.sampleCount, 3);
    EXPECT_EQ(runner.lineCount, 2);
    EXPECT_EQ(runner.bandCount, 2);
    EXPECT_EQ(runner.pixels, (std::vector<double>{1, 11, 2, 12, 3, 13, 4, 14, 5, 15, 6, 16}));
    EXPECT_EQ(runner.membership.size(), 24u);
    EXPECT_EQ(runner.newMembership.size(), 24u);
    EXPECT_EQ(runner.centres.size(), 8u);
}

TEST(FcmResultTest, UnsignedSixteenBitImagesAreRead) {
    TempDir folder;
    testing::WriteSmallImage(folder.path().string(), 2, 1, 1, 12,
                             std::string("\xff\xff\x02\x01", 4));
    CFcmRunner runner;
    runner.imagePath = folder.file("small.img");
    runner.LoadTestImage();
    EXPECT_EQ(runner.pixels, (std::vector<double>{65535, 258}));
}

TEST(FcmRunTest, SameSeedGivesIdenticalFilesOnTheBundledImage) {
    std::string files[2][4];
    const char* names[4] = {"cencer_output_runfcm.txt", "cencer_output.txt", "small_result",
                            "small_result.hdr"};
    for (auto& run : files) {
        TempDir folder(true);
        CFcmRunner runner;
        runner.imagePath = testing::DataDir() + "/small.img";
        runner.seed = 20240601;
        runner.Run();
        for (int f = 0; f < 4; ++f) run[f] = ReadFileBytes(names[f]);
    }
    for (int f = 0; f < 4; ++f) EXPECT_EQ(files[0][f], files[1][f]) << names[f];

    // Both centre files hold the same four lines of six tab-terminated values after a line break.
    EXPECT_EQ(files[0][0], files[0][1]);
    const std::string& centres = files[0][1];
    ASSERT_EQ(centres.substr(0, 2), "\r\n");
    EXPECT_NE(centres.substr(centres.size() - 2), "\r\n");
    std::size_t lineBreaks = 0, tabs = 0;
    for (char c : centres) {
        lineBreaks += c == '\n';
        tabs += c == '\t';
    }
    EXPECT_EQ(lineBreaks, 4u);
    EXPECT_EQ(tabs, 24u);

    const std::string& labels = files[0][2];
    ASSERT_EQ(labels.size(), 10000u);
    bool used[5] = {};
    for (unsigned char label : labels) {
        ASSERT_GE(label, 1);
        ASSERT_LE(label, 4);
        used[label] = true;
    }
    EXPECT_TRUE(used[1] && used[2] && used[3] && used[4]);
    EXPECT_EQ(files[0][3],
              ClassificationHeader(100, 100, "5",
                                   "0 ,0 ,0 ,0 ,0 ,255 ,0 ,255 ,0 ,255 ,0 ,0 ,255 ,255 ,0"));
}

TEST(FcmRunTest, FilesAreByteIdenticalForOneTwoAndFourThreads) {
    const char* names[4] = {"cencer_output_runfcm.txt", "cencer_output.txt", "small_result",
                            "small_result.hdr"};
    std::string expected[4];
    for (int threads : {1, 2, 4}) {
        TempDir folder(true);
        CFcmRunner runner;
        runner.imagePath = testing::DataDir() + "/small.img";
        runner.seed = 7;
        runner.threadCount = threads;
        runner.Run();
        for (int f = 0; f < 4; ++f) {
            if (threads == 1)
                expected[f] = ReadFileBytes(names[f]);
            else
                EXPECT_EQ(ReadFileBytes(names[f]), expected[f])
                    << names[f] << ", " << threads << " threads";
        }
    }
    // The centres of seed 7 as the passes found them before they ran on several threads.
    EXPECT_EQ(expected[1],
              "\r\n52.632553\t56.827892\t68.648655\t80.864496\t95.340869\t55.204516\t"
              "\r\n64.589223\t62.362315\t73.583354\t73.908758\t112.519900\t73.018658\t"
              "\r\n72.006188\t65.632404\t75.015575\t22.563341\t11.570293\t10.557883\t"
              "\r\n39.320597\t52.180825\t63.443086\t102.667240\t80.159145\t39.018462\t");
    EXPECT_EQ(expected[2].size(), 10000u);
}

TEST(FcmRunTest, AThreadCountBelowOneIsRefused) {
    TempDir folder(true);
    CFcmRunner runner = RandomPixelRunner(10);
    runner.seed = 1;
    runner.threadCount = 0;
    EXPECT_THROW(runner.Cluster(), std::logic_error);
    EXPECT_FALSE(std::filesystem::exists("cencer_output_runfcm.txt"));
}

TEST(FcmRunTest, WithoutSeedItPausesAndSeedsFromTheClockTimesOneThousand) {
    CFcmRunner runner = SizedRunner(1, 1, 2);
    const std::int64_t before = platform::timeSeconds();
    const std::int64_t startTick = platform::tickMilliseconds();
    runner.InitMemberships();
    const std::int64_t elapsed = platform::tickMilliseconds() - startTick;
    const std::int64_t after = platform::timeSeconds();
    EXPECT_GE(elapsed, 990);
    bool matchesAClockSecond = false;
    for (std::int64_t second = before; second <= after; ++second) {
        // time * 1000 wraps as an unsigned 32-bit value.
        const auto expected = static_cast<std::uint32_t>(
            (static_cast<std::uint64_t>(second) * 1000u) % (std::uint64_t{1} << 32));
        matchesAClockSecond = matchesAClockSecond || runner.usedSeed == expected;
    }
    EXPECT_TRUE(matchesAClockSecond) << runner.usedSeed;
    const double first = platform::Random15(runner.usedSeed).Next() / 32768.0;
    EXPECT_EQ(runner.membership[0], first);
}

// Every failure leaves the working folder as it was.
class FcmFailureTest : public ::testing::Test {
  protected:
    std::string RunAndCatch(CFcmRunner& runner) {
        try {
            runner.Run();
        } catch (const UserError& error) {
            return error.what();
        }
        ADD_FAILURE() << "Run did not fail";
        return {};
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work.path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    TempDir work{true};
    TempDir images;
};

TEST_F(FcmFailureTest, MissingImageNamesThePathAndWritesNothing) {
    CFcmRunner runner;
    runner.imagePath = images.file("small.img");
    EXPECT_EQ(RunAndCatch(runner),
              "The test image was not found; looked for:\n  " + images.file("small.img"));
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(FcmFailureTest, MissingHeaderNamesTheHeaderPathAndWritesNothing) {
    testing::WriteSmallImage(images.path().string(), 3, 2, 2, 1, std::string(12, '\x05'), false);
    CFcmRunner runner;
    runner.imagePath = images.file("small.img");
    EXPECT_EQ(RunAndCatch(runner), "Please generate the file header using ENVI！ (looked for " +
                                       images.file("small.hdr") + ")");
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(FcmFailureTest, UnsupportedDataTypeEndsTheRunWithTheReadersMessage) {
    testing::WriteSmallImage(images.path().string(), 3, 2, 2, 7, std::string(48, '\x05'));
    CFcmRunner runner;
    runner.imagePath = images.file("small.img");
    EXPECT_NE(RunAndCatch(runner).find("暂不处理此种数据类型！"), std::string::npos);
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(FcmFailureTest, CentreFileThatCannotBeCreatedIsNamed) {
    testing::WriteThreeByTwoImage(images.path().string());
    std::filesystem::create_directory("cencer_output_runfcm.txt");
    CFcmRunner runner;
    runner.imagePath = images.file("small.img");
    runner.seed = 1;
    EXPECT_EQ(RunAndCatch(runner), "Cannot create the file \"cencer_output_runfcm.txt\".");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"cencer_output_runfcm.txt"});
}

TEST_F(FcmFailureTest, CentreFileThatCannotBeWrittenCompletelyIsNamedAndRemoved) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    testing::WriteThreeByTwoImage(images.path().string());
    std::filesystem::create_symlink("/dev/full", "cencer_output.txt");
    CFcmRunner runner;
    runner.imagePath = images.file("small.img");
    runner.seed = 1;
    EXPECT_EQ(RunAndCatch(runner), "Cannot write the whole file \"cencer_output.txt\".");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("cencer_output.txt")));
    EXPECT_FALSE(std::filesystem::exists("small_result"));
}

TEST(FcmLocateTest, FirstFolderHoldingTheImageWinsAndEveryCandidateIsListed) {
    TempDir empty, first, second;
    testing::WriteThreeByTwoImage(first.path().string());
    testing::WriteThreeByTwoImage(second.path().string());
    const TestImageLocation location =
        CFcmRunner::LocateTestImageIn({"", empty.path().string(), first.path().string(),
                                       first.path().string() + "/.", second.path().string()});
    EXPECT_EQ(location.candidates,
              (std::vector<std::string>{empty.file("small.img"), first.file("small.img"),
                                        second.file("small.img")}));
    ASSERT_TRUE(location.found);
    EXPECT_EQ(*location.found, first.file("small.img"));

    EXPECT_FALSE(CFcmRunner::LocateTestImageIn({empty.path().string()}).found);
}

TEST(FcmLocateTest, DataFolderVariableComesFirstAndTheSourceTreeLast) {
    TempDir folder;
    testing::WriteThreeByTwoImage(folder.path().string());
    ::setenv("TAVORIN_DATA_DIR", folder.path().c_str(), 1);
    const TestImageLocation location = CFcmRunner::LocateTestImage();
    ::unsetenv("TAVORIN_DATA_DIR");
    ASSERT_TRUE(location.found);
    EXPECT_EQ(*location.found, folder.file("small.img"));
    EXPECT_EQ(location.candidates.front(), folder.file("small.img"));
    EXPECT_EQ(
        location.candidates.back(),
        (std::filesystem::path(testing::DataDir()) / "small.img").lexically_normal().string());

    // Without the variable the bundled image of the source tree is found.
    const TestImageLocation bundled = CFcmRunner::LocateTestImage();
    ASSERT_TRUE(bundled.found);
    EXPECT_EQ(std::filesystem::path(*bundled.found).filename(), "small.img");
}

}  // namespace
}  // namespace tavorin
