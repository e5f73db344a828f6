#include "localsearch/StepSizeAdaptation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "evolution/SearchRandom.h"
#include "platform/TextFile.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

const std::vector<double> kStepSizes{0.01, 0.1, 1.0, 10.0};

CSolution withObjectives(double xbIndex, double jm) {
    CSolution s;
    s.xbIndex = xbIndex;
    s.jm = jm;
    return s;
}

struct Vectors {
    std::vector<double> pLS{0.25, 0.25, 0.25, 0.25};
    std::vector<int> LS_count{0, 0, 0, 0};
    std::vector<double> AS{0.0, 0.0, 0.0, 0.0};
};

class StepSizeAdaptationTest : public ::testing::Test {
  protected:
    StepSizeChoice draw(const std::vector<double>& pLS, const std::vector<double>& stepSizes) {
        return drawStepSize(random, ui, pLS, stepSizes);
    }

    StepSizeWindow window;
    SearchRandom random;
    testing::RecordingUserInterface ui;

    // A search that earned nothing, and one whose jm fell by 500 with jm' = 1000 (reward 0.5).
    const CSolution member = withObjectives(0.5, 1500.0);
    const CSolution unchanged = member;
    const CSolution improved = withObjectives(0.4, 1000.0);
};

TEST_F(StepSizeAdaptationTest, RewardUsesWholeNumberDifferences) {
    // xb falls by 0.3 (no whole number), jm by 1234.9 with jm' = 100000: 1234 / 100000.
    const CSolution before = withObjectives(1.0, 101234.9);
    const CSolution after = withObjectives(0.7, 100000.0);
    EXPECT_EQ(stepReward(after, before), 1234.0 / 100000.0);
    EXPECT_NEAR(stepReward(after, before), 0.01234, 1e-15);
    // Whole-number changes of both terms: |T(-2.5)| / 4.5 + |T(-20.7)| / 80.
    EXPECT_EQ(stepReward(withObjectives(4.5, 80.0), withObjectives(7.0, 100.7)),
              2.0 / 4.5 + 20.0 / 80.0);
    EXPECT_EQ(stepReward(member, member), 0.0);
}

TEST_F(StepSizeAdaptationTest, RewardSaturatesAndNeverDividesByZero) {
    // Differences beyond the 32-bit range saturate; |INT_MIN| is 2^31 as a double.
    EXPECT_EQ(stepReward(withObjectives(1.0, 1e10), withObjectives(1.0, 1.3e10)),
              2147483648.0 / 1e10);
    EXPECT_EQ(stepReward(withObjectives(1.0, 1e10), withObjectives(1.0, 7e9)), 2147483647.0 / 1e10);
    // A best whose objective is 0 contributes 0 for that term.
    EXPECT_EQ(stepReward(withObjectives(0.0, 50.0), withObjectives(3.0, 60.0)), 10.0 / 50.0);
    EXPECT_EQ(stepReward(withObjectives(2.0, 0.0), withObjectives(5.0, 60.0)), 3.0 / 2.0);
    EXPECT_EQ(stepReward(withObjectives(0.0, 0.0), withObjectives(5.0, 60.0)), 0.0);
}

TEST_F(StepSizeAdaptationTest, FrozenPhaseThenAdaptivePhaseThenReset) {
    Vectors v;
    // Searches 1..19: rewards of step size 2 accumulate, pLS stays as created.
    for (int n = 1; n <= 19; ++n) {
        recordReward(window, 2, n % 2 == 0 ? improved : unchanged, member, v.pLS, v.LS_count, v.AS);
    }
    EXPECT_EQ(window.searchCounter, 19);
    EXPECT_EQ(window.pLSFrozen, 1);
    EXPECT_EQ(v.pLS, (std::vector<double>{0.25, 0.25, 0.25, 0.25}));
    EXPECT_EQ(v.LS_count, (std::vector<int>{0, 0, 19, 0}));
    // Nine rewards of 0.5 among 19 searches, as a running mean.
    EXPECT_NEAR(v.AS[2], 4.5 / 19.0, 1e-15);

    // The 20th opens the adaptive phase and its own update recomputes pLS: only AS[2] > 0.
    recordReward(window, 0, unchanged, member, v.pLS, v.LS_count, v.AS);
    EXPECT_EQ(window.pLSFrozen, 0);
    EXPECT_EQ(v.pLS, (std::vector<double>{0.0, 0.0, 1.0, 0.0}));
    EXPECT_EQ(v.LS_count, (std::vector<int>{1, 0, 19, 0}));

    // Only step size 2 can be drawn now, whatever the generator gives.
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        random.generator().Seed(seed);
        const StepSizeChoice choice = draw(v.pLS, kStepSizes);
        ASSERT_TRUE(choice.valid);
        EXPECT_EQ(choice.index, 2);
        EXPECT_EQ(choice.sigma, 1.0);
    }

    // 21..39 recompute pLS at every update.
    for (int n = 21; n <= 39; ++n)
        recordReward(window, 1, improved, member, v.pLS, v.LS_count, v.AS);
    EXPECT_EQ(v.LS_count, (std::vector<int>{1, 19, 19, 0}));
    EXPECT_NEAR(v.pLS[1], 0.5 / (0.5 + 4.5 / 19.0), 1e-15);

    // The 40th resets all three vectors first and is the first reward of the fresh ones.
    recordReward(window, 3, improved, member, v.pLS, v.LS_count, v.AS);
    EXPECT_EQ(window.searchCounter, 40);
    EXPECT_EQ(window.pLSFrozen, 1);
    EXPECT_EQ(v.LS_count, (std::vector<int>{0, 0, 0, 1}));
    EXPECT_EQ(v.AS, (std::vector<double>{0.0, 0.0, 0.0, 0.5}));
    EXPECT_EQ(v.pLS, (std::vector<double>{0.25, 0.25, 0.25, 0.25}));

    // 60 opens the next adaptive phase.
    for (int n = 41; n <= 59; ++n)
        recordReward(window, 0, unchanged, member, v.pLS, v.LS_count, v.AS);
    EXPECT_EQ(v.pLS, (std::vector<double>{0.25, 0.25, 0.25, 0.25}));
    recordReward(window, 0, unchanged, member, v.pLS, v.LS_count, v.AS);
    EXPECT_EQ(window.pLSFrozen, 0);
    EXPECT_EQ(v.pLS, (std::vector<double>{0.0, 0.0, 0.0, 1.0}));
}

