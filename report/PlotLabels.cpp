#include "report/PlotLabels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace tavorin {
namespace {

constexpr double kPointRadius = 4.5;
constexpr double kGap = 1.0;         // between a label and anything else
constexpr double kCellSide = 24.0;   // of the grid that finds nearby boxes
constexpr double kFirstRing = 18.0;  // distance of the first leader place from its point
constexpr double kRingStep = 12.0;
constexpr int kRings = 14;
constexpr int kDirections = 16;

// Every box placed so far (points and labels), found through the grid cells they cover.
class BoxGrid {
  public:
    explicit BoxGrid(const PlotBox& area)
        : area_(area),
          columns_(CellCount(area.right - area.left)),
          rows_(CellCount(area.bottom - area.top)),
          cells_(columns_ * rows_) {}

    void Add(const PlotBox& box) {
        const CellRange range = CellsOf(box);
        for (std::size_t row = range.firstRow; row <= range.lastRow; ++row) {
            for (std::size_t column = range.firstColumn; column <= range.lastColumn; ++column) {
                cells_[row * columns_ + column].push_back(boxes_.size());
            }
        }
        boxes_.push_back(box);
    }

    bool Overlaps(const PlotBox& box) const {
        const CellRange range = CellsOf(box);
        for (std::size_t row = range.firstRow; row <= range.lastRow; ++row) {
            for (std::size_t column = range.firstColumn; column <= range.lastColumn; ++column) {
                for (std::size_t index : cells_[row * columns_ + column]) {
                    const PlotBox& other = boxes_[index];
                    if (box.left < other.right && other.left < box.right &&
                        box.top < other.bottom && other.top < box.bottom) {
                        return true;
                    }
                }
            }
        }
        return false;
    }

  private:
    struct CellRange {
        std::size_t firstRow, lastRow, firstColumn, lastColumn;
    };

    static std::size_t CellCount(double length) {
        return static_cast<std::size_t>(std::max(1.0, std::ceil(length / kCellSide)));
    }

    // The cell of `value` on an axis starting at `from`; values outside fall in the end cells.
    static std::size_t Cell(double value, double from, std::size_t count) {
        const double cell = std::floor((value - from) / kCellSide);
        if (!(cell > 0.0)) return 0;
        return std::min(count - 1, static_cast<std::size_t>(std::min(cell, 1e9)));
    }

    CellRange CellsOf(const PlotBox& box) const {
        return {Cell(box.top, area_.top, rows_), Cell(box.bottom, area_.top, rows_),
                Cell(box.left, area_.left, columns_), Cell(box.right, area_.left, columns_)};
    }

    PlotBox area_;
    std::size_t columns_;
    std::size_t rows_;
    std::vector<std::vector<std::size_t>> cells_;
    std::vector<PlotBox> boxes_;
};

PlotBox TextBox(double textX, double baseline, double width) {
    return {textX - kGap, baseline - kLabelAscent - kGap, textX + width + kGap,
            baseline + kLabelDescent + kGap};
}

bool Inside(const PlotBox& box, const PlotBox& frame) {
    return box.left >= frame.left && box.right <= frame.right && box.top >= frame.top &&
           box.bottom <= frame.bottom;
}

// The places right beside a point, in order of preference: above right first, as a reader
// expects, then the other corners and sides.
std::vector<PlacedLabel> PlacesBeside(const LabelRequest& point) {
    const double w = point.textWidth;
    const double above = point.y - 6.0;
    const double below = point.y + 6.0 + kLabelAscent;
    const double middle = point.y + kLabelAscent / 2.0 - 1.0;
    return {{point.x + 6.0, above},         {point.x + 6.0, below},
            {point.x - 6.0 - w, above},     {point.x - 6.0 - w, below},
            {point.x + 8.0, middle},        {point.x - 8.0 - w, middle},
            {point.x - w / 2.0, above - 3}, {point.x - w / 2.0, below + 3}};
}

// A place `distance` away from the point in direction `direction` (of kDirections), with the
// leader's end at the side of the text nearest the point.
PlacedLabel PlaceAway(const LabelRequest& point, double distance, int direction) {
    // Up and to the right first, then turning both ways from it.
    const int step = (direction + 1) / 2 * (direction % 2 == 0 ? 1 : -1);
    const double angle = -std::numbers::pi / 4.0 + step * 2.0 * std::numbers::pi / kDirections;
    const double centreX = point.x + distance * std::cos(angle);
    const double centreY = point.y + distance * std::sin(angle);
    PlacedLabel label;
    label.textX = centreX - point.textWidth / 2.0;
    label.baseline = centreY + (kLabelAscent - kLabelDescent) / 2.0;
    label.leader = true;
    label.leaderX = std::clamp(point.x, label.textX, label.textX + point.textWidth);
    label.leaderY =
        std::clamp(point.y, label.baseline - kLabelAscent, label.baseline + kLabelDescent);
    return label;
}

// The first place beside the point, moved inside the frame.
PlacedLabel FallbackPlace(const LabelRequest& point, const PlotBox& frame) {
    PlacedLabel label = PlacesBeside(point).front();
    label.textX = std::clamp(label.textX, frame.left + kGap,
                             std::max(frame.left + kGap, frame.right - kGap - point.textWidth));
    label.baseline =
        std::clamp(label.baseline, frame.top + kGap + kLabelAscent,
                   std::max(frame.top + kGap + kLabelAscent, frame.bottom - kGap - kLabelDescent));
    return label;
}

}  // namespace

std::vector<PlacedLabel> PlaceLabels(std::span<const LabelRequest> points, const PlotBox& frame) {
    BoxGrid taken(frame);
    for (const LabelRequest& point : points) {
        taken.Add({point.x - kPointRadius, point.y - kPointRadius, point.x + kPointRadius,
                   point.y + kPointRadius});
    }
    const auto free = [&](const PlacedLabel& label, double width) {
        const PlotBox box = TextBox(label.textX, label.baseline, width);
        return Inside(box, frame) && !taken.Overlaps(box);
    };
    std::vector<PlacedLabel> placed(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const LabelRequest& point = points[i];
        if (!(point.textWidth > 0.0)) continue;
        bool found = false;
        for (const PlacedLabel& place : PlacesBeside(point)) {
            if (free(place, point.textWidth)) {
                placed[i] = place;
                found = true;
                break;
            }
        }
        for (int ring = 0; ring < kRings && !found; ++ring) {
            for (int direction = 0; direction < kDirections && !found; ++direction) {
                const PlacedLabel place =
                    PlaceAway(point, kFirstRing + ring * kRingStep, direction);
                if (free(place, point.textWidth)) {
                    placed[i] = place;
                    found = true;
                }
            }
        }
        if (!found) placed[i] = FallbackPlace(point, frame);
        taken.Add(TextBox(placed[i].textX, placed[i].baseline, point.textWidth));
    }
    return placed;
}

double EstimatedTextWidth(const std::string& text, double fontSize) {
    double ems = 0.0;
    for (const char c : text) {
        const bool narrow = c == '.' || c == ',' || c == ' ' || c == ':' || c == 'i' || c == 'l';
        ems += narrow ? 0.3 : 0.6;
    }
    return ems * fontSize;
}

}  // namespace tavorin
