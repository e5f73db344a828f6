#pragma once

#include <memory>
#include <string>

#include "platform/UserInterface.h"

namespace tavorin::cli {

// Messages and progress on the terminal: information on standard output, errors on standard
// error; a progress line with the stage text, a bar and the percentage, redrawn in place on a
// terminal and written as plain lines otherwise (scripts, logs).
class TerminalUserInterface : public platform::IUserInterface {
  public:
    TerminalUserInterface();  // installs itself
    ~TerminalUserInterface() override;

    void ShowMessage(const std::string& text, platform::MessageKind kind) override;
    std::unique_ptr<platform::IProgressView> OpenProgress(const std::string& stageText) override;

  private:
    bool interactive_;
};

}  // namespace tavorin::cli
