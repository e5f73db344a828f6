#include "image/EnviHeaderText.h"

#include <gtest/gtest.h>

namespace tavorin {
namespace {

TEST(LeadingInteger, ReadsAsAtoiDoes) {
    EXPECT_EQ(ParseLeadingInt32("512"), 512);
    EXPECT_EQ(ParseLeadingInt32("  42abc"), 42);
    EXPECT_EQ(ParseLeadingInt32("-7"), -7);
    EXPECT_EQ(ParseLeadingInt32("+5"), 5);
    EXPECT_EQ(ParseLeadingInt32("abc"), 0);
    EXPECT_EQ(ParseLeadingInt32(""), 0);
    EXPECT_EQ(ParseLeadingInt32("- 5"), 0);
    EXPECT_EQ(ParseLeadingInt32("3.9"), 3);
    EXPECT_EQ(ParseLeadingInt32("{3}"), 0);
    EXPECT_EQ(ParseLeadingInt32(std::string(300, '0') + "3"), 3);
}

TEST(LeadingInteger, RefusesNumbersBeyondTheRange) {
    EXPECT_EQ(ParseLeadingInt32("2147483647"), 2147483647);
    EXPECT_EQ(ParseLeadingInt32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseLeadingInt32("2147483648"), std::nullopt);
    EXPECT_EQ(ParseLeadingInt32("-2147483649"), std::nullopt);
    EXPECT_EQ(ParseLeadingInt32("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseLeadingInt64("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(ParseLeadingInt64("9223372036854775808"), std::nullopt);
}

TEST(HeaderText, SplitsKeysAndValues) {
    const auto entries = ParseEnviHeaderText(
        "ENVI\r\n"
        "Samples=3\r\n"
        "data   Type\t =  4 \r\n"
        "\r\n"
        "no equals sign here\r\n"
        " = orphan value\r\n"
        "lines = 2");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].key, "Samples");
    EXPECT_EQ(entries[0].normalizedKey, "samples");
    EXPECT_EQ(entries[0].value, "3");
    EXPECT_EQ(entries[1].key, "data   Type");
    EXPECT_EQ(entries[1].normalizedKey, "data type");
    EXPECT_EQ(entries[1].value, "4");
    EXPECT_EQ(entries[2].normalizedKey, "lines");
    EXPECT_EQ(entries[2].value, "2");
}

TEST(HeaderText, JoinsBracedValuesThatSpanLines) {
    const auto entries = ParseEnviHeaderText(
        "description = {\n"
        "  bands = 9 inside the description\n"
        "  data type = 12 }\n"
        "map info = {UTM, 1.0,\r  2.0}\r"
        "bands = 4\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].value, "{ bands = 9 inside the description data type = 12 }");
    EXPECT_EQ(entries[1].key, "map info");
    EXPECT_EQ(entries[1].value, "{UTM, 1.0, 2.0}");
    EXPECT_EQ(entries[2].normalizedKey, "bands");
    EXPECT_EQ(entries[2].value, "4");
}

TEST(HeaderText, UnclosedBraceRunsToTheEnd) {
    const auto entries = ParseEnviHeaderText("description = {open\nsamples = 3\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].value, "{open samples = 3");
}

}  // namespace
}  // namespace tavorin
