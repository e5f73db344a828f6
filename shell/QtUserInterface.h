#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "platform/UserInterface.h"

class QWidget;

namespace tavorin::shell {

class CProgressDialog;

// The core's messages and progress windows shown by Qt. The core may call it from a worker
// thread: every call then reaches the user-interface thread as a queued call, so no widget is
// ever touched off that thread. Progress updates are coalesced: while one is still waiting to
// be shown, a newer state replaces it, so a fast stage cannot flood the event queue.
class QtUserInterface : public QObject, public platform::IUserInterface {
    Q_OBJECT

  public:
    // Installs itself as the core's user interface; message boxes and progress windows are
    // shown over `dialogParent`.
    explicit QtUserInterface(QWidget* dialogParent);
    ~QtUserInterface() override;

    void ShowMessage(const std::string& text, platform::MessageKind kind) override;
    std::unique_ptr<platform::IProgressView> OpenProgress(const std::string& stageText) override;

    // The progress windows open right now, oldest first (user-interface thread only).
    std::vector<CProgressDialog*> OpenProgressDialogs() const;

    // Called on the user-interface thread by the progress views.
    void OpenDialog(int id, const std::string& stageText);
    void UpdateDialog(int id, const platform::ProgressState& state);
    void CloseDialog(int id);

  private:
    QWidget* dialogParent_;
    std::map<int, std::unique_ptr<CProgressDialog>> dialogs_;
    std::atomic<int> nextDialogId_{0};
};

}  // namespace tavorin::shell
