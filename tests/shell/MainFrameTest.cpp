#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "platform/ThreadCount.h"
#include "platform/UserError.h"
#include "shell/CMainFrame.h"
#include "shell/CParameterDialog.h"
#include "shell/CTAVORINDoc.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/TestSupport.h"

namespace tavorin::shell {
namespace {

using testing::EnsureApplication;
using testing::MessageBoxRecorder;
using testing::OnNextModalDialog;
using testing::ProcessEventsUntil;

// Counts the commands the menu started, instead of running them.
struct CommandLog {
    std::atomic<int> classifyRuns{0};
    std::atomic<int> fcmRuns{0};
    std::optional<RunParameters> parameters;
    std::optional<RunOptions> options;

    ShellCommands Commands() {
        ShellCommands commands;
        commands.classify = [this](const RunParameters& p, const RunOptions& o) {
            parameters = p;
            options = o;
            ++classifyRuns;
            return false;
        };
        commands.runFcm = [this] { ++fcmRuns; };
        return commands;
    }
};

QMenu* MenuNamed(const CMainFrame& frame, const QString& title) {
    for (QAction* action : frame.menuBar()->actions())
        if (action->text() == title) return action->menu();
    return nullptr;
}

// The captions of a menu, "-" for a separator, visible entries only.
std::vector<std::string> Captions(const QMenu* menu) {
    std::vector<std::string> captions;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible()) continue;
        captions.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    }
    return captions;
}

QAction* ActionCaptioned(const QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->text() == caption) return action;
    return nullptr;
}

class MainFrameTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureApplication(); }
};

TEST_F(MainFrameTest, CaptionIsQueldraWithThreeSpacesAndStaysAfterFileNew) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    EXPECT_EQ(frame.windowTitle().toStdString(), "   QUELDRA   ");
    frame.setWindowTitle(QStringLiteral("something else"));
    frame.OnFileNew();
    EXPECT_EQ(frame.windowTitle().toStdString(), "   QUELDRA   ");
    EXPECT_TRUE(frame.document().pathName().isEmpty());
}

TEST_F(MainFrameTest, MenusHaveTheCaptionsInOrder) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    std::vector<std::string> titles;
    for (const QAction* action : frame.menuBar()->actions())
        titles.push_back(action->text().toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{"File(&F)", "Edit(&E)", "View(&V)", "Help(&H)",
                                                "unsupervised classification"}));

    EXPECT_EQ(
        Captions(MenuNamed(frame, QStringLiteral("File(&F)"))),
        (std::vector<std::string>{"New", "Open", "Save", "Save As", "-", "Print", "Print View",
                                  "Print Setup", "-", "Recent Files", "-", "Exit"}));
    EXPECT_EQ(Captions(MenuNamed(frame, QStringLiteral("Edit(&E)"))),
              (std::vector<std::string>{"Undo", "-", "Cut", "Copy", "Paste"}));
    EXPECT_EQ(Captions(MenuNamed(frame, QStringLiteral("View(&V)"))),
              (std::vector<std::string>{"Tools(&T)", "State", "-", "Fit Map to Window",
                                        "Export Map as GeoTIFF...", "Export Map as PNG..."}));
    EXPECT_EQ(Captions(MenuNamed(frame, QStringLiteral("Help(&H)"))),
              (std::vector<std::string>{"About TAVORIN(&A)..."}));
    EXPECT_EQ(Captions(MenuNamed(frame, QStringLiteral("unsupervised classification"))),
              (std::vector<std::string>{"QUELDRA", ""}));
}

TEST_F(MainFrameTest, EditCommandsAreDisabledAndRecentFilesEmptyIsDisabled) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    const QMenu* edit = MenuNamed(frame, QStringLiteral("Edit(&E)"));
    for (const char* caption : {"Undo", "Cut", "Copy", "Paste"}) {
        const QAction* action = ActionCaptioned(edit, QString::fromLatin1(caption));
        ASSERT_NE(action, nullptr) << caption;
        EXPECT_FALSE(action->isEnabled()) << caption;
    }
    const QMenu* file = MenuNamed(frame, QStringLiteral("File(&F)"));
    const QAction* recent = ActionCaptioned(file, QStringLiteral("Recent Files"));
    ASSERT_NE(recent, nullptr);
    EXPECT_FALSE(recent->isEnabled());
}

