#include "report/MarkupText.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/pictures/XmlCheck.h"

namespace tavorin {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(EscapeMarkupTest, EscapesTheFiveMarkupCharacters) {
    EXPECT_EQ(EscapeMarkup("a<b>&\"'c"), "a&lt;b&gt;&amp;&quot;&#39;c");
    EXPECT_EQ(EscapeMarkup("&amp;"), "&amp;amp;");
    EXPECT_EQ(EscapeMarkup(""), "");
}

TEST(EscapeMarkupTest, KeepsUtf8AndTheAllowedControlCharacters) {
    const std::string text =
        "Xie\xE2\x80\x93"
        "Beni \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x99\x82\t\n\r";
    EXPECT_EQ(EscapeMarkup(text), text);
}

TEST(EscapeMarkupTest, ReplacesWhatXmlCannotCarry) {
    EXPECT_EQ(EscapeMarkup("a\xFF"
                           "b"),
              "a" + kReplacement + "b");                               // not UTF-8
    EXPECT_EQ(EscapeMarkup("\xE2\x80"), kReplacement + kReplacement);  // cut short
    EXPECT_EQ(EscapeMarkup("\xC0\xAF"), kReplacement + kReplacement);  // overlong '/'
    EXPECT_EQ(EscapeMarkup("\xED\xA0\x80"),
              kReplacement + kReplacement + kReplacement);                   // surrogate
    EXPECT_EQ(EscapeMarkup("\xF4\x90\x80\x80").substr(0, 3), kReplacement);  // above U+10FFFF
    EXPECT_EQ(EscapeMarkup("\xEF\xBF\xBE"), kReplacement + kReplacement + kReplacement);  // U+FFFE
    EXPECT_EQ(EscapeMarkup(std::string("a\x01\x1F\0b", 5)),
              "a" + kReplacement + kReplacement + kReplacement + "b");
    // Whatever comes in, the escaped text is well-formed element content.
    const std::string nasty = std::string("<x>\xFF\x01&\xC3", 8);
    EXPECT_TRUE(testing::CheckXmlWellFormed("<p>" + EscapeMarkup(nasty) + "</p>").wellFormed);
    EXPECT_TRUE(testing::CheckXmlWellFormed("<p a=\"" + EscapeMarkup(nasty) + "\"/>").wellFormed);
}

TEST(Base64Test, EncodesTheStandardVectors) {
    EXPECT_EQ(EncodeBase64(std::string_view("")), "");
    EXPECT_EQ(EncodeBase64(std::string_view("f")), "Zg==");
    EXPECT_EQ(EncodeBase64(std::string_view("fo")), "Zm8=");
    EXPECT_EQ(EncodeBase64(std::string_view("foo")), "Zm9v");
    EXPECT_EQ(EncodeBase64(std::string_view("foob")), "Zm9vYg==");
    EXPECT_EQ(EncodeBase64(std::string_view("fooba")), "Zm9vYmE=");
    EXPECT_EQ(EncodeBase64(std::string_view("foobar")), "Zm9vYmFy");
    const std::vector<std::uint8_t> high{0xFF, 0xFE, 0xFB, 0xEF};
    EXPECT_EQ(EncodeBase64(high), "//777w==");
}

TEST(XmlCheckTest, RejectsTheUsualFaults) {
    using testing::CheckXmlWellFormed;
    EXPECT_TRUE(CheckXmlWellFormed("<?xml version=\"1.0\"?>\n<a x='1'><b/>t&amp;&#233;&#xE9;</a>\n")
                    .wellFormed);
    EXPECT_TRUE(CheckXmlWellFormed("<!DOCTYPE html>\n<html><!-- c --><p>x</p></html>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a><b></a></b>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a>x & y</a>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a>&nbsp;</a>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a x=1/>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a x=\"1\" x=\"2\"/>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a x=\"<\"/>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a/><b/>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<a>\xFF</a>").wellFormed);
    EXPECT_FALSE(CheckXmlWellFormed("<br>").wellFormed);
}

}  // namespace
}  // namespace tavorin
