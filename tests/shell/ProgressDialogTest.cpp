#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "platform/UserInterface.h"
#include "shell/CProgressDialog.h"
#include "shell/QtUserInterface.h"
#include "tests/shell/ShellTestSupport.h"

namespace tavorin::shell {
namespace {

using testing::EnsureApplication;
using testing::MessageBoxRecorder;
using testing::ProcessEventsUntil;

class ProgressDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureApplication(); }
    QWidget parent_;  // the application exists before any test object is built
};

TEST_F(ProgressDialogTest, CaptionStageLabelAndEmptyPercentageWhenOpened) {
    QtUserInterface userInterface(&parent_);
    platform::ProgressWindow window(userInterface, "QUELDRA_output", 0, 7, 1);
    const std::vector<CProgressDialog*> open = userInterface.OpenProgressDialogs();
    ASSERT_EQ(open.size(), 1u);
    CProgressDialog* dialog = open[0];
    EXPECT_EQ(dialog->windowTitle().toStdString(), "QUELDRA");
    EXPECT_EQ(dialog->stageText().toStdString(), "QUELDRA_output");
    EXPECT_EQ(dialog->percentText().toStdString(), "");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->barMinimum(), 0);
    EXPECT_EQ(dialog->barMaximum(), 7);
    EXPECT_EQ(dialog->barValue(), 0);
    std::vector<std::string> labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels.push_back(label->text().toStdString());
    EXPECT_EQ(labels, (std::vector<std::string>{"Stage:", "QUELDRA_output"}));
}

TEST_F(ProgressDialogTest, PercentagesOfARangeOfThreeAndTheRestartPastTheEnd) {
    QtUserInterface userInterface(&parent_);
    platform::ProgressWindow window(userInterface, "QUELDRA_initialization", 0, 3, 1);
    CProgressDialog* dialog = userInterface.OpenProgressDialogs().at(0);
    std::vector<std::string> shown;
    std::vector<int> positions;
    for (int step = 0; step < 5; ++step) {
        window.Step();
        shown.push_back(dialog->percentText().toStdString());
        positions.push_back(dialog->barValue());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"33%", "66%", "100%", "33%", "66%"}));
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 1, 2}));
}

TEST_F(ProgressDialogTest, RangeOfThirtyOneShowsThreePercentThenHundredThenRestarts) {
    QtUserInterface userInterface(&parent_);
    platform::ProgressWindow window(userInterface, "QUELDRA_GlobalandLocal", 0, 31, 1);
    CProgressDialog* dialog = userInterface.OpenProgressDialogs().at(0);
    window.Step();
    EXPECT_EQ(dialog->percentText().toStdString(), "3%");
    for (int step = 1; step < 31; ++step) window.Step();
    EXPECT_EQ(dialog->percentText().toStdString(), "100%");
    window.Step();
    EXPECT_EQ(dialog->percentText().toStdString(), "3%");
}

TEST_F(ProgressDialogTest, AnEmptyRangeShowsAFullBarAndHundredPercent) {
    QtUserInterface userInterface(&parent_);
    platform::ProgressWindow window(userInterface, "QUELDRA_output", 0, 0, 1);
    CProgressDialog* dialog = userInterface.OpenProgressDialogs().at(0);
    window.Step();
    EXPECT_EQ(dialog->percentText().toStdString(), "100%");
    EXPECT_EQ(dialog->barValue(), dialog->barMaximum());
}

TEST_F(ProgressDialogTest, TheWindowClosesWithItsStage) {
    QtUserInterface userInterface(&parent_);
    {
        platform::ProgressWindow first(userInterface, "QUELDRA_initialization", 0, 3, 1);
        EXPECT_EQ(userInterface.OpenProgressDialogs().size(), 1u);
    }
    EXPECT_TRUE(userInterface.OpenProgressDialogs().empty());
}

TEST_F(ProgressDialogTest, AWorkerReachesTheWindowOnlyThroughTheEventQueue) {
    QtUserInterface userInterface(&parent_);
    std::unique_ptr<platform::ProgressWindow> window;
    std::thread worker([&] {
        window = std::make_unique<platform::ProgressWindow>(userInterface, "QUELDRA_GlobalandLocal",
                                                            0, 1000, 1);
        for (int step = 0; step < 637; ++step) window->Step();
    });
    worker.join();
    // Nothing was created or changed on the worker: the window appears once the
    // user-interface thread handles its events, and shows the latest state.
    EXPECT_TRUE(userInterface.OpenProgressDialogs().empty());
    ASSERT_TRUE(ProcessEventsUntil([&] {
        const auto open = userInterface.OpenProgressDialogs();
        return !open.empty() && open[0]->percentText() == QStringLiteral("63%");
    }));
    CProgressDialog* dialog = userInterface.OpenProgressDialogs().at(0);
    EXPECT_EQ(dialog->barValue(), 637);
    EXPECT_EQ(dialog->stageText().toStdString(), "QUELDRA_GlobalandLocal");

    std::thread closer([&] { window.reset(); });
    closer.join();
    EXPECT_EQ(userInterface.OpenProgressDialogs().size(), 1u);
    ASSERT_TRUE(ProcessEventsUntil([&] { return userInterface.OpenProgressDialogs().empty(); }));
}

TEST_F(ProgressDialogTest, WorkerMessagesAreShownInOrderOnTheUserInterfaceThread) {
    MessageBoxRecorder recorder;
    QtUserInterface userInterface(&parent_);
    std::thread worker([] {
        platform::ShowMessage("wrong LS_num!", platform::MessageKind::Error);
        platform::ShowMessage("Finish", platform::MessageKind::Information);
    });
    worker.join();
    EXPECT_TRUE(recorder.boxes.empty());
    ASSERT_TRUE(ProcessEventsUntil([&] { return recorder.boxes.size() == 2; }));
    EXPECT_EQ(recorder.boxes[0].text.toStdString(), "wrong LS_num!");
    EXPECT_EQ(recorder.boxes[1].text.toStdString(), "Finish");
    EXPECT_EQ(recorder.boxes[1].kind, platform::MessageKind::Information);
    EXPECT_TRUE(recorder.boxes[0].onUserInterfaceThread);
    EXPECT_TRUE(recorder.boxes[1].onUserInterfaceThread);
}

TEST_F(ProgressDialogTest, TheInterfaceUninstallsItselfWhenDestroyed) {
    {
        QtUserInterface userInterface(&parent_);
        EXPECT_EQ(&platform::CurrentUserInterface(), &userInterface);
    }
    EXPECT_EQ(dynamic_cast<QtUserInterface*>(&platform::CurrentUserInterface()), nullptr);
}

}  // namespace
}  // namespace tavorin::shell
