#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/UserInterface.h"

namespace tavorin::cli {

class ProgressText;

// Messages and progress on the terminal: information on standard output, errors on standard
// error; each stage's progress on standard error, one line redrawn in place on a terminal and
// plain lines otherwise (scripts, logs; see ProgressText). Quiet, it shows errors only.
// Output that cannot be written (a closed pipe) is dropped: it never ends a run.
class TerminalUserInterface : public platform::IUserInterface {
  public:
    explicit TerminalUserInterface(bool quiet = false);  // installs itself
    ~TerminalUserInterface() override;

    void ShowMessage(const std::string& text, platform::MessageKind kind) override;
    void ShowNote(const std::string& text) override;
    std::unique_ptr<platform::IProgressView> OpenProgress(const std::string& stageText) override;

    // Writes `text` as it is to standard output, unless quiet.
    void Print(const std::string& text) const;
    bool quiet() const { return quiet_; }

    // The progress of the open stage, whose line a message must not run into; set by its view.
    void SetOpenProgress(ProgressText* progress) { openProgress_ = progress; }

  private:
    void EndProgressLine() const;

    bool quiet_;
    bool interactive_;
    ProgressText* openProgress_ = nullptr;
};

// Writes to a stream and flushes it; a failed write is forgotten so that later ones are tried.
void WriteAndFlush(std::FILE* stream, const std::string& text);

}  // namespace tavorin::cli
