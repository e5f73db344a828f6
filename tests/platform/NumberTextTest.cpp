#include "platform/NumberText.h"

#include <clocale>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace tavorin::platform {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumberTextTest, FixedMatchesPrintfWithSixDecimals) {
    EXPECT_EQ(formatFixed(0.5), "0.500000");
    EXPECT_EQ(formatFixed(12.25), "12.250000");
    EXPECT_EQ(formatFixed(-0.0000004), "-0.000000");
    EXPECT_EQ(formatFixed(0.0000005), "0.000000");  // 5e-7 is stored just below the half
    EXPECT_EQ(formatFixed(0.0000015), "0.000002");
    EXPECT_EQ(formatFixed(1e20), "100000000000000000000.000000");
    EXPECT_EQ(formatFixed(0.01234), "0.012340");
}

TEST(NumberTextTest, NonFiniteValuesHaveOneSpellingEach) {
    EXPECT_EQ(formatFixed(kInf), "inf");
    EXPECT_EQ(formatFixed(-kInf), "-inf");
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(formatFixed(-std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(formatGeneral(-kInf), "-inf");
}

TEST(NumberTextTest, GeneralFifteenDigitsAsTheDialogShowsThem) {
    EXPECT_EQ(formatGeneral(0.5), "0.5");
    EXPECT_EQ(formatGeneral(0.01), "0.01");
    EXPECT_EQ(formatGeneral(0.1), "0.1");
    EXPECT_EQ(formatGeneral(1.0), "1");
    EXPECT_EQ(formatGeneral(10.0), "10");
    EXPECT_EQ(formatGeneral(1e-5), "1e-05");
    EXPECT_EQ(formatGeneral(123456789012345678.0), "1.23456789012346e+17");
}

TEST(NumberTextTest, IgnoresTheProcessLocale) {
    // A locale with a decimal comma, if the machine has one; the texts must not change.
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) std::setlocale(LC_ALL, "C");
    EXPECT_EQ(formatFixed(0.5), "0.500000");
    EXPECT_EQ(formatGeneral(0.25), "0.25");
    EXPECT_EQ(parseDouble("0.25"), 0.25);
    std::setlocale(LC_ALL, "C");
}

TEST(NumberTextTest, ParsesWholeIntegersInTheThirtyTwoBitRange) {
    EXPECT_EQ(parseInt32("5"), 5);
    EXPECT_EQ(parseInt32("  30 "), 30);
    EXPECT_EQ(parseInt32("-7"), -7);
    EXPECT_EQ(parseInt32("+7"), 7);
    EXPECT_EQ(parseInt32("2147483647"), 2147483647);
    EXPECT_EQ(parseInt32("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(parseInt32("5x"));
    EXPECT_FALSE(parseInt32("99999999999"));
    EXPECT_FALSE(parseInt32(""));
    EXPECT_FALSE(parseInt32("   "));
    EXPECT_FALSE(parseInt32("1.5"));
    EXPECT_FALSE(parseInt32("+-1"));
}

TEST(NumberTextTest, ParsesWholeDecimalNumbers) {
    EXPECT_EQ(parseDouble("0.5"), 0.5);
    EXPECT_EQ(parseDouble(" 1e-2 "), 0.01);
    EXPECT_EQ(parseDouble("+10"), 10.0);
    EXPECT_EQ(parseDouble("-.5"), -0.5);
    EXPECT_FALSE(parseDouble("0,5"));
    EXPECT_FALSE(parseDouble("abc"));
    EXPECT_FALSE(parseDouble(""));
    EXPECT_FALSE(parseDouble("1e999"));
    EXPECT_FALSE(parseDouble("++1"));
    EXPECT_TRUE(std::isinf(*parseDouble("inf")));
}

}  // namespace
}  // namespace tavorin::platform