TEST_F(MainFrameTest, ShortcutsPromptsAndToolTips) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    const QMenu* file = MenuNamed(frame, QStringLiteral("File(&F)"));
    const QMenu* edit = MenuNamed(frame, QStringLiteral("Edit(&E)"));
    const QAction* newAction = ActionCaptioned(file, QStringLiteral("New"));
    EXPECT_EQ(newAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(newAction->statusTip().toStdString(), "建立新文档");
    EXPECT_EQ(newAction->toolTip().toStdString(), "新建");
    EXPECT_EQ(ActionCaptioned(file, QStringLiteral("Open"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(ActionCaptioned(file, QStringLiteral("Save"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(ActionCaptioned(file, QStringLiteral("Print"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(ActionCaptioned(file, QStringLiteral("Exit"))->statusTip().toStdString(),
              "退出应用程序；提示保存文档");
    EXPECT_EQ(ActionCaptioned(file, QStringLiteral("Print View"))->toolTip().toStdString(),
              "打印预览");

    const QAction* cut = ActionCaptioned(edit, QStringLiteral("Cut"));
    EXPECT_EQ(cut->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+X")),
                                                     QKeySequence(QStringLiteral("Shift+Del"))}));
    EXPECT_EQ(cut->statusTip().toStdString(), "剪切被选对象并将其置于剪贴板上");
    const QAction* undo = ActionCaptioned(edit, QStringLiteral("Undo"));
    EXPECT_EQ(undo->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z")),
                                   QKeySequence(QStringLiteral("Alt+Backspace"))}));

    const QMenu* help = MenuNamed(frame, QStringLiteral("Help(&H)"));
    const QAction* about = ActionCaptioned(help, QStringLiteral("About TAVORIN(&A)..."));
    EXPECT_EQ(about->statusTip().toStdString(), "显示程序信息，版本号和版权");
    EXPECT_EQ(about->toolTip().toStdString(), "关于");

    // The two commands of the classification menu have no prompt.
    EXPECT_TRUE(frame.classifyAction()->statusTip().isEmpty());
    EXPECT_TRUE(frame.runFcmAction()->statusTip().isEmpty());

    // F6 and Shift+F6 exist with their prompts and do nothing.
    std::vector<std::string> paneTips;
    for (const QAction* action : frame.actions())
        if (action->shortcut() == QKeySequence(Qt::Key_F6) ||
            action->shortcut() == QKeySequence(Qt::SHIFT | Qt::Key_F6))
            paneTips.push_back(action->statusTip().toStdString());
    EXPECT_EQ(paneTips, (std::vector<std::string>{"切换到下一个窗格", "切换回前一个窗格"}));
}

TEST_F(MainFrameTest, ToolBarButtonsInOrderAndViewTogglesHideBars) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    std::vector<std::string> buttons;
    for (const QAction* action : frame.toolBar()->actions())
        buttons.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    EXPECT_EQ(buttons, (std::vector<std::string>{"New", "Open", "Save", "-", "Cut", "Copy", "Paste",
                                                 "-", "Print", "-", "About TAVORIN(&A)..."}));

    frame.show();
    const QMenu* view = MenuNamed(frame, QStringLiteral("View(&V)"));
    QAction* tools = ActionCaptioned(view, QStringLiteral("Tools(&T)"));
    QAction* state = ActionCaptioned(view, QStringLiteral("State"));
    EXPECT_TRUE(tools->isChecked());
    EXPECT_TRUE(state->isChecked());
    tools->trigger();
    EXPECT_FALSE(frame.toolBar()->isVisible());
    state->trigger();
    EXPECT_FALSE(frame.statusBar()->isVisible());
    tools->trigger();
    state->trigger();
    EXPECT_TRUE(frame.toolBar()->isVisible());
    EXPECT_TRUE(frame.statusBar()->isVisible());
}

TEST_F(MainFrameTest, StatusBarShowsIdleTextAndTheThreeIndicators) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    std::vector<std::string> texts;
    for (const QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        texts.push_back(label->text().toStdString());
    EXPECT_EQ(texts, (std::vector<std::string>{"就绪", "大写", "数字", "滚动"}));
}

TEST_F(MainFrameTest, EmptyCaptionItemRunsTheFuzzyCMeansNotTheClassification) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    const QMenu* menu = MenuNamed(frame, QStringLiteral("unsupervised classification"));
    QAction* empty = ActionCaptioned(menu, QString());
    ASSERT_EQ(empty, frame.runFcmAction());
    empty->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !frame.IsCommandRunning(); }));
    EXPECT_EQ(log.fcmRuns, 1);
    EXPECT_EQ(log.classifyRuns, 0);
}

TEST_F(MainFrameTest, CancelOnTheParameterDialogRunsNothing) {
    CommandLog log;
    CMainFrame frame(log.Commands());
    bool sawDialog = false;
    OnNextModalDialog([&](QWidget* dialog) {
        sawDialog = qobject_cast<CParameterDialog*>(dialog) != nullptr;
        static_cast<QDialog*>(dialog)->reject();
    });
    frame.classifyAction()->trigger();
    EXPECT_TRUE(sawDialog);
    EXPECT_FALSE(frame.IsCommandRunning());
    QApplication::processEvents();
    EXPECT_EQ(log.classifyRuns, 0);
    EXPECT_EQ(log.fcmRuns, 0);
}

