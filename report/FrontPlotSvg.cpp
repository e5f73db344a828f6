#include "report/FrontPlotSvg.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/NumberText.h"
#include "report/MarkupText.h"
#include "report/PlotLabels.h"

namespace tavorin {
namespace {

constexpr int kWidth = 720;
// The plot's frame; left and right grow inwards when tick labels need the room.
constexpr int kPlotLeft = 110;
constexpr int kPlotRight = 690;
constexpr int kPlotTop = 50;
constexpr int kPlotBottom = 450;
constexpr double kTickFontSize = 13.0;
constexpr double kLabelFontSize = 12.0;
// Right of the rotated title of the index axis, which ends near x = 36.
constexpr int kTitleRoom = 40;
constexpr int kNotesTop = 535;
constexpr int kNoteSpacing = 18;
constexpr int kMaxTicks = 50;

const char* const kXieBeniName =
    "Xie\xE2\x80\x93"
    "Beni index";

std::string Number(double value) { return platform::formatGeneral(value, 7); }

// Tick labels show as many digits as the ticks need, without the noise of k * step.
std::string TickText(double value) { return platform::formatGeneral(value, 15); }

double Position(double value, const AxisScale& scale, double from, double to) {
    const double position = from + (value - scale.low) / (scale.high - scale.low) * (to - from);
    // Only ranges near the end of the double range get here without a finite position.
    return std::isfinite(position) ? position : from;
}

bool IsPlottable(const FrontMemberResult& member) {
    return std::isfinite(member.xbIndex) && std::isfinite(member.jm);
}

struct ValueRange {
    double min = INFINITY;
    double max = -INFINITY;
    bool empty() const { return !(min <= max); }
};

void Include(ValueRange& range, double value) {
    range.min = std::min(range.min, value);
    range.max = std::max(range.max, value);
}

// The frame's left and right ends: every tick label inside the picture, the index axis's
// labels clear of its title.
struct Frame {
    int left = kPlotLeft;
    int right = kPlotRight;
};

int HalfWidth(double tick) {
    return static_cast<int>(std::ceil(EstimatedTextWidth(TickText(tick), kTickFontSize) / 2.0));
}

Frame FrameFor(const AxisScale& xScale, const AxisScale& yScale) {
    Frame frame;
    for (double tick : yScale.ticks) {
        frame.left = std::max(frame.left, kTitleRoom + 8 + 2 * HalfWidth(tick));
    }
    if (!xScale.ticks.empty()) {
        frame.left = std::max(frame.left, HalfWidth(xScale.ticks.front()) + 4);
        frame.right = std::min(frame.right, kWidth - HalfWidth(xScale.ticks.back()) - 4);
    }
    // Room for the points whatever the labels: at most half the picture goes to the margins.
    frame.left = std::min(frame.left, kWidth / 2 - 60);
    frame.right = std::max(frame.right, kWidth / 2 + 60);
    return frame;
}

void AppendAxes(std::string& svg, const AxisScale& xScale, const AxisScale& yScale,
                const Frame& frame) {
    for (double tick : xScale.ticks) {
        const std::string x = Number(Position(tick, xScale, frame.left, frame.right));
        svg += "<line class=\"grid\" x1=\"" + x + "\" y1=\"" + platform::formatInt(kPlotTop) +
               "\" x2=\"" + x + "\" y2=\"" + platform::formatInt(kPlotBottom) + "\"/>\n";
        svg += "<text x=\"" + x + "\" y=\"" + platform::formatInt(kPlotBottom + 22) +
               "\" text-anchor=\"middle\">" + EscapeMarkup(TickText(tick)) + "</text>\n";
    }
    for (double tick : yScale.ticks) {
        const std::string y = Number(Position(tick, yScale, kPlotBottom, kPlotTop));
        svg += "<line class=\"grid\" x1=\"" + platform::formatInt(frame.left) + "\" y1=\"" + y +
               "\" x2=\"" + platform::formatInt(frame.right) + "\" y2=\"" + y + "\"/>\n";
        svg += "<text x=\"" + platform::formatInt(frame.left - 8) + "\" y=\"" + y +
               "\" dy=\"0.35em\" text-anchor=\"end\">" + EscapeMarkup(TickText(tick)) + "</text>\n";
    }
    svg += "<rect class=\"frame\" x=\"" + platform::formatInt(frame.left) + "\" y=\"" +
           platform::formatInt(kPlotTop) + "\" width=\"" +
           platform::formatInt(frame.right - frame.left) + "\" height=\"" +
           platform::formatInt(kPlotBottom - kPlotTop) + "\"/>\n";
    svg += "<text class=\"axis\" x=\"" + platform::formatInt((frame.left + frame.right) / 2) +
           "\" y=\"" + platform::formatInt(kPlotBottom + 55) +
           "\" text-anchor=\"middle\">Jm</text>\n";
    const int yLabelX = 24;
    const int yLabelY = (kPlotTop + kPlotBottom) / 2;
    svg += "<text class=\"axis\" x=\"" + platform::formatInt(yLabelX) + "\" y=\"" +
           platform::formatInt(yLabelY) + "\" text-anchor=\"middle\" transform=\"rotate(-90 " +
           platform::formatInt(yLabelX) + " " + platform::formatInt(yLabelY) + ")\">" +
           kXieBeniName + "</text>\n";
}

std::string PointDescription(std::size_t imageNumber, const FrontMemberResult& member) {
    return "image " + platform::formatInt(static_cast<long long>(imageNumber)) + ": xbIndex " +
           platform::formatFixed(member.xbIndex) + ", jm " + platform::formatFixed(member.jm);
}

struct PlacedPoint {
    std::size_t imageNumber = 0;
    double x = 0.0;
    double y = 0.0;
    std::string label;  // empty when a nearby earlier point carries the number
};

// Points closer than this (in pixels, on both axes) share one label.
constexpr double kLabelMergeDistance = 4.0;

// The plottable points with their positions. Points that land on or next to an earlier
// labelled point (equal or nearly equal objectives are common in a front) add their number to
// its label, so that numbers are not drawn over each other.
std::vector<PlacedPoint> PlacePoints(std::span<const FrontMemberResult> front,
                                     const AxisScale& xScale, const AxisScale& yScale,
                                     const Frame& frame) {
    std::vector<PlacedPoint> points;
    std::vector<std::size_t> labelled;  // indices into points
    for (std::size_t j = 0; j < front.size(); ++j) {
        if (!IsPlottable(front[j])) continue;
        PlacedPoint point;
        point.imageNumber = j;
        point.x = Position(front[j].jm, xScale, frame.left, frame.right);
        point.y = Position(front[j].xbIndex, yScale, kPlotBottom, kPlotTop);
        const std::string number = platform::formatInt(static_cast<long long>(j));
        const auto nearby = std::find_if(labelled.begin(), labelled.end(), [&](std::size_t i) {
            return std::fabs(points[i].x - point.x) <= kLabelMergeDistance &&
                   std::fabs(points[i].y - point.y) <= kLabelMergeDistance;
        });
        if (nearby == labelled.end()) {
            point.label = number;
            labelled.push_back(points.size());
        } else {
            points[*nearby].label += ", " + number;
        }
        points.push_back(point);
    }
    return points;
}

}  // namespace

AxisScale NiceAxisScale(double min, double max) {
    AxisScale scale;
    double low = min;
    double high = max;
    if (!(high > low)) {
        const double pad = low != 0.0 ? std::fabs(low) * 0.1 : 1.0;
        low -= pad;
        high += pad;
    }
    const double rawStep = (high - low) / 5.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rawStep)));
    const double normalized = rawStep / magnitude;
    const double factor = normalized <= 1.0   ? 1.0
                          : normalized <= 2.0 ? 2.0
                          : normalized <= 5.0 ? 5.0
                                              : 10.0;
    const double step = factor * magnitude;
    const double firstTick = std::floor(low / step);
    const double lastTick = std::ceil(high / step);
    const bool usable = std::isfinite(step) && step > 0.0 && std::isfinite(firstTick) &&
                        std::isfinite(lastTick) && lastTick - firstTick <= kMaxTicks &&
                        firstTick * step < lastTick * step;
    if (!usable) {
        // Ranges at the edge of the double range: the two ends are the only ticks.
        scale.low = low;
        scale.high = high > low ? high : low + 1.0;
        scale.ticks = {scale.low, scale.high};
        return scale;
    }
    scale.low = firstTick * step;
    scale.high = lastTick * step;
    for (double k = firstTick; k <= lastTick; k += 1.0) {
        // Exact zero rather than a negative zero or a rounding remainder.
        scale.ticks.push_back(k == 0.0 ? 0.0 : k * step);
    }
    return scale;
}

