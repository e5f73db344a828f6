#include "cli/TerminalUserInterface.h"

#include <unistd.h>
#include <cstdio>

namespace tavorin::cli {
namespace {

constexpr int kBarWidth = 30;

class TerminalProgressView : public platform::IProgressView {
  public:
    explicit TerminalProgressView(bool interactive) : interactive_(interactive) {}

    ~TerminalProgressView() override {
        if (interactive_ && drawn_) std::fputc('\n', stderr);
    }

    void Update(const platform::ProgressState& state) override {
        if (state.percentText.empty()) return;  // the window has just opened
        const int percent = platform::ProgressPercent(state.lower, state.upper, state.position);
        if (!interactive_) {
            // Plain lines for logs: one per change of the percentage.
            if (percent == lastPercent_) return;
            lastPercent_ = percent;
            std::fprintf(stderr, "%s %s\n", state.stageText.c_str(), state.percentText.c_str());
            return;
        }
        const int filled = percent * kBarWidth / 100;
        std::string bar(static_cast<size_t>(kBarWidth), ' ');
        for (int i = 0; i < filled && i < kBarWidth; ++i) bar[static_cast<size_t>(i)] = '#';
        std::fprintf(stderr, "\r%s [%s] %s ", state.stageText.c_str(), bar.c_str(),
                     state.percentText.c_str());
        std::fflush(stderr);
        drawn_ = true;
    }

  private:
    bool interactive_;
    bool drawn_ = false;
    int lastPercent_ = -1;
};

}  // namespace

TerminalUserInterface::TerminalUserInterface() : interactive_(::isatty(STDERR_FILENO) == 1) {
    platform::SetUserInterface(this);
}

TerminalUserInterface::~TerminalUserInterface() { platform::SetUserInterface(nullptr); }

void TerminalUserInterface::ShowMessage(const std::string& text, platform::MessageKind kind) {
    std::FILE* stream = kind == platform::MessageKind::Error ? stderr : stdout;
    std::fprintf(stream, "%s\n", text.c_str());
    std::fflush(stream);
}

std::unique_ptr<platform::IProgressView> TerminalUserInterface::OpenProgress(const std::string&) {
    return std::make_unique<TerminalProgressView>(interactive_);
}

}  // namespace tavorin::cli
