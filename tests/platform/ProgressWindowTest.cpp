#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/UserInterface.h"
#include "tests/support/TestSupport.h"

namespace tavorin::platform {
namespace {

std::vector<std::string> StepTexts(int lower, int upper, int steps) {
    testing::RecordingUserInterface ui;
    ProgressWindow window(ui, "stage", lower, upper, 1);
    for (int i = 0; i < steps; ++i) window.Step();
    std::vector<std::string> texts;
    for (size_t i = 1; i < ui.progressUpdates.size(); ++i) {
        texts.push_back(ui.progressUpdates[i].percentText);
    }
    return texts;
}

TEST(ProgressWindowTest, ThreeStepsOverZeroToThree) {
    EXPECT_EQ(StepTexts(0, 3, 3), (std::vector<std::string>{"33%", "66%", "100%"}));
}

TEST(ProgressWindowTest, AStepAtTheTopStartsOver) {
    const auto texts = StepTexts(0, 31, 32);
    EXPECT_EQ(texts.front(), "3%");
    EXPECT_EQ(texts[30], "100%");
    EXPECT_EQ(texts[31], "3%");
}

TEST(ProgressWindowTest, OpensWithTheStageAtTheLowerEnd) {
    testing::RecordingUserInterface ui;
    ProgressWindow window(ui, "QUELDRA_output", 0, 4, 1);
    ASSERT_EQ(ui.openedStages, std::vector<std::string>{"QUELDRA_output"});
    ASSERT_EQ(ui.progressUpdates.size(), 1u);
    EXPECT_EQ(ui.progressUpdates[0].position, 0);
    EXPECT_EQ(ui.progressUpdates[0].percentText, "");
}

TEST(ProgressWindowTest, EmptyRangeShowsOneHundredInsteadOfDividingByZero) {
    EXPECT_EQ(ProgressPercent(0, 0, 0), 100);
    EXPECT_EQ(ProgressPercent(5, 2, 3), 100);
    EXPECT_EQ(StepTexts(0, 0, 2), (std::vector<std::string>{"100%", "100%"}));
}

TEST(ProgressWindowTest, WideRangesDoNotOverflow) {
    EXPECT_EQ(ProgressPercent(0, 1000002, 500000), 49);
    EXPECT_EQ(ProgressPercent(0, 2147483647, 2147483647), 100);
}

}  // namespace
}  // namespace tavorin::platform
