#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tavorin {

// How much of a map one class covers.
struct ClassStatistic {
    int label = 0;        // its label in the map, 1..K
    int legendClass = 0;  // its class of the front's common legend, 1..K
    long long pixels = 0;
    double share = 0.0;  // of the classified pixels, in [0, 1]
    // Its area, when the size of a pixel on the ground is known in metres.
    std::optional<double> hectares;
    std::optional<double> squareKilometres;
};

// The number of pixels of each label 0..`clusters` in one pass over the map (entry l counts
// label l); labels above `clusters` are not counted.
std::vector<long long> CountLabels(std::span<const std::uint8_t> labels, int clusters);

// The statistics of labels 1..K from their `counts` (as CountLabels gives them; label 0, the
// pixels left out, is no class), with `legend` giving each label's legend class (entry l - 1
// for label l; empty: the label itself) and the ground area of one pixel in square metres when
// it is known.
std::vector<ClassStatistic> MapClassStatistics(std::span<const long long> counts,
                                               std::span<const int> legend,
                                               std::optional<double> pixelSquareMetres);

}  // namespace tavorin
