#include "shell/QtUserInterface.h"

#include <mutex>
#include <utility>

#include <QMetaObject>
#include <QString>
#include <QWidget>

#include "shell/CProgressDialog.h"
#include "shell/MessageBoxes.h"

namespace tavorin::shell {
namespace {

// The newest state of one progress window that has not been shown yet.
struct PendingProgress {
    std::mutex mutex;
    platform::ProgressState latest;
    bool posted = false;
};

// The core's side of one progress window: forwards to the user-interface thread (directly
// when already on it, queued otherwise).
class ForwardingProgressView final : public platform::IProgressView {
  public:
    ForwardingProgressView(QtUserInterface* userInterface, int id)
        : userInterface_(userInterface), id_(id), pending_(std::make_shared<PendingProgress>()) {}

    ~ForwardingProgressView() override {
        QtUserInterface* userInterface = userInterface_;
        const int id = id_;
        QMetaObject::invokeMethod(
            userInterface, [userInterface, id] { userInterface->CloseDialog(id); },
            Qt::AutoConnection);
    }

    void Update(const platform::ProgressState& state) override {
        {
            std::lock_guard lock(pending_->mutex);
            pending_->latest = state;
            if (pending_->posted) return;
            pending_->posted = true;
        }
        QtUserInterface* userInterface = userInterface_;
        const int id = id_;
        std::shared_ptr<PendingProgress> pending = pending_;
        QMetaObject::invokeMethod(
            userInterface,
            [userInterface, id, pending] {
                platform::ProgressState latest;
                {
                    std::lock_guard lock(pending->mutex);
                    latest = pending->latest;
                    pending->posted = false;
                }
                userInterface->UpdateDialog(id, latest);
            },
            Qt::AutoConnection);
    }

  private:
    QtUserInterface* userInterface_;
    int id_;
    std::shared_ptr<PendingProgress> pending_;
};

}  // namespace

QtUserInterface::QtUserInterface(QWidget* dialogParent) : dialogParent_(dialogParent) {
    platform::SetUserInterface(this);
}

QtUserInterface::~QtUserInterface() {
    if (&platform::CurrentUserInterface() == this) platform::SetUserInterface(nullptr);
}

void QtUserInterface::ShowMessage(const std::string& text, platform::MessageKind kind) {
    const QString message = QString::fromStdString(text);
    QWidget* parent = dialogParent_;
    QMetaObject::invokeMethod(
        this, [parent, message, kind] { ShowMessageBox(parent, message, kind); },
        Qt::AutoConnection);
}

std::unique_ptr<platform::IProgressView> QtUserInterface::OpenProgress(
    const std::string& stageText) {
    const int id = nextDialogId_.fetch_add(1);
    QMetaObject::invokeMethod(
        this, [this, id, stageText] { OpenDialog(id, stageText); }, Qt::AutoConnection);
    return std::make_unique<ForwardingProgressView>(this, id);
}

std::vector<CProgressDialog*> QtUserInterface::OpenProgressDialogs() const {
    std::vector<CProgressDialog*> open;
    for (const auto& entry : dialogs_) open.push_back(entry.second.get());
    return open;
}

void QtUserInterface::OpenDialog(int id, const std::string& stageText) {
    auto dialog = std::make_unique<CProgressDialog>(stageText, dialogParent_);
    dialog->show();
    dialogs_[id] = std::move(dialog);
}

void QtUserInterface::UpdateDialog(int id, const platform::ProgressState& state) {
    const auto found = dialogs_.find(id);
    if (found == dialogs_.end()) return;
    found->second->Update(state);
    // The window repaints at once, as the original did at every step.
    found->second->repaint();
}

void QtUserInterface::CloseDialog(int id) { dialogs_.erase(id); }

}  // namespace tavorin::shell
