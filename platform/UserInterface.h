#pragma once

#include <memory>
#include <string>

// The user-facing services the core calls: message boxes and the progress windows of the
// long stages. The core talks to the interface below; each front end installs its own
// implementation (terminal, Qt, or a recording one in the tests).
namespace tavorin::platform {

// The caption of every message box.
inline constexpr const char* kApplicationName = "TAVORIN";

enum class MessageKind { Information, Error };

// What a progress window shows after a step.
struct ProgressState {
    std::string stageText;
    int lower = 0;
    int upper = 0;
    int position = 0;
    std::string percentText;  // "37%", or empty before the first step
};

// One open progress window of a front end.
class IProgressView {
  public:
    virtual ~IProgressView() = default;
    // Repaints the window with `state`; called once when the window opens and after every step.
    virtual void Update(const ProgressState& state) = 0;
    // Called once, with the last state, when the stage's window closes because its work is done
    // (not when an error or an interruption ends the stage). A window shows nothing more.
    virtual void Finish(const ProgressState& /*state*/) {}
};

class IUserInterface {
  public:
    virtual ~IUserInterface() = default;
    // A message box with caption "TAVORIN" and an OK button.
    virtual void ShowMessage(const std::string& text, MessageKind kind) = 0;
    // A line of information that asks for no answer: a terminal prints it, a window that shows
    // the same thing in its own way (the results view) leaves it out.
    virtual void ShowNote(const std::string& /*text*/) {}
    // Opens a progress window (caption "QUELDRA") for one stage; it closes when destroyed.
    virtual std::unique_ptr<IProgressView> OpenProgress(const std::string& stageText) = 0;
};

// An interface that shows nothing: the default of a run that nobody watches.
IUserInterface& SilentUserInterface();

// Installs the front end's implementation, the one its commands hand to the runs they start;
// nullptr installs the silent one. Not owned. The core itself never reads it: every run is
// given its interface.
void SetUserInterface(IUserInterface* userInterface);
IUserInterface& CurrentUserInterface();

// Shows `text` through the installed front end.
void ShowMessage(const std::string& text, MessageKind kind = MessageKind::Error);

// The integer percentage of a bar at `position` in [lower, upper]: (position - lower) * 100
// / (upper - lower), truncated; a range whose upper end is not above its lower end shows 100.
int ProgressPercent(int lower, int upper, int position);

// The progress window of one long stage: its range, step and position, stepped exactly as
// the bar of the original program (a step taken at the top of the range starts over).
class ProgressWindow {
  public:
    ProgressWindow(IUserInterface& userInterface, const std::string& stageText, int lower,
                   int upper, int step);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Advances the bar by one step and repaints the window.
    void Step();
    const ProgressState& state() const { return state_; }

  private:
    ProgressState state_;
    int step_;
    // Exceptions in flight when the window opened: more of them at its close mean that the
    // stage ends by an error, not by its work being done.
    int uncaughtAtOpen_;
    std::unique_ptr<IProgressView> view_;
};

}  // namespace tavorin::platform