TEST_F(MainFrameTest, OkWithDefaultsRunsTheClassificationWithSeedAndAllCores) {
    CommandLog log;
    RunOptions options;
    options.seed = 77;
    CMainFrame frame(log.Commands(), options);
    OnNextModalDialog([](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    frame.classifyAction()->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !frame.IsCommandRunning(); }));
    ASSERT_EQ(log.classifyRuns, 1);
    EXPECT_EQ(log.fcmRuns, 0);
    EXPECT_EQ(log.parameters->inputPath, "D:\\InputFile");
    EXPECT_EQ(log.parameters->outputPath, "D:\\OutputFile");
    EXPECT_EQ(log.parameters->clusterNumber, 5);
    EXPECT_EQ(log.parameters->popSize, 30);
    EXPECT_EQ(log.parameters->iGenerations, 50);
    EXPECT_EQ(log.parameters->FLS, 0.5);
    EXPECT_EQ(log.parameters->GLS_delta, (std::array<double, 4>{0.01, 0.1, 1.0, 10.0}));
    ASSERT_TRUE(log.options->seed.has_value());
    EXPECT_EQ(*log.options->seed, 77u);
    EXPECT_EQ(log.options->threads, platform::DefaultThreadCount());
}

TEST_F(MainFrameTest, BothCommandsAreDisabledWhileOneRuns) {
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<bool> started{false};
    ShellCommands commands;
    commands.classify = [](const RunParameters&, const RunOptions&) { return false; };
    commands.runFcm = [&] {
        started = true;
        std::unique_lock lock(mutex);
        released.wait(lock, [&] { return release; });
    };
    CMainFrame frame(commands);
    frame.runFcmAction()->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return started.load(); }));
    EXPECT_TRUE(frame.IsCommandRunning());
    EXPECT_FALSE(frame.classifyAction()->isEnabled());
    EXPECT_FALSE(frame.runFcmAction()->isEnabled());
    // The window is not frozen: events are processed while the command runs.
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    EXPECT_TRUE(ProcessEventsUntil([&] { return timerFired; }));
    // A command cannot be interrupted, so the window refuses to close meanwhile.
    frame.show();
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !frame.IsCommandRunning(); }));
    EXPECT_TRUE(frame.classifyAction()->isEnabled());
    EXPECT_TRUE(frame.runFcmAction()->isEnabled());
}

TEST_F(MainFrameTest, AFailingCommandShowsItsMessageOnTheUserInterfaceThread) {
    MessageBoxRecorder recorder;
    ShellCommands commands;
    commands.classify = [](const RunParameters&, const RunOptions&) { return false; };
    commands.runFcm = [] { throw UserError("Please generate the file header using ENVI！"); };
    CMainFrame frame(commands);
    frame.runFcmAction()->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !frame.IsCommandRunning(); }));
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text.toStdString(), "Please generate the file header using ENVI！");
    EXPECT_EQ(recorder.boxes[0].kind, platform::MessageKind::Error);
    EXPECT_TRUE(recorder.boxes[0].onUserInterfaceThread);
}

TEST_F(MainFrameTest, TheRealFuzzyCMeansItemWritesItsFilesIntoTheCurrentFolder) {
    testing::TempDir folder(true);
    MessageBoxRecorder recorder;
    CMainFrame frame;
    frame.runFcmAction()->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !frame.IsCommandRunning(); }));
    for (const MessageBoxRecorder::Box& box : recorder.boxes)
        ADD_FAILURE() << "unexpected message: " << box.text.toStdString();
    const std::string centres = testing::ReadFileBytes(folder.file("cencer_output.txt"));
    EXPECT_EQ(centres, testing::ReadFileBytes(folder.file("cencer_output_runfcm.txt")));
    EXPECT_EQ(centres.substr(0, 2), "\r\n");
    // 100 x 100 pixels, one label byte each.
    EXPECT_EQ(testing::ReadFileBytes(folder.file("small_result")).size(), 10000u);
    EXPECT_FALSE(testing::ReadFileBytes(folder.file("small_result.hdr")).empty());
}

TEST(DocumentTest, SaveWritesAnEmptyFileThatOpenReadsBack) {
    testing::TempDir folder;
    const QString path = QString::fromStdString(folder.file("document.tav"));
    CTAVORINDoc document;
    testing::WriteFileBytes(path.toStdString(), "old content");
    ASSERT_TRUE(document.OnSaveDocument(path));
    EXPECT_EQ(testing::ReadFileBytes(path.toStdString()), "");
    EXPECT_EQ(document.pathName(), path);

    CTAVORINDoc reopened;
    EXPECT_TRUE(reopened.OnOpenDocument(path));
    EXPECT_EQ(reopened.pathName(), path);
    reopened.OnNewDocument();
    EXPECT_TRUE(reopened.pathName().isEmpty());

    EXPECT_FALSE(reopened.OnOpenDocument(QString::fromStdString(folder.file("missing"))));
    EXPECT_FALSE(document.OnSaveDocument(QString::fromStdString(folder.file("no/such/dir/x"))));
    EXPECT_EQ(document.pathName(), path);
}

}  // namespace
}  // namespace tavorin::shell