TEST_F(StepSizeAdaptationTest, ZeroRewardPhaseDrawsStepSizeZeroUntilARewardCounts) {
    Vectors v;
    for (int n = 1; n <= 20; ++n)
        recordReward(window, n % 4, unchanged, member, v.pLS, v.LS_count, v.AS);
    for (double p : v.pLS) EXPECT_TRUE(std::isnan(p));
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        random.generator().Seed(seed);
        const StepSizeChoice choice = draw(v.pLS, kStepSizes);
        ASSERT_TRUE(choice.valid);
        EXPECT_EQ(choice.index, 0);
        EXPECT_EQ(choice.sigma, 0.01);
    }
    // A rewarded search makes the sum non-zero and pLS numbers again.
    recordReward(window, 1, improved, member, v.pLS, v.LS_count, v.AS);
    EXPECT_EQ(v.pLS, (std::vector<double>{0.0, 1.0, 0.0, 0.0}));
}

TEST_F(StepSizeAdaptationTest, EveryRunStartsWithAFrozenWindow) {
    Vectors first;
    for (int n = 1; n <= 25; ++n)
        recordReward(window, 0, improved, member, first.pLS, first.LS_count, first.AS);
    EXPECT_EQ(window.pLSFrozen, 0);
    // The next run has a window of its own: its first update leaves pLS as created.
    StepSizeWindow nextRun;
    Vectors second;
    recordReward(nextRun, 2, improved, member, second.pLS, second.LS_count, second.AS);
    EXPECT_EQ(nextRun.searchCounter, 1);
    EXPECT_EQ(second.pLS, (std::vector<double>{0.25, 0.25, 0.25, 0.25}));
}

TEST_F(StepSizeAdaptationTest, DrawFollowsTheGeneratorWithEqualProbabilities) {
    const std::vector<double> equal{0.25, 0.25, 0.25, 0.25};
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        random.generator().Seed(seed);
        const double u = random.generator().Next() / 32768.0;
        const int expected = u < 0.25 ? 0 : u < 0.5 ? 1 : u < 0.75 ? 2 : 3;
        random.generator().Seed(seed);
        const StepSizeChoice choice = draw(equal, kStepSizes);
        ASSERT_TRUE(choice.valid);
        EXPECT_EQ(choice.index, expected) << "seed " << seed;
        EXPECT_EQ(choice.sigma, kStepSizes[static_cast<std::size_t>(expected)]);
        // Exactly one generator call.
        random.generator().Seed(seed);
        random.generator().Next();
        const int next = random.generator().Next();
        random.generator().Seed(seed);
        draw(equal, kStepSizes);
        EXPECT_EQ(random.generator().Next(), next);
    }
}

TEST_F(StepSizeAdaptationTest, IndexOutsideTheFourStepSizesIsRefused) {
    random.generator().Seed(7);
    const StepSizeChoice fifth = draw({0.0, 0.0, 0.0, 0.0, 1.0}, kStepSizes);
    EXPECT_FALSE(fifth.valid);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "wrong LS_num!");

    // Only three step sizes given: index 3 has no size.
    const StepSizeChoice missing = draw({0.0, 0.0, 0.0, 1.0}, {0.01, 0.1, 1.0});
    EXPECT_FALSE(missing.valid);
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(StepSizeAdaptationTest, ParamRowBytes) {
    testing::TempDir dir;
    const std::string path = dir.file("params.txt");
    platform::TextFile log;
    ASSERT_TRUE(log.Open(path, platform::TextFile::Mode::Truncate));
    Vectors fresh;
    writeParamRow(log, fresh.LS_count, fresh.AS, fresh.pLS);
    writeParamRow(log, {3, 0, 12, 1}, {0.0123456789, 0.0, 2.5, -0.0000004},
                  {std::nan(""), 0.125, 1.0, std::numeric_limits<double>::infinity()});
    ASSERT_TRUE(log.Close());
    EXPECT_EQ(testing::ReadFileBytes(path),
              "\r\n0\t0\t0\t0\t\t0.000000\t0.000000\t0.000000\t0.000000\t\t"
              "0.250000\t0.250000\t0.250000\t0.250000\t"
              "\r\n3\t0\t12\t1\t\t0.012346\t0.000000\t2.500000\t-0.000000\t\t"
              "nan\t0.125000\t1.000000\tinf\t");
}

}  // namespace
}  // namespace tavorin
