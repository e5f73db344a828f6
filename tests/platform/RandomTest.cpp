#include "platform/Random.h"

#include <gtest/gtest.h>

#include "platform/Saturate.h"

namespace tavorin::platform {
namespace {

// The sequence of the classic 15-bit generator, worked out by hand from
// state = state * 214013 + 2531011 (mod 2^32), output (state >> 16) & 0x7FFF.
TEST(RandomTest, SeedOneGivesTheClassicSequence) {
    Random15 random(1);
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    EXPECT_EQ(random.Next(), 26500);
    EXPECT_EQ(random.Next(), 19169);
}

TEST(RandomTest, SeedZeroAndReseeding) {
    Random15 random(0);
    EXPECT_EQ(random.Next(), 38);  // state 2531011
    EXPECT_EQ(random.Next(), 7719);
    random.Seed(0);
    EXPECT_EQ(random.Next(), 38);
    // Two generators never share a state: the C runtime's default seed is 1.
    Random15 untouched;
    EXPECT_EQ(untouched.Next(), 41);
}

TEST(RandomTest, StaysWithinFifteenBits) {
    Random15 random(123456789u);
    for (int i = 0; i < 100000; ++i) {
        const int value = random.Next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, kRandMax);
    }
}

TEST(SaturateTest, TruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(truncateToInt32(2.9), 2);
    EXPECT_EQ(truncateToInt32(-2.9), -2);
    EXPECT_EQ(truncateToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(truncateToInt32(2147483648.0), 2147483647);
    EXPECT_EQ(truncateToInt32(1e300), 2147483647);
    EXPECT_EQ(truncateToInt32(-2147483648.9), -2147483647 - 1);
    EXPECT_EQ(truncateToInt32(-1e300), -2147483647 - 1);
    EXPECT_EQ(truncateToInt32(std::numeric_limits<double>::infinity()), 2147483647);
    EXPECT_EQ(truncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace tavorin::platform
