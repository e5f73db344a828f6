#include "report/FrontKnee.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tavorin {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Front = std::vector<FrontObjectives>;  // {xbIndex, jm}

TEST(FrontKneeTest, IsTheMemberFarthestFromTheLineThroughTheExtremes) {
    // Scaled (Jm, index): member 0 (1, 0), 1 (0.4, 1/9), 2 (0.2, 1/3), 3 (0, 1); the line
    // x + y = 1 lies 0.489 / sqrt 2 from member 1 and 0.467 / sqrt 2 from member 2.
    Front front{{1.0, 10.0}, {2.0, 4.0}, {4.0, 2.0}, {10.0, 0.0}};
    EXPECT_EQ(FrontKneeMember(front), 1u);
    EXPECT_EQ(BestXieBeniMember(front), 0u);
    // Members that are not finite take no part, neither in the scaling nor as extremes.
    front.push_back({kInf, -5.0});
    front.push_back({0.5, kNaN});
    EXPECT_EQ(FrontKneeMember(front), 1u);
    EXPECT_EQ(BestXieBeniMember(front), 5u);
}

TEST(FrontKneeTest, TiesGoToTheSmallerIndexThenToTheFirst) {
    // Scaled: (0.125, 0.375) and (0.25, 0.25) are both 0.5 / sqrt 2 from the line.
    const Front front{{0.0, 8.0}, {3.0, 1.0}, {2.0, 2.0}, {8.0, 0.0}};
    EXPECT_EQ(FrontKneeMember(front), 2u);
    const Front twice{{0.0, 8.0}, {2.0, 2.0}, {2.0, 2.0}, {8.0, 0.0}};
    EXPECT_EQ(FrontKneeMember(twice), 1u);
    EXPECT_EQ(BestXieBeniMember(Front{{1.0, 3.0}, {0.5, 2.0}, {0.5, 1.0}}), 1u);
}

TEST(FrontKneeTest, WithoutAKneeTheSmallestIndexIsChosen) {
    EXPECT_FALSE(FrontKneeMember(Front{}).has_value());
    EXPECT_FALSE(BestXieBeniMember(Front{}).has_value());
    // Two finite members only.
    EXPECT_EQ(FrontKneeMember(Front{{0.5, 3.0}, {kNaN, 2.0}, {0.2, kInf}, {0.3, 1.0}}), 2u);
    // Every member on the line.
    EXPECT_EQ(FrontKneeMember(Front{{1.0, 3.0}, {2.0, 2.0}, {3.0, 1.0}}), 0u);
    // One point only, three times.
    EXPECT_EQ(FrontKneeMember(Front{{1.0, 1.0}, {1.0, 1.0}, {1.0, 1.0}}), 0u);
    // A NaN index is chosen only when every index is NaN.
    EXPECT_EQ(BestXieBeniMember(Front{{kNaN, 1.0}, {kInf, 2.0}, {kNaN, 3.0}}), 1u);
    EXPECT_EQ(BestXieBeniMember(Front{{kNaN, 1.0}, {kNaN, 2.0}}), 0u);
}

}  // namespace
}  // namespace tavorin
