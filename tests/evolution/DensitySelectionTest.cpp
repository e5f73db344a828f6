#include "evolution/DensitySelection.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "evolution/ParetoRanking.h"
#include "tests/evolution/AlgorithmSetup.h"

namespace tavorin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

CSolution member(double xbIndex, double jm, int rank, double tag) {
    CSolution s;
    s.xbIndex = xbIndex;
    s.jm = jm;
    s.rank = rank;
    s.F = tag;  // identifies the member after copying
    s.centres = {tag, tag + 0.5};
    return s;
}

std::vector<double> tagsOf(const std::vector<CSolution>& solutions) {
    std::vector<double> tags;
    for (const CSolution& s : solutions) tags.push_back(s.F);
    return tags;
}

TEST(SortAscendingPrefixTest, FullSortCarriesThePermutation) {
    std::array<double, 4> values{10, 2, 16, 6};
    std::array<int, 4> perm{0, 1, 2, 3};
    sortAscendingPrefix(values.data(), perm.data(), 4, 4);
    EXPECT_EQ(values, (std::array<double, 4>{2, 6, 10, 16}));
    EXPECT_EQ(perm, (std::array<int, 4>{1, 3, 0, 2}));
}

TEST(SortAscendingPrefixTest, PrefixTiesAndNothing) {
    // Only the first two positions are final; the rest is left as the exchanges left it.
    std::array<double, 5> values{5, 4, 3, 2, 1};
    std::array<int, 5> perm{0, 1, 2, 3, 4};
    sortAscendingPrefix(values.data(), perm.data(), 5, 2);
    EXPECT_EQ(values, (std::array<double, 5>{1, 2, 5, 4, 3}));
    EXPECT_EQ(perm, (std::array<int, 5>{4, 3, 0, 1, 2}));

    // Equal values are never exchanged.
    std::array<double, 3> ties{7, 7, 7};
    std::array<int, 3> tiePerm{0, 1, 2};
    sortAscendingPrefix(ties.data(), tiePerm.data(), 3, 3);
    EXPECT_EQ(tiePerm, (std::array<int, 3>{0, 1, 2}));

    std::array<double, 2> untouched{2, 1};
    std::array<int, 2> untouchedPerm{0, 1};
    sortAscendingPrefix(untouched.data(), untouchedPerm.data(), 2, 0);
    sortAscendingPrefix(untouched.data(), untouchedPerm.data(), 2, -3);
    EXPECT_EQ(untouchedPerm, (std::array<int, 2>{0, 1}));
}

TEST(SortAscendingPrefixTest, NaNNeverMovesAndInfinitiesSort) {
    std::array<double, 4> values{3, kNaN, -kInf, 1};
    std::array<int, 4> perm{0, 1, 2, 3};
    sortAscendingPrefix(values.data(), perm.data(), 4, 4);
    // pos 0: 3 > -inf swaps; pos 1 holds NaN, which compares false with everything; pos 2:
    // 3 > 1 swaps.
    EXPECT_EQ(perm, (std::array<int, 4>{2, 1, 3, 0}));
    EXPECT_EQ(values[0], -kInf);
    EXPECT_TRUE(std::isnan(values[1]));
    EXPECT_EQ(values[2], 1);
    EXPECT_EQ(values[3], 3);
}

TEST(SelectByDensityTest, LastFrontOfOneMember) {
    const std::vector<CSolution> candidates{member(5, 5, 1, 1), member(1, 1, 0, 2),
                                            member(9, 9, 2, 3)};
    std::vector<CSolution> destination(2);
    SelectByDensity(candidates, destination);
    EXPECT_EQ(tagsOf(destination), (std::vector<double>{2, 1}));
    EXPECT_EQ(destination[1].centres, (std::vector<double>{1, 1.5}));
    EXPECT_EQ(destination[1].rank, 1);
}

TEST(SelectByDensityTest, TwoEqualExtremesKeepTheLowerIndex) {
    // Both are extremes in both objectives (-2e30 each); equal densities are not exchanged.
    std::vector<CSolution> destination(1);
    SelectByDensity(std::vector<CSolution>{member(2, 1, 0, 1), member(1, 2, 0, 2)}, destination);
    EXPECT_EQ(destination[0].F, 1);
    SelectByDensity(std::vector<CSolution>{member(1, 2, 0, 2), member(2, 1, 0, 1)}, destination);
    EXPECT_EQ(destination[0].F, 2);
}

