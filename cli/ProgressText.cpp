#include "cli/ProgressText.h"

#include <algorithm>

#include "platform/NumberText.h"

namespace tavorin::cli {
namespace {

constexpr int kBarWidth = 16;

std::string TwoDigits(std::int64_t value) {
    std::string text = platform::formatInt(value);
    if (text.size() < 2) text.insert(text.begin(), '0');
    return text;
}

// Right-aligned in four columns, so the text after it keeps its place: "  7%", "100%".
std::string PercentText(int percent) {
    std::string text = platform::formatInt(percent) + "%";
    while (text.size() < 4) text.insert(text.begin(), ' ');
    return text;
}

}  // namespace

std::string DurationText(std::int64_t milliseconds) {
    const std::int64_t seconds = std::max<std::int64_t>(milliseconds, 0) / 1000;
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = seconds / 60 % 60;
    if (hours > 0) {
        return platform::formatInt(hours) + ":" + TwoDigits(minutes) + ":" +
               TwoDigits(seconds % 60);
    }
    return platform::formatInt(minutes) + ":" + TwoDigits(seconds % 60);
}

ProgressText::ProgressText(ProgressStyle style, std::int64_t openedMilliseconds, int columns)
    : style_(style), opened_(openedMilliseconds), columns_(std::max(columns, 2)) {}

std::string ProgressText::Line(const std::string& stageText, int percent, std::int64_t now,
                               bool withEstimate) const {
    std::string line = stageText + " ";
    if (style_ == ProgressStyle::Redrawn) {
        const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
        line += '[';
        line.append(static_cast<std::size_t>(filled), '#');
        line.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
        line += "] ";
    }
    line += PercentText(percent) + "  " + DurationText(now - opened_) + " elapsed";
    const int done = highestPosition_ - firstPosition_;
    if (withEstimate && percent < 100 && stepped_ && done > 0) {
        const double perStep = static_cast<double>(now - firstStepTime_) / done;
        const double left = perStep * (upper_ - highestPosition_);
        line += ", about " + DurationText(static_cast<std::int64_t>(left)) + " left";
    }
    return line;
}

std::string ProgressText::Redraw(const std::string& line) {
    // The cursor must stay on the line: a line as wide as the terminal would wrap.
    const std::string shown = line.substr(0, static_cast<std::size_t>(columns_ - 1));
    if (drawnLength_ > 0 && shown == drawnLine_) return {};
    // Spaces wipe what a longer earlier line left behind.
    const std::size_t wipe = drawnLength_ > shown.size() ? drawnLength_ - shown.size() : 0;
    drawnLength_ = std::max<std::size_t>(shown.size(), 1);
    drawnLine_ = shown;
    return "\r" + shown + std::string(wipe, ' ');
}

std::string ProgressText::Update(const platform::ProgressState& state, std::int64_t now) {
    if (state.percentText.empty() || finished_) return {};  // the window has just opened
    lower_ = state.lower;
    upper_ = state.upper;
    if (!stepped_) {
        stepped_ = true;
        firstPosition_ = state.position;
        firstStepTime_ = now;
        highestPosition_ = state.position;
    }
    highestPosition_ = std::max(highestPosition_, state.position);
    const int percent = std::max(
        platform::ProgressPercent(state.lower, state.upper, state.position), shownPercent_);
    if (style_ == ProgressStyle::Lines) {
        if (shownPercent_ >= 0 && percent / 10 <= shownPercent_ / 10) return {};
        shownPercent_ = percent;
        return Line(state.stageText, percent, now, true) + "\n";
    }
    shownPercent_ = percent;
    return Redraw(Line(state.stageText, percent, now, true));
}

std::string ProgressText::Finish(const platform::ProgressState& state, std::int64_t now) {
    if (finished_) return {};
    finished_ = true;
    if (style_ == ProgressStyle::Lines) {
        if (shownPercent_ == 100) return {};
        shownPercent_ = 100;
        return Line(state.stageText, 100, now, false) + "\n";
    }
    shownPercent_ = 100;
    std::string text = Redraw(Line(state.stageText, 100, now, false)) + "\n";
    drawnLength_ = 0;
    return text;
}

std::string ProgressText::Close() {
    if (style_ == ProgressStyle::Lines || drawnLength_ == 0) return {};
    drawnLength_ = 0;
    return "\n";
}

}  // namespace tavorin::cli
