#pragma once

#include <cstdint>
#include <string>

#include "platform/UserInterface.h"

namespace tavorin::cli {

// How the terminal shows a stage's progress: one line redrawn in place on a terminal, or plain
// lines for logs and pipes.
enum class ProgressStyle { Redrawn, Lines };

// The text the terminal writes for the progress window of one stage, made from the window's
// states and the time; the caller writes it. The percentage shown never goes back (a bar that
// starts over at its top keeps showing the most it reached), and a stage whose work is done
// ends at 100 %. Plain lines come at most once per tenth of the range: when the percentage
// first reaches a new multiple of ten, the first step included. Every line tells the time the
// stage has taken and, once two steps have been seen, about how long it still needs, from the
// pace of the steps so far.
class ProgressText {
  public:
    // `columns`: the width of the terminal, which a redrawn line never reaches.
    ProgressText(ProgressStyle style, std::int64_t openedMilliseconds, int columns = 80);

    // After a step (or at the opening, which shows nothing).
    std::string Update(const platform::ProgressState& state, std::int64_t nowMilliseconds);
    // The stage's work is done: its last line, at 100 %.
    std::string Finish(const platform::ProgressState& state, std::int64_t nowMilliseconds);
    // The stage ends without finishing, or a message is about to be shown: ends a redrawn line
    // so that the message starts on a line of its own. The next step draws a fresh line.
    std::string Close();

  private:
    std::string Line(const std::string& stageText, int percent, std::int64_t now,
                     bool withEstimate) const;
    std::string Redraw(const std::string& line);

    ProgressStyle style_;
    std::int64_t opened_;
    int columns_;
    int shownPercent_ = -1;
    int highestPosition_ = 0;
    // The first step's position and time: the pace is measured from there.
    bool stepped_ = false;
    int firstPosition_ = 0;
    std::int64_t firstStepTime_ = 0;
    int lower_ = 0;
    int upper_ = 0;
    std::size_t drawnLength_ = 0;  // of the redrawn line; 0 when none is on the screen
    std::string drawnLine_;
    bool finished_ = false;
};

// A duration as a clock shows it, truncated to whole seconds: "0:07", "12:34", "1:02:03".
std::string DurationText(std::int64_t milliseconds);

}  // namespace tavorin::cli
