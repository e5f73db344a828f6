#include "report/FrontPlotSvg.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "platform/NumberText.h"
#include "report/PlotLabels.h"
#include "tests/pictures/XmlCheck.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<std::string> TickTexts(const AxisScale& scale) {
    std::vector<std::string> texts;
    for (double tick : scale.ticks) texts.push_back(platform::formatGeneral(tick, 15));
    return texts;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

struct Objectives {
    const char* file;
    double xbIndex;
    double jm;
};

std::vector<FrontMemberResult> Front(std::initializer_list<Objectives> members) {
    std::vector<FrontMemberResult> front;
    for (const Objectives& member : members) {
        FrontMemberResult result;
        result.imageFile = member.file;
        result.xbIndex = member.xbIndex;
        result.jm = member.jm;
        front.push_back(result);
    }
    return front;
}

void ExpectWellFormed(const std::string& svg) {
    const testing::XmlCheckResult check = testing::CheckXmlWellFormed(svg);
    EXPECT_TRUE(check.wellFormed) << check.problem;
    EXPECT_EQ(check.rootName, "svg");
    testing::TempDir dir;
    testing::WriteFileBytes(dir.file("front.svg"), svg);
    const testing::XmllintResult lint = testing::RunXmllint(dir.file("front.svg"));
    if (lint.available) {
        EXPECT_TRUE(lint.passed);
    }
}

TEST(NiceAxisScaleTest, ChoosesRoundSteps) {
    const AxisScale unit = NiceAxisScale(0.13, 0.87);  // step 0.2
    EXPECT_EQ(TickTexts(unit), (std::vector<std::string>{"0", "0.2", "0.4", "0.6", "0.8", "1"}));
    EXPECT_EQ(unit.low, 0.0);
    EXPECT_EQ(unit.high, 1.0);

    const AxisScale large = NiceAxisScale(1.2e7, 3.4e7);  // step 5e6
    EXPECT_EQ(TickTexts(large), (std::vector<std::string>{"10000000", "15000000", "20000000",
                                                          "25000000", "30000000", "35000000"}));

    const AxisScale negative = NiceAxisScale(-3.0, -1.0);  // step 0.5
    EXPECT_EQ(TickTexts(negative), (std::vector<std::string>{"-3", "-2.5", "-2", "-1.5", "-1"}));
}

TEST(NiceAxisScaleTest, GivesASingleValueARangeAroundIt) {
    EXPECT_EQ(TickTexts(NiceAxisScale(5.0, 5.0)),
              (std::vector<std::string>{"4.4", "4.6", "4.8", "5", "5.2", "5.4", "5.6"}));
    EXPECT_EQ(TickTexts(NiceAxisScale(0.0, 0.0)),
              (std::vector<std::string>{"-1", "-0.5", "0", "0.5", "1"}));
}

TEST(NiceAxisScaleTest, SurvivesTheEndsOfTheDoubleRange) {
    const AxisScale huge = NiceAxisScale(-1e308, 1e308);
    EXPECT_GE(huge.ticks.size(), 2u);
    EXPECT_LE(huge.ticks.size(), 51u);
    const AxisScale tiny = NiceAxisScale(1e-320, 2e-320);
    EXPECT_GE(tiny.ticks.size(), 2u);
    EXPECT_LE(tiny.ticks.size(), 51u);
}

TEST(FrontPlotSvgTest, PlacesNumberedPointsOnLabelledAxes) {
    // Jm 100..200 fills the plot's width (110..690); the index 1..3 its height (450..50).
    const std::vector<FrontMemberResult> front =
        Front({{"out_0", 1.0, 200.0}, {"out_1", 3.0, 100.0}});
    const std::string svg = RenderFrontPlotSvg(front);
    ExpectWellFormed(svg);
    EXPECT_NE(svg.find("<circle class=\"point\" cx=\"690\" cy=\"450\" r=\"4.5\"/>"),
              std::string::npos);
    EXPECT_NE(svg.find("<circle class=\"point\" cx=\"110\" cy=\"50\" r=\"4.5\"/>"),
              std::string::npos);
    // Labels stay inside the frame: above left of the corner point, below right of the other.
    EXPECT_NE(svg.find("<text class=\"label\" x=\"676.8\" y=\"444\">0</text>"), std::string::npos);
    EXPECT_NE(svg.find("<text class=\"label\" x=\"116\" y=\"65\">1</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Jm</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Xie\xE2\x80\x93"
                       "Beni index</text>"),
              std::string::npos);
    EXPECT_NE(svg.find(">120</text>"), std::string::npos);
    EXPECT_NE(svg.find(">2.5</text>"), std::string::npos);
    EXPECT_NE(svg.find("<title>image 1: xbIndex 3.000000, jm 100.000000</title>"),
              std::string::npos);
    EXPECT_EQ(Count(svg, "<circle"), 2u);
    EXPECT_EQ(svg.find("Not plotted"), std::string::npos);
}

TEST(FrontPlotSvgTest, PointsCloseTogetherShareOneLabel) {
    // One unit of Jm is 5.8 pixels here: 0.5 apart shares a label, 2 apart does not.
    const std::vector<FrontMemberResult> front = Front({{"out_0", 1.0, 200.0},
                                                        {"out_1", 3.0, 100.0},
                                                        {"out_2", 3.0, 100.0},
                                                        {"out_3", 3.0, 100.5},
                                                        {"out_4", 3.0, 102.0}});
    const std::string svg = RenderFrontPlotSvg(front);
    ExpectWellFormed(svg);
    EXPECT_EQ(Count(svg, "<circle"), 5u);
    EXPECT_NE(svg.find("<text class=\"label\" x=\"116\" y=\"65\">1, 2, 3</text>"),
              std::string::npos);
    // Every place beside point 4 is taken: its label moves away on a leader line.
    EXPECT_NE(svg.find("<line class=\"leader\" x1=\"121.6\" y1=\"50\" x2=\"129.4805\" "
                       "y2=\"71.71639\"/><circle class=\"point\" cx=\"121.6\" cy=\"50\" r=\"4.5\"/>"
                       "<text class=\"label\" x=\"129.4805\" y=\"80.71639\">4</text>"),
              std::string::npos);
    EXPECT_EQ(Count(svg, "<text class=\"label\""), 3u);
    EXPECT_NE(svg.find("<title>image 3: xbIndex 3.000000, jm 100.500000</title>"),
              std::string::npos);
}

