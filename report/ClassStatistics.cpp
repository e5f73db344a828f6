#include "report/ClassStatistics.h"

#include <array>
#include <cstddef>

namespace tavorin {

std::vector<long long> CountLabels(std::span<const std::uint8_t> labels, int clusters) {
    // Four histograms side by side: long runs of one label would otherwise wait on a single
    // counter from pixel to pixel.
    std::array<std::array<long long, 256>, 4> histograms{};
    const std::size_t n = labels.size();
    std::size_t p = 0;
    for (; p + 4 <= n; p += 4) {
        ++histograms[0][labels[p]];
        ++histograms[1][labels[p + 1]];
        ++histograms[2][labels[p + 2]];
        ++histograms[3][labels[p + 3]];
    }
    for (; p < n; ++p) ++histograms[0][labels[p]];
    std::vector<long long> counts;
    for (int l = 0; l <= clusters && l < 256; ++l) {
        const auto label = static_cast<std::size_t>(l);
        counts.push_back(histograms[0][label] + histograms[1][label] + histograms[2][label] +
                         histograms[3][label]);
    }
    return counts;
}

std::vector<ClassStatistic> MapClassStatistics(std::span<const long long> counts,
                                               std::span<const int> legend,
                                               std::optional<double> pixelSquareMetres) {
    long long classified = 0;
    for (std::size_t l = 1; l < counts.size(); ++l) classified += counts[l];
    std::vector<ClassStatistic> classes;
    for (std::size_t l = 1; l < counts.size(); ++l) {
        ClassStatistic statistic;
        statistic.label = static_cast<int>(l);
        statistic.legendClass = l - 1 < legend.size() ? legend[l - 1] : statistic.label;
        statistic.pixels = counts[l];
        statistic.share =
            classified > 0 ? static_cast<double>(counts[l]) / static_cast<double>(classified) : 0.0;
        if (pixelSquareMetres) {
            const double squareMetres = static_cast<double>(counts[l]) * *pixelSquareMetres;
            statistic.hectares = squareMetres / 1e4;
            statistic.squareKilometres = squareMetres / 1e6;
        }
        classes.push_back(statistic);
    }
    return classes;
}

}  // namespace tavorin
