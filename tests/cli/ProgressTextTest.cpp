#include "cli/ProgressText.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/UserInterface.h"

namespace tavorin::cli {
namespace {

using platform::ProgressState;

// Puts a ProgressText behind the core's progress windows, on a clock that advances one
// second a step, and keeps all it writes.
class TextInterface : public platform::IUserInterface {
  public:
    explicit TextInterface(ProgressStyle style, int columns = 80)
        : style_(style), columns_(columns) {}
    void ShowMessage(const std::string&, platform::MessageKind) override {}
    std::unique_ptr<platform::IProgressView> OpenProgress(const std::string&) override {
        return std::make_unique<View>(*this);
    }
    std::string written;
    std::int64_t now = 0;

  private:
    class View : public platform::IProgressView {
      public:
        explicit View(TextInterface& owner)
            : owner_(owner), text_(owner.style_, owner.now, owner.columns_) {}
        ~View() override { owner_.written += text_.Close(); }
        void Update(const ProgressState& state) override {
            owner_.written += text_.Update(state, owner_.now);
            if (!state.percentText.empty()) owner_.now += 1000;
        }
        void Finish(const ProgressState& state) override {
            owner_.written += text_.Finish(state, owner_.now);
        }

      private:
        TextInterface& owner_;
        ProgressText text_;
    };
    ProgressStyle style_;
    int columns_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// The three stages of a run as the search steps them: the initialisation over 0 to popSize + 1
// with popSize + 2 steps (the last starts the bar over), the generations over 0 to G + 2 with a
// step per generation and one more half-way, the output with one step per map.
void RunStages(platform::IUserInterface& ui, int popSize, int generations, int maps) {
    {
        platform::ProgressWindow initialisation(ui, "QUELDRA_initialization", 0, popSize + 1, 1);
        for (int i = 0; i < popSize + 2; ++i) initialisation.Step();
    }
    {
        platform::ProgressWindow loop(ui, "QUELDRA_GlobalandLocal", 0, generations + 2, 1);
        for (int g = 0; g < generations; ++g) {
            loop.Step();
            if (g == generations / 2) loop.Step();
        }
    }
    platform::ProgressWindow output(ui, "QUELDRA_output", 0, maps, 1);
    for (int i = 0; i < maps; ++i) output.Step();
}

TEST(ProgressTextTest, PlainLinesComeOncePerTenthInOrderAndEndAtOneHundred) {
    TextInterface ui(ProgressStyle::Lines);
    RunStages(ui, 30, 50, 30);
    const std::vector<std::string> lines = Lines(ui.written);
    EXPECT_EQ(lines.size(), 33u) << ui.written;
    EXPECT_EQ(lines.front(), "QUELDRA_initialization   3%  0:00 elapsed");
    EXPECT_EQ(lines[1], "QUELDRA_initialization  12%  0:03 elapsed, about 0:27 left");
    EXPECT_EQ(lines[10], "QUELDRA_initialization 100%  0:30 elapsed");
    EXPECT_EQ(lines[11], "QUELDRA_GlobalandLocal   1%  0:00 elapsed");
    // 51 steps over a range of 52 reach 98 %; the stage's end shows 100 %.
    EXPECT_EQ(lines[20], "QUELDRA_GlobalandLocal  90%  0:46 elapsed, about 0:05 left");
    EXPECT_EQ(lines[21], "QUELDRA_GlobalandLocal 100%  0:51 elapsed");
    EXPECT_EQ(lines.back(), "QUELDRA_output 100%  0:29 elapsed");
    for (const std::string stage : {"QUELDRA_initialization", "QUELDRA_GlobalandLocal"}) {
        int previous = -10;
        for (const std::string& line : lines) {
            if (line.rfind(stage, 0) != 0) continue;
            const int percent = std::stoi(line.substr(line.find(' ')));
            EXPECT_GT(percent / 10, previous / 10) << line;
            previous = percent;
        }
        EXPECT_EQ(previous, 100) << stage;
    }
}

TEST(ProgressTextTest, TinyStagesAndAStageThatFails) {
    TextInterface ui(ProgressStyle::Lines);
    { platform::ProgressWindow empty(ui, "QUELDRA_output", 0, 0, 1); }
    EXPECT_EQ(ui.written, "QUELDRA_output 100%  0:00 elapsed\n");
    ui.written.clear();
    try {
        platform::ProgressWindow failing(ui, "QUELDRA_GlobalandLocal", 0, 4, 1);
        failing.Step();
        throw std::runtime_error("interrupted");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ui.written, "QUELDRA_GlobalandLocal  25%  0:00 elapsed\n");
}

TEST(ProgressTextTest, RedrawnLineWipesWhatALongerLineLeftAndEndsAtOneHundred) {
    TextInterface ui(ProgressStyle::Redrawn);
    {
        platform::ProgressWindow window(ui, "S", 0, 4, 1);
        for (int i = 0; i < 5; ++i) window.Step();  // the fifth starts the bar over
    }
    EXPECT_EQ(ui.written,
              "\rS [####            ]  25%  0:00 elapsed"
              "\rS [########        ]  50%  0:01 elapsed, about 0:02 left"
              "\rS [############    ]  75%  0:02 elapsed, about 0:01 left"
              "\rS [################] 100%  0:03 elapsed                 "
              "\rS [################] 100%  0:04 elapsed"
              "\rS [################] 100%  0:05 elapsed\n");

    ui.written.clear();
    try {
        platform::ProgressWindow failing(ui, "S", 0, 2, 1);
        failing.Step();
        throw std::runtime_error("failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ui.written, "\rS [########        ]  50%  0:00 elapsed\n");
}

TEST(ProgressTextTest, AMessageInTheMiddleGetsALineOfItsOwn) {
    ProgressText text(ProgressStyle::Redrawn, 0);
    const ProgressState step{"S", 0, 2, 1, "50%"};
    EXPECT_EQ(text.Update(step, 0), "\rS [########        ]  50%  0:00 elapsed");
    EXPECT_EQ(text.Close(), "\n");
    EXPECT_EQ(text.Close(), "");
    EXPECT_EQ(text.Update(step, 0), "\rS [########        ]  50%  0:00 elapsed");
}

TEST(ProgressTextTest, RedrawnLineStaysNarrowerThanTheTerminal) {
    TextInterface ui(ProgressStyle::Redrawn, 30);
    { platform::ProgressWindow window(ui, "QUELDRA_GlobalandLocal", 0, 0, 1); }
    EXPECT_EQ(ui.written, "\rQUELDRA_GlobalandLocal [#####\n");
}

TEST(ProgressTextTest, DurationsReadLikeAClock) {
    EXPECT_EQ(DurationText(0), "0:00");
    EXPECT_EQ(DurationText(59999), "0:59");
    EXPECT_EQ(DurationText(754000), "12:34");
    EXPECT_EQ(DurationText(3723000), "1:02:03");
    EXPECT_EQ(DurationText(-5), "0:00");
}

}  // namespace
}  // namespace tavorin::cli
