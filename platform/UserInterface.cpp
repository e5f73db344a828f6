#include "platform/UserInterface.h"

#include <cstdint>
#include <exception>

#include "platform/NumberText.h"

namespace tavorin::platform {
namespace {

class SilentProgressView final : public IProgressView {
  public:
    void Update(const ProgressState&) override {}
};

class SilentInterface final : public IUserInterface {
  public:
    void ShowMessage(const std::string&, MessageKind) override {}
    std::unique_ptr<IProgressView> OpenProgress(const std::string&) override {
        return std::make_unique<SilentProgressView>();
    }
};

SilentInterface silentInterface;
IUserInterface* installedUserInterface = &silentInterface;

}  // namespace

IUserInterface& SilentUserInterface() { return silentInterface; }

void SetUserInterface(IUserInterface* userInterface) {
    installedUserInterface = userInterface != nullptr ? userInterface : &silentInterface;
}

IUserInterface& CurrentUserInterface() { return *installedUserInterface; }

void ShowMessage(const std::string& text, MessageKind kind) {
    installedUserInterface->ShowMessage(text, kind);
}

int ProgressPercent(int lower, int upper, int position) {
    if (upper <= lower) return 100;
    const std::int64_t done = static_cast<std::int64_t>(position) - lower;
    return static_cast<int>(done * 100 / (static_cast<std::int64_t>(upper) - lower));
}

ProgressWindow::ProgressWindow(IUserInterface& userInterface, const std::string& stageText,
                               int lower, int upper, int step)
    : step_(step), uncaughtAtOpen_(std::uncaught_exceptions()) {
    state_.stageText = stageText;
    state_.lower = lower;
    state_.upper = upper;
    state_.position = lower;
    view_ = userInterface.OpenProgress(stageText);
    view_->Update(state_);
}

ProgressWindow::~ProgressWindow() {
    if (std::uncaught_exceptions() == uncaughtAtOpen_) view_->Finish(state_);
}

void ProgressWindow::Step() {
    if (state_.position == state_.upper) state_.position = state_.lower;
    const std::int64_t advanced = static_cast<std::int64_t>(state_.position) + step_;
    // Past the top the bar starts over from the bottom, as a stepped progress bar does.
    state_.position = advanced > state_.upper ? state_.lower : static_cast<int>(advanced);
    state_.percentText =
        formatInt(ProgressPercent(state_.lower, state_.upper, state_.position)) + "%";
    view_->Update(state_);
}

}  // namespace tavorin::platform
