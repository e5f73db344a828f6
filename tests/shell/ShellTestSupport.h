#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "platform/UserInterface.h"
#include "shell/MessageBoxes.h"

class QWidget;

namespace tavorin::testing {

// The one QApplication of a test process (offscreen platform), created on first use.
void EnsureApplication();

// Records every message box instead of showing it, for as long as it lives.
class MessageBoxRecorder {
  public:
    struct Box {
        QString text;
        platform::MessageKind kind;
        bool onUserInterfaceThread;
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<Box> boxes;

  private:
    shell::MessageBoxHandler previous_;
};

// Processes events until `done` holds or `timeout` passes; the final value of `done`.
bool ProcessEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Runs `action` on the modal dialog that the next call opens (found once the event loop of
// that dialog runs), so a test can drive a dialog shown by exec().
void OnNextModalDialog(std::function<void(QWidget* dialog)> action);

}  // namespace tavorin::testing
