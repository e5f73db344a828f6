#include "shell/MapLegend.h"

#include <array>
#include <cmath>
#include <map>

namespace tavorin::shell {
namespace {

bool IsMetres(const QString& units) {
    const QString name = units.trimmed().toLower();
    return name == QLatin1String("metre") || name == QLatin1String("meter") ||
           name == QLatin1String("metres") || name == QLatin1String("meters") ||
           name == QLatin1String("m");
}

QString SquareUnits(const QString& units) {
    const QString name = units.trimmed();
    if (IsMetres(name)) return QStringLiteral("m²");
    return name.isEmpty() ? QStringLiteral("square map units") : name + QStringLiteral("²");
}

}  // namespace

std::vector<int> LegendClassOfLabels(const std::vector<int>& legend) {
    std::vector<int> classes(256);
    for (int label = 0; label < 256; ++label) {
        const auto index = static_cast<std::size_t>(label - 1);
        classes[static_cast<std::size_t>(label)] =
            label > 0 && index < legend.size() && legend[index] > 0 ? legend[index] : label;
    }
    return classes;
}

std::vector<ClassColour> LabelColours(const ClassMap& map, const std::vector<int>& legendOfLabel) {
    std::vector<ClassColour> colours;
    for (const int legendClass : legendOfLabel) colours.push_back(ClassColourOf(map, legendClass));
    return colours;
}

MapLegend CountLegend(std::span<const std::uint8_t> labels, const ClassMap& map,
                      const std::vector<int>& legendOfLabel, int clusters,
                      const std::optional<PixelArea>& pixelArea) {
    std::array<long long, 256> perLabel{};
    for (const std::uint8_t label : labels) ++perLabel[label];

    MapLegend legend;
    legend.unclassified = perLabel[0];
    std::map<int, long long> perClass;
    for (int c = 1; c <= clusters; ++c) perClass[legendOfLabel[static_cast<std::size_t>(c)]] += 0;
    for (int label = 1; label < 256; ++label)
        if (perLabel[static_cast<std::size_t>(label)] > 0)
            perClass[legendOfLabel[static_cast<std::size_t>(label)]] +=
                perLabel[static_cast<std::size_t>(label)];

    const long long classified = static_cast<long long>(labels.size()) - legend.unclassified;
    const std::optional<double> area =
        pixelArea ? std::optional<double>(std::fabs(pixelArea->x * pixelArea->y)) : std::nullopt;
    if (pixelArea) legend.areaUnits = SquareUnits(pixelArea->units);
    for (const auto& [legendClass, pixels] : perClass) {
        LegendRow row;
        row.legendClass = legendClass;
        row.name = ClassNameOf(map, legendClass);
        row.colour = ClassColourOf(map, legendClass);
        row.pixels = pixels;
        row.share =
            classified > 0 ? static_cast<double>(pixels) / static_cast<double>(classified) : 0.0;
        if (area) {
            row.area = static_cast<double>(pixels) * *area;
            if (IsMetres(pixelArea->units)) {
                row.hectares = *row.area / 1e4;
                row.squareKilometres = *row.area / 1e6;
            }
        }
        legend.rows.push_back(row);
    }
    return legend;
}

}  // namespace tavorin::shell
