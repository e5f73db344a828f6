#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QString>

#include "image/ClassColours.h"
#include "shell/ClassMap.h"
#include "shell/RunSummaryFile.h"

namespace tavorin::shell {

// The legend class of every label 0..255: label l > 0 is class legend[l - 1] when the summary
// gives a legend that names it, otherwise class l; label 0 stays 0.
std::vector<int> LegendClassOfLabels(const std::vector<int>& legend);

// The colour every label is drawn in: that of its legend class in the map's header.
std::vector<ClassColour> LabelColours(const ClassMap& map, const std::vector<int>& legendOfLabel);

// One line of the legend.
struct LegendRow {
    int legendClass = 0;
    QString name;
    ClassColour colour;
    long long pixels = 0;
    double share = 0.0;              // of the classified pixels, 0..1
    std::optional<double> area;      // pixels times the pixel's area, in `areaUnits`
    std::optional<double> hectares;  // when the map units are metres
    std::optional<double> squareKilometres;
};

// The legend of a map: one row per legend class a label maps to (classes 1..K, and others the
// map holds), and the pixels without a class (label 0).
struct MapLegend {
    std::vector<LegendRow> rows;
    long long unclassified = 0;
    QString areaUnits;  // "square metres", "square feet", ...; empty when no area is known
};

// Counts the pixels of every legend class in `labels`. `clusters` is K (classes 1..K get a row
// even when empty); `pixelArea`, when known, gives the areas.
MapLegend CountLegend(std::span<const std::uint8_t> labels, const ClassMap& map,
                      const std::vector<int>& legendOfLabel, int clusters,
                      const std::optional<PixelArea>& pixelArea);

}  // namespace tavorin::shell