TEST(SelectByDensityTest, FrontOfThreeFavoursTheMiddleMember) {
    // Interior spread value[1] - value[1] = 0: the middle member's gap term is 2 / 0 = inf in
    // both objectives, so its density -inf sorts before the extremes' -2e30.
    const std::vector<CSolution> candidates{member(1, 3, 0, 1), member(2, 2, 0, 2),
                                            member(3, 1, 0, 3)};
    std::vector<CSolution> one(1);
    SelectByDensity(candidates, one);
    EXPECT_EQ(one[0].F, 2);
    std::vector<CSolution> all(3);
    SelectByDensity(candidates, all);
    EXPECT_EQ(tagsOf(all), (std::vector<double>{2, 1, 3}));
}

TEST(SelectByDensityTest, ExtremesFirstThenLargestNormalisedGaps) {
    // One front of five; interior spreads 4 - 1 = 3 (xb) and 6 - 3 = 3 (jm). Densities:
    // (3, 4) -3/3 - 3/3 = -2; (4, 3) -6/3 - 3.5/3; (1, 6) -2.5/3 - 5/3; the extremes (9, 0.5)
    // and (0.5, 9) -2e30. Four places: the extremes, then (4, 3), then (1, 6).
    const std::vector<CSolution> candidates{member(3, 4, 0, 1), member(9, 0.5, 0, 2),
                                            member(4, 3, 0, 3), member(1, 6, 0, 4),
                                            member(0.5, 9, 0, 5)};
    std::vector<CSolution> destination(4);
    SelectByDensity(candidates, destination);
    EXPECT_EQ(tagsOf(destination), (std::vector<double>{2, 5, 3, 4}));
}

// Fronts of 3, 4 and 5 members on the lines xb + jm = 10, 20, 30, interleaved in the set.
std::vector<CSolution> threeFourFiveFronts() {
    return {member(3, 27, -1, 21), member(10, 10, -1, 13), member(1, 9, -1, 1),
            member(2, 18, -1, 11), member(7, 23, -1, 22),  member(5, 5, -1, 2),
            member(16, 4, -1, 14), member(11, 19, -1, 23), member(9, 1, -1, 3),
            member(6, 14, -1, 12), member(17, 13, -1, 24), member(25, 5, -1, 25)};
}

TEST(SelectByDensityTest, ThreeFourFiveFrontsWithSevenPlaces) {
    std::vector<CSolution> candidates = threeFourFiveFronts();
    RankNonDominated(candidates);
    const std::vector<int> ranks{2, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 2};
    for (std::size_t i = 0; i < ranks.size(); ++i) ASSERT_EQ(candidates[i].rank, ranks[i]) << i;

    // Front 0 whole in index order; front 1 (3 + 4 = 7 places) through the density step:
    // (10, 10) -5, (2, 18) -2e30, (16, 4) -2e30, (6, 14) -4.
    std::vector<CSolution> destination(7);
    SelectByDensity(candidates, destination);
    EXPECT_EQ(tagsOf(destination), (std::vector<double>{1, 2, 3, 11, 14, 13, 12}));
    EXPECT_EQ(destination[6].rank, 1);
    EXPECT_EQ(destination[6].xbIndex, 6);
}

TEST(SelectByDensityTest, RefusesSetsThatCannotFill) {
    std::vector<CSolution> destination(3);
    EXPECT_THROW(SelectByDensity(std::vector<CSolution>{member(1, 1, 0, 1), member(2, 2, 1, 2)},
                                 destination),
                 std::invalid_argument);
    // Unranked members never fill a front.
    EXPECT_THROW(SelectByDensity(std::vector<CSolution>{member(1, 1, 0, 1), member(2, 2, -1, 2),
                                                        member(3, 3, -1, 3)},
                                 destination),
                 std::invalid_argument);
}

TEST(SelectByDensityTest, DestinationInsideTheCandidates) {
    std::vector<CSolution> set{member(3, 3, 1, 1), member(1, 1, 0, 2), member(2, 2, 0, 3)};
    SelectByDensity(set, std::span<CSolution>(set.data(), 2));
    EXPECT_EQ(set[0].F, 2);
    EXPECT_EQ(set[1].F, 3);
    EXPECT_EQ(set[2].F, 3);
}

TEST(EvalDensTest, SelectsFromCombinedIntoPopulation) {
    testing::AlgorithmRun run(testing::MakeRunGlobals(2, 7, 1, 2, 1, {0.0, 1.0}));
    CMemeticClustering& algorithm = run.algorithm;
    std::vector<CSolution> set = threeFourFiveFronts();
    set.push_back(member(4, 26, -1, 26));
    set.push_back(member(20, 10, -1, 27));
    ASSERT_EQ(algorithm.combined.size(), set.size());
    algorithm.combined = set;
    algorithm.Pareto_Rank();
    algorithm.eval_dens();
    EXPECT_EQ(tagsOf(algorithm.population), (std::vector<double>{1, 2, 3, 11, 14, 13, 12}));
    EXPECT_EQ(algorithm.combined[0].F, 21);  // the candidates are not changed
}

}  // namespace
}  // namespace tavorin
