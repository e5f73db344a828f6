#include "tests/shell/ShellTestSupport.h"

#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace tavorin::testing {

namespace {

// The application lives from before the first test to after the last, and is destroyed
// before the process exits, while the libraries it needs are still there.
class ApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { EnsureApplication(); }
    void TearDown() override { application().reset(); }

    static std::unique_ptr<QApplication>& application() {
        static std::unique_ptr<QApplication> instance;
        return instance;
    }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication>& application = ApplicationEnvironment::application();
    if (application) return;
    // Settings (the recent-file list) go to a test location, never the user's own, and one
    // of this process alone: a test that opens a run leaves no recent file to another.
    QStandardPaths::setTestModeEnabled(true);
    static QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
    application = std::make_unique<QApplication>(argc, argv);
}

MessageBoxRecorder::MessageBoxRecorder() {
    previous_ = shell::SetMessageBoxHandler(
        [this](QWidget*, const QString& text, platform::MessageKind kind) {
            boxes.push_back(
                {text, kind, QThread::currentThread() == QApplication::instance()->thread()});
        });
}

MessageBoxRecorder::~MessageBoxRecorder() { shell::SetMessageBoxHandler(std::move(previous_)); }

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

void OnNextModalDialog(std::function<void(QWidget* dialog)> action) {
    // Polls until the dialog's own event loop is running, then acts once.
    auto* timer = new QTimer();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action = std::move(action)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) return;
        timer->stop();
        timer->deleteLater();
        action(dialog);
    });
    timer->start();
}

}  // namespace tavorin::testing
