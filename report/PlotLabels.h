#pragma once

#include <span>
#include <string>
#include <vector>

namespace tavorin {

// An axis-aligned rectangle in picture coordinates (y down).
struct PlotBox {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
};

// A point of a plot and the width of the text that names it (none: zero).
struct LabelRequest {
    double x = 0.0;
    double y = 0.0;
    double textWidth = 0.0;
};

// Where a label's text goes: its left end and baseline, and, when it had to move away from
// its point, the end of the leader line drawn from the point to it.
struct PlacedLabel {
    double textX = 0.0;
    double baseline = 0.0;
    bool leader = false;
    double leaderX = 0.0;
    double leaderY = 0.0;
};

// The height of a label's text above and below its baseline, at the labels' font size.
inline constexpr double kLabelAscent = 9.0;
inline constexpr double kLabelDescent = 3.0;

// Places the labels of `points` (those of zero width get none) one after another inside
// `frame`: each takes the first place beside its point that overlaps no label placed before
// and no point; when every place beside it is taken, it moves out along one of sixteen
// directions, farther step by step, and gets a leader line; when none is free at all it stays
// beside its point, moved inside the frame. Entry i belongs to points[i].
std::vector<PlacedLabel> PlaceLabels(std::span<const LabelRequest> points, const PlotBox& frame);

// The width of `text` at `fontSize` in a sans-serif font, estimated from the widths of its
// characters (digits, punctuation and letters), on the generous side.
double EstimatedTextWidth(const std::string& text, double fontSize);

}  // namespace tavorin