std::string RenderFrontPlotSvg(std::span<const FrontMemberResult> front,
                               std::optional<std::size_t> recommended) {
    ValueRange xRange;
    ValueRange yRange;
    std::vector<std::size_t> notPlotted;
    for (std::size_t j = 0; j < front.size(); ++j) {
        if (!IsPlottable(front[j])) {
            notPlotted.push_back(j);
            continue;
        }
        Include(xRange, front[j].jm);
        Include(yRange, front[j].xbIndex);
    }
    const AxisScale xScale =
        xRange.empty() ? NiceAxisScale(0.0, 1.0) : NiceAxisScale(xRange.min, xRange.max);
    const AxisScale yScale =
        yRange.empty() ? NiceAxisScale(0.0, 1.0) : NiceAxisScale(yRange.min, yRange.max);

    std::vector<std::string> notes;
    if (front.empty()) notes.push_back("The front is empty.");
    for (std::size_t j : notPlotted) {
        notes.push_back("Not plotted (an objective is not a finite number): " +
                        PointDescription(j, front[j]));
    }
    const int height = kNotesTop + static_cast<int>(notes.size()) * kNoteSpacing;

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + platform::formatInt(kWidth) +
           "\" height=\"" + platform::formatInt(height) + "\" viewBox=\"0 0 " +
           platform::formatInt(kWidth) + " " + platform::formatInt(height) +
           "\" font-family=\"sans-serif\" font-size=\"13\">\n";
    svg += "<title>Final Pareto front: " + std::string(kXieBeniName) + " against Jm</title>\n";
    svg +=
        "<style>.grid{stroke:#dddddd;stroke-width:1}.frame{fill:none;stroke:#333333;"
        "stroke-width:1}.axis{font-size:15px;font-weight:bold}.point{fill:#1f5fbf;"
        "stroke:#ffffff;stroke-width:1}.point.recommended{fill:#e06000}.label{font-size:12px;"
        "fill:#102040}.leader{stroke:#8090b0;stroke-width:0.8}</style>\n";
    svg += "<rect x=\"0\" y=\"0\" width=\"" + platform::formatInt(kWidth) + "\" height=\"" +
           platform::formatInt(height) + "\" fill=\"#ffffff\"/>\n";
    svg += "<text class=\"axis\" x=\"" + platform::formatInt(kWidth / 2) +
           "\" y=\"28\" text-anchor=\"middle\">Final Pareto front</text>\n";
    const Frame frame = FrameFor(xScale, yScale);
    AppendAxes(svg, xScale, yScale, frame);
    const std::vector<PlacedPoint> points = PlacePoints(front, xScale, yScale, frame);
    std::vector<LabelRequest> requests;
    for (const PlacedPoint& point : points) {
        requests.push_back(
            {point.x, point.y,
             point.label.empty() ? 0.0 : EstimatedTextWidth(point.label, kLabelFontSize)});
    }
    const std::vector<PlacedLabel> labels = PlaceLabels(
        requests,
        {static_cast<double>(frame.left), kPlotTop, static_cast<double>(frame.right), kPlotBottom});
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PlacedPoint& point = points[i];
        const PlacedLabel& label = labels[i];
        const FrontMemberResult& member = front[point.imageNumber];
        const bool chosen = recommended == point.imageNumber;
        svg += "<g><title>" + EscapeMarkup(PointDescription(point.imageNumber, member)) +
               (chosen ? " (recommended)" : "") + "</title>";
        if (!point.label.empty() && label.leader) {
            svg += "<line class=\"leader\" x1=\"" + Number(point.x) + "\" y1=\"" + Number(point.y) +
                   "\" x2=\"" + Number(label.leaderX) + "\" y2=\"" + Number(label.leaderY) + "\"/>";
        }
        svg += std::string("<circle class=\"") + (chosen ? "point recommended" : "point") +
               "\" cx=\"" + Number(point.x) + "\" cy=\"" + Number(point.y) + "\" r=\"" +
               (chosen ? "6" : "4.5") + "\"/>";
        if (!point.label.empty()) {
            svg += "<text class=\"label\" x=\"" + Number(label.textX) + "\" y=\"" +
                   Number(label.baseline) + "\">" + point.label + "</text>";
        }
        svg += "</g>\n";
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
        svg += "<text x=\"" + platform::formatInt(kPlotLeft) + "\" y=\"" +
               platform::formatInt(kNotesTop + static_cast<int>(i) * kNoteSpacing) + "\">" +
               EscapeMarkup(notes[i]) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace tavorin
