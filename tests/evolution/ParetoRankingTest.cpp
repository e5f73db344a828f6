#include "evolution/ParetoRanking.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "tests/evolution/AlgorithmSetup.h"

namespace tavorin {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CSolution withObjectives(double xbIndex, double jm) {
    CSolution s;
    s.xbIndex = xbIndex;
    s.jm = jm;
    s.rank = 77;
    s.dominatesCount = 55;
    return s;
}

TEST(DominatesTest, StrictInBothObjectives) {
    const auto dominates = CMemeticClustering::dominates;
    EXPECT_EQ(dominates(withObjectives(1, 2), withObjectives(2, 3)), 1);
    EXPECT_EQ(dominates(withObjectives(2, 3), withObjectives(1, 2)), 0);
    EXPECT_EQ(dominates(withObjectives(1, 2), withObjectives(1, 3)), 0);  // equal first objective
    EXPECT_EQ(dominates(withObjectives(1, 3), withObjectives(1, 2)), 0);
    EXPECT_EQ(dominates(withObjectives(1, 2), withObjectives(2, 2)), 0);  // equal second
    EXPECT_EQ(dominates(withObjectives(1, 2), withObjectives(1, 2)), 4);
    EXPECT_EQ(dominates(withObjectives(1, 5), withObjectives(2, 3)), 0);
    EXPECT_EQ(dominates(withObjectives(1, 2), withObjectives(kInf, 3)), 1);
    EXPECT_EQ(dominates(withObjectives(kInf, 2), withObjectives(kInf, 3)), 0);
    EXPECT_EQ(dominates(withObjectives(kInf, 3), withObjectives(kInf, 3)), 4);
    // NaN compares false everywhere: never dominates, is never dominated, is never equal.
    EXPECT_EQ(dominates(withObjectives(kNaN, 2), withObjectives(1, 3)), 0);
    EXPECT_EQ(dominates(withObjectives(1, 2), withObjectives(kNaN, 3)), 0);
    EXPECT_EQ(dominates(withObjectives(kNaN, 2), withObjectives(kNaN, 2)), 0);
}

TEST(RankNonDominatedTest, FrontsAndCountsOfAMixedSet) {
    std::vector<CSolution> set{
        withObjectives(1, 2),     // 0 A: dominates C, E, F, H
        withObjectives(1, 3),     // 1 B: equal xb to A, so not dominated by it; dominates F, H
        withObjectives(2, 3),     // 2 C: dominated by A
        withObjectives(0.5, 5),   // 3 D: best xb, nobody dominates it; dominates H
        withObjectives(2, 3),     // 4 E: duplicate of C
        withObjectives(3, 4),     // 5 F: dominated by A, B, C, E
        withObjectives(kInf, 1),  // 6 G: best jm, so in front 0 despite the infinite index
        withObjectives(kInf, 6),  // 7 H: dominated by every finite member with smaller jm
    };
    RankNonDominated(set);
    const std::vector<int> ranks{0, 0, 1, 0, 1, 2, 0, 3};
    const std::vector<int> counts{4, 2, 2, 1, 2, 1, 0, 0};
    for (std::size_t i = 0; i < set.size(); ++i) {
        EXPECT_EQ(set[i].rank, ranks[i]) << i;
        EXPECT_EQ(set[i].dominatesCount, counts[i]) << i;
    }
}

TEST(RankNonDominatedTest, MutuallyNonDominatedSetIsOneFront) {
    std::vector<CSolution> set{withObjectives(1, 4), withObjectives(2, 3), withObjectives(3, 2),
                               withObjectives(2, 3), withObjectives(4, 1)};
    RankNonDominated(set);
    for (const CSolution& s : set) {
        EXPECT_EQ(s.rank, 0);
        EXPECT_EQ(s.dominatesCount, 0);
    }
}

TEST(RankNonDominatedTest, ChainGetsConsecutiveRanksAndNaNIsAlone) {
    std::vector<CSolution> set{withObjectives(4, 4), withObjectives(kNaN, 0), withObjectives(1, 1),
                               withObjectives(3, 3), withObjectives(2, 2)};
    RankNonDominated(set);
    EXPECT_EQ(set[2].rank, 0);
    EXPECT_EQ(set[4].rank, 1);
    EXPECT_EQ(set[3].rank, 2);
    EXPECT_EQ(set[0].rank, 3);
    EXPECT_EQ(set[1].rank, 0);  // incomparable with everything
    EXPECT_EQ(set[2].dominatesCount, 3);
    EXPECT_EQ(set[0].dominatesCount, 0);
    EXPECT_EQ(set[1].dominatesCount, 0);
}

TEST(RankNonDominatedTest, EmptyAndSingleSets) {
    std::vector<CSolution> none;
    RankNonDominated(none);
    std::vector<CSolution> one{withObjectives(kInf, kInf)};
    RankNonDominated(one);
    EXPECT_EQ(one[0].rank, 0);
    EXPECT_EQ(one[0].dominatesCount, 0);
}

TEST(ParetoRankTest, RanksTheCombinedArrayOnly) {
    testing::AlgorithmRun run(testing::MakeRunGlobals(2, 2, 1, 2, 1, {0.0, 1.0}));
    CMemeticClustering& algorithm = run.algorithm;
    ASSERT_EQ(algorithm.combined.size(), 4u);
    algorithm.combined = {withObjectives(2, 2), withObjectives(1, 1), withObjectives(3, 0.5),
                          withObjectives(3, 3)};
    algorithm.population = {withObjectives(0, 0), withObjectives(0, 0)};
    algorithm.Pareto_Rank();
    EXPECT_EQ(algorithm.combined[0].rank, 1);
    EXPECT_EQ(algorithm.combined[1].rank, 0);
    EXPECT_EQ(algorithm.combined[2].rank, 0);
    EXPECT_EQ(algorithm.combined[3].rank, 2);
    EXPECT_EQ(algorithm.population[0].rank, 77);
}

}  // namespace
}  // namespace tavorin