struct LabelBox {
    double left, top, right, bottom;
};

std::vector<LabelBox> LabelBoxes(const std::string& svg) {
    std::vector<LabelBox> boxes;
    const std::string start = "<text class=\"label\" x=\"";
    for (std::size_t at = svg.find(start); at != std::string::npos; at = svg.find(start, at + 1)) {
        const std::size_t xEnd = svg.find('"', at + start.size());
        const double x = std::stod(svg.substr(at + start.size(), xEnd - at - start.size()));
        const std::size_t yStart = xEnd + 5;  // past `" y="`
        const double y = std::stod(svg.substr(yStart, svg.find('"', yStart) - yStart));
        const std::size_t textStart = svg.find('>', yStart) + 1;
        const std::string text = svg.substr(textStart, svg.find('<', textStart) - textStart);
        boxes.push_back(
            {x, y - kLabelAscent, x + EstimatedTextWidth(text, 12.0), y + kLabelDescent});
    }
    return boxes;
}

TEST(FrontPlotSvgTest, CrowdedLabelsNeitherOverlapNorLeaveTheFrame) {
    // Twenty-eight points six pixels apart on a diagonal, two far away, long Jm tick labels.
    std::vector<FrontMemberResult> front;
    for (int j = 0; j < 30; ++j) {
        FrontMemberResult member;
        member.jm = j < 28 ? 5.5e7 - j * 2e5 : 4.0e7 - (j - 28) * 1e6;
        member.xbIndex = j < 28 ? 0.1 + 0.00375 * j : 0.3 + (j - 28) * 0.05;
        front.push_back(member);
    }
    const std::string svg = RenderFrontPlotSvg(front, 7);
    ExpectWellFormed(svg);
    // The last tick, "55000000", ends inside the picture's 720 pixels.
    EXPECT_NE(svg.find(">55000000</text>"), std::string::npos);
    EXPECT_NE(svg.find("<rect class=\"frame\" x=\"110\" y=\"50\" width=\"574\""),
              std::string::npos);
    const std::vector<LabelBox> boxes = LabelBoxes(svg);
    ASSERT_EQ(boxes.size(), 30u);
    for (std::size_t a = 0; a < boxes.size(); ++a) {
        EXPECT_GE(boxes[a].left, 110.0) << a;
        EXPECT_LE(boxes[a].right, 684.0) << a;
        EXPECT_GE(boxes[a].top, 50.0) << a;
        EXPECT_LE(boxes[a].bottom, 450.0) << a;
        for (std::size_t b = a + 1; b < boxes.size(); ++b) {
            const bool apart = boxes[a].right <= boxes[b].left || boxes[b].right <= boxes[a].left ||
                               boxes[a].bottom <= boxes[b].top || boxes[b].bottom <= boxes[a].top;
            EXPECT_TRUE(apart) << "labels " << a << " and " << b;
        }
    }
    EXPECT_GT(Count(svg, "<line class=\"leader\""), 0u);
    EXPECT_EQ(Count(svg, "<circle class=\"point recommended\""), 1u);
    EXPECT_NE(svg.find("jm 53600000.000000 (recommended)</title>"), std::string::npos);
}

TEST(FrontPlotSvgTest, ListsPointsWithObjectivesThatAreNotFinite) {
    const std::vector<FrontMemberResult> front =
        Front({{"out_0", kInf, 5.0}, {"out_1", kNaN, -kNaN}, {"out_2", 0.5, 2.0}});
    const std::string svg = RenderFrontPlotSvg(front);
    ExpectWellFormed(svg);
    EXPECT_EQ(Count(svg, "<circle"), 1u);
    EXPECT_NE(svg.find(">Not plotted (an objective is not a finite number): image 0: xbIndex inf, "
                       "jm 5.000000</text>"),
              std::string::npos);
    EXPECT_NE(svg.find("image 1: xbIndex nan, jm nan</text>"), std::string::npos);
    EXPECT_NE(svg.find(">2</text></g>"), std::string::npos);
    EXPECT_EQ(svg.find("cx=\"nan\""), std::string::npos);
    EXPECT_NE(svg.find("height=\"571\""), std::string::npos);  // two note lines
}

TEST(FrontPlotSvgTest, DrawsOnePointAndAnEmptyFront) {
    const std::vector<FrontMemberResult> one = Front({{"out_0", 10.0, 1000.0}});
    const std::string svg = RenderFrontPlotSvg(one);
    ExpectWellFormed(svg);
    EXPECT_EQ(Count(svg, "<circle"), 1u);
    // A single value sits in the middle of the range made around it.
    EXPECT_NE(svg.find("cx=\"400\" cy=\"250\""), std::string::npos);

    const std::string empty = RenderFrontPlotSvg({});
    ExpectWellFormed(empty);
    EXPECT_EQ(Count(empty, "<circle"), 0u);
    EXPECT_NE(empty.find(">The front is empty.</text>"), std::string::npos);
}

}  // namespace
}  // namespace tavorin
