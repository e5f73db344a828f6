#include "report/CommonLegend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace tavorin {
namespace {

TEST(CommonLegendTest, AssignmentHasTheSmallestSum) {
    // The optimum 2 + 6 + 1 + 4 = 13 is not the rows' nearest columns (row 1 would take 2).
    const std::vector<double> cost{9, 2, 7, 8, 6, 4, 3, 7, 5, 8, 1, 8, 7, 6, 9, 4};
    EXPECT_EQ(MinimumCostAssignment(cost, 4), (std::vector<std::size_t>{1, 0, 2, 3}));
    // Costs that are not finite count as the largest.
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> odd{inf, 1.0, 2.0, std::nan("")};
    EXPECT_EQ(MinimumCostAssignment(odd, 2), (std::vector<std::size_t>{1, 0}));
    EXPECT_TRUE(MinimumCostAssignment({}, 0).empty());
    EXPECT_THROW(MinimumCostAssignment(cost, 3), std::invalid_argument);
}

TEST(CommonLegendTest, PermutedCentresGetTheClassesOfTheirMatches) {
    const ClusterCentres reference{{0, 0}, {10, 0}, {0, 10}};
    // The same clusters, moved a little and numbered 3, 1, 2.
    const ClusterCentres permuted{{0.5, 9.5}, {0.2, 0.1}, {9, 1}};
    EXPECT_EQ(LegendClasses(permuted, reference), (std::vector<int>{3, 1, 2}));
    // One dimension, where matching each cluster to its nearest would cost 1 + 25, not 4 + 4.
    EXPECT_EQ(LegendClasses({{2}, {5}}, {{0}, {3}}), (std::vector<int>{1, 2}));
    EXPECT_THROW(LegendClasses({{1}}, reference), std::invalid_argument);

    // The reference member keeps its labels even with two equal centres.
    const ClusterCentres twin{{1, 1}, {1, 1}, {5, 5}};
    const std::vector<ClusterCentres> front{
        {{5, 5}, {1, 1}, {1, 2}}, twin, {{5, 4}, {1, 1}, {1, 1}}};
    const std::vector<std::vector<int>> legends = FrontLegends(front, 1);
    ASSERT_EQ(legends.size(), 3u);
    EXPECT_EQ(legends[1], (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(legends[0][0], 3);
    EXPECT_EQ(legends[2][0], 3);
}

}  // namespace
}  // namespace tavorin
