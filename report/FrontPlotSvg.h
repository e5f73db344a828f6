#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "report/ResultPictures.h"

namespace tavorin {

// The values and tick marks of one plot axis.
struct AxisScale {
    double low = 0.0;
    double high = 1.0;
    std::vector<double> ticks;  // increasing, from low to high
};

// An axis that holds `min`..`max` (finite, min <= max) with about five evenly spaced round
// ticks (steps of 1, 2 or 5 times a power of ten). A single value gets a range around it.
AxisScale NiceAxisScale(double min, double max);

// The objective pairs of the final front as an SVG picture: Jm across, the Xie–Beni index up,
// every point numbered with its image number (its place in `front`), labels placed clear of
// each other and of the points (with a leader line where points crowd), the `recommended`
// member marked. Points with an objective that is not finite cannot be placed; they are listed
// below the plot instead.
std::string RenderFrontPlotSvg(std::span<const FrontMemberResult> front,
                               std::optional<std::size_t> recommended = std::nullopt);

}  // namespace tavorin
