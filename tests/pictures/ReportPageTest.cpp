#include "report/ReportPage.h"

#include <gtest/gtest.h>

#include <string>

#include "report/MarkupText.h"
#include "tests/pictures/XmlCheck.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

ReportPageContent SampleContent() {
    ReportPageContent content;
    content.parameters.inputPath = "/data/scene <1> & \"two\".img";
    content.parameters.outputPath = std::string(
        "/out/r\xFF"
        "sult");
    content.parameters.clusterNumber = 3;
    content.parameters.popSize = 12;
    content.parameters.iGenerations = 7;
    content.parameters.FLS = 0.25;
    content.parameters.GLS_delta = {0.01, 0.1, 1.0, 10.0};
    content.seed = 4294967295u;
    content.samples = 400;
    content.lines = 300;
    content.bands = 6;
    content.dataType = 1;
    content.inputCaption = "Bands 4, 3, 2 as red, green and blue";
    content.inputPng = {0x89, 'P', 'N', 'G', 1};
    content.frontSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
    content.front.push_back({"r_0", 0.5, 12.25, {1, 2, 3}, {}});
    content.front.push_back({"a<b>_1", 0.75, 9.0, {4, 5}, {}});
    return content;
}

TEST(ReportPageTest, IsWellFormedAndSelfContained) {
    const std::string html = RenderReportPage(SampleContent());
    const testing::XmlCheckResult check = testing::CheckXmlWellFormed(html);
    EXPECT_TRUE(check.wellFormed) << check.problem;
    EXPECT_EQ(check.rootName, "html");
    EXPECT_TRUE(html.starts_with(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"));
    // No address outside the page: the only sources are data: URIs (the SVG's namespace is
    // inside its base64 text).
    EXPECT_EQ(html.find("http"), std::string::npos);
    EXPECT_EQ(Count(html, "src=\""), 4u);
    EXPECT_EQ(Count(html, "src=\"data:"), 4u);

    testing::TempDir dir;
    testing::WriteFileBytes(dir.file("report.html"), html);
    const testing::XmllintResult lint = testing::RunXmllint(dir.file("report.html"));
    if (lint.available) {
        EXPECT_TRUE(lint.passed);
    }
}

TEST(ReportPageTest, ShowsParametersAndSeedEscaped) {
    const std::string html = RenderReportPage(SampleContent());
    EXPECT_NE(html.find("<tr><th>Input image</th><td>/data/scene &lt;1&gt; &amp; "
                        "&quot;two&quot;.img</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr><th>Output path</th><td>/out/r\xEF\xBF\xBDsult</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr><th>Image size</th><td>400 samples \xC3\x97 300 lines \xC3\x97 6 "
                        "bands, data type 1</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr><th>Clusters (K)</th><td>3</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>Population size</th><td>12</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>Generations</th><td>7</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>FLS</th><td>0.25</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>GLS_delta</th><td>0.01, 0.1, 1, 10</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>Seed</th><td>4294967295</td></tr>"), std::string::npos);
}

TEST(ReportPageTest, TablesTheFrontInItsOrderWithEmbeddedPictures) {
    const ReportPageContent content = SampleContent();
    const std::string html = RenderReportPage(content);
    const std::string first =
        "<tr><td class=\"number\">0</td><td>r_0</td><td class=\"number\">0.500000</td>"
        "<td class=\"number\">12.250000</td><td><img class=\"map\" "
        "src=\"data:image/png;base64,AQID\" "
        "alt=\"map of image 0\"/></td><td class=\"shares\"></td></tr>";
    const std::string second =
        "<tr><td class=\"number\">1</td><td>a&lt;b&gt;_1</td><td class=\"number\">0.750000</td>"
        "<td class=\"number\">9.000000</td><td><img class=\"map\" "
        "src=\"data:image/png;base64,BAU=\" "
        "alt=\"map of image 1\"/></td><td class=\"shares\"></td></tr>";
    ASSERT_NE(html.find(first), std::string::npos);
    ASSERT_NE(html.find(second), std::string::npos);
    EXPECT_LT(html.find(first), html.find(second));
    EXPECT_NE(html.find("src=\"data:image/png;base64," + EncodeBase64(content.inputPng) + "\""),
              std::string::npos);
    EXPECT_NE(html.find("src=\"data:image/svg+xml;base64," + EncodeBase64(content.frontSvg) + "\""),
              std::string::npos);
    EXPECT_NE(html.find("<figcaption>Bands 4, 3, 2 as red, green and blue</figcaption>"),
              std::string::npos);
    // Without a recommended map, the legend lists class 0 and clusters 1..K at the top.
    EXPECT_NE(html.find("style=\"background:rgb(0,0,0)\"></span>0 (unclassified)</li>"),
              std::string::npos);
    EXPECT_NE(html.find("style=\"background:rgb(255,0,0)\"></span>cluster 3</li>"),
              std::string::npos);
    EXPECT_EQ(html.find("cluster 4"), std::string::npos);
    EXPECT_LT(html.find("cluster 3"), html.find("<h2>Parameters</h2>"));
}

TEST(ReportPageTest, ShowsTheRecommendedMapFirstWithItsLegendAndEveryMapsShares) {
    ReportPageContent content = SampleContent();
    content.recommended = 1;
    content.recommendedPng = {7, 7, 7};
    content.pixelsLeftOut = true;
    // Map 1 is recommended: its labels are the legend classes. Map 0's label 1 is class 3.
    content.front[0].classes = {{1, 3, 10, 0.5, std::nullopt, std::nullopt},
                                {2, 1, 6, 0.3, std::nullopt, std::nullopt},
                                {3, 2, 4, 0.2, std::nullopt, std::nullopt}};
    content.front[1].classes = {{1, 1, 1000, 0.25, 90.0, 0.9},
                                {2, 2, 2000, 0.5, 180.0, 1.8},
                                {3, 3, 1000, 0.25, 90.0, 0.9}};
    const std::string html = RenderReportPage(content);
    const testing::XmlCheckResult check = testing::CheckXmlWellFormed(html);
    EXPECT_TRUE(check.wellFormed) << check.problem;
    const std::size_t top =
        html.find("<h2>Recommended map: image 1</h2>\n<p>a&lt;b&gt;_1, the knee");
    ASSERT_NE(top, std::string::npos);
    EXPECT_LT(top, html.find("<h2>Parameters</h2>"));
    EXPECT_NE(html.find("<img class=\"recommended\" src=\"data:image/png;base64,BwcH\""),
              std::string::npos);
    EXPECT_NE(html.find("<tr><td><span class=\"swatch\" style=\"background:rgb(0,255,0)\"></span>"
                        "class 2</td><td class=\"number\">2000</td><td class=\"number\">50.0%</td>"
                        "<td class=\"number\">180.00</td><td class=\"number\">1.8000</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<th>Hectares</th><th>km\xC2\xB2</th>"), std::string::npos);
    EXPECT_NE(html.find("0 (unclassified, transparent)"), std::string::npos);
    EXPECT_EQ(html.find("<ul class=\"legend\">"), std::string::npos);
    // Map 0's shares in legend order: class 1 (its label 2), 2 (label 3), 3 (label 1).
    EXPECT_NE(
        html.find("<td class=\"shares\"><span class=\"swatch\" style=\"background:rgb(0,0,255)"
                  "\"></span>30.0%<br/><span class=\"swatch\" style=\"background:rgb(0,255,0)"
                  "\"></span>20.0%<br/><span class=\"swatch\" style=\"background:rgb(255,0,0)"
                  "\"></span>50.0%</td>"),
        std::string::npos);
    EXPECT_NE(html.find("<tr class=\"recommended\"><td class=\"number\">1</td>"),
              std::string::npos);
    EXPECT_EQ(Count(html, "<tr class=\"recommended\">"), 1u);
}

}  // namespace
}  // namespace tavorin
