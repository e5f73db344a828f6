#include "cli/TerminalUserInterface.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "cli/ProgressText.h"
#include "platform/Clock.h"

namespace tavorin::cli {
namespace {

constexpr int kDefaultColumns = 80;

int TerminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

class TerminalProgressView : public platform::IProgressView {
  public:
    TerminalProgressView(TerminalUserInterface& owner, bool interactive)
        : owner_(owner),
          text_(interactive ? ProgressStyle::Redrawn : ProgressStyle::Lines,
                platform::tickMilliseconds(), interactive ? TerminalColumns() : kDefaultColumns) {
        owner_.SetOpenProgress(&text_);
    }

    ~TerminalProgressView() override {
        owner_.SetOpenProgress(nullptr);
        Write(text_.Close());
    }

    void Update(const platform::ProgressState& state) override {
        Write(text_.Update(state, platform::tickMilliseconds()));
    }

    void Finish(const platform::ProgressState& state) override {
        Write(text_.Finish(state, platform::tickMilliseconds()));
    }

  private:
    static void Write(const std::string& text) {
        if (!text.empty()) WriteAndFlush(stderr, text);
    }

    TerminalUserInterface& owner_;
    ProgressText text_;
};

class QuietProgressView : public platform::IProgressView {
  public:
    void Update(const platform::ProgressState&) override {}
};

}  // namespace

void WriteAndFlush(std::FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
    std::clearerr(stream);
}

TerminalUserInterface::TerminalUserInterface(bool quiet)
    : quiet_(quiet), interactive_(::isatty(STDERR_FILENO) == 1) {
    platform::SetUserInterface(this);
}

TerminalUserInterface::~TerminalUserInterface() { platform::SetUserInterface(nullptr); }

void TerminalUserInterface::EndProgressLine() const {
    if (openProgress_ == nullptr) return;
    const std::string text = openProgress_->Close();
    if (!text.empty()) WriteAndFlush(stderr, text);
}

void TerminalUserInterface::ShowMessage(const std::string& text, platform::MessageKind kind) {
    if (kind == platform::MessageKind::Error) {
        EndProgressLine();
        WriteAndFlush(stderr, text + "\n");
    } else {
        Print(text + "\n");
    }
}

void TerminalUserInterface::ShowNote(const std::string& text) { Print(text + "\n"); }

void TerminalUserInterface::Print(const std::string& text) const {
    if (quiet_) return;
    EndProgressLine();
    WriteAndFlush(stdout, text);
}

std::unique_ptr<platform::IProgressView> TerminalUserInterface::OpenProgress(const std::string&) {
    if (quiet_) return std::make_unique<QuietProgressView>();
    return std::make_unique<TerminalProgressView>(*this, interactive_);
}

}  // namespace tavorin::cli
