#include "clustering/LiteralEvaluation.h"

#include <cmath>
#include <cstddef>

namespace tavorin::detail {
namespace {

double raise(double x, double exponent, PowerMode mode) {
    return mode == PowerMode::Products ? x * x : std::pow(x, exponent);
}

double squaredDistance(const LiteralImage& image, std::size_t pixel,
                       const std::vector<double>& centres, std::size_t cluster) {
    const auto n = static_cast<std::size_t>(image.pixelCount);
    const auto d = static_cast<std::size_t>(image.bandCount);
    double sum = 0.0;
    for (std::size_t k = 0; k < d; ++k) {
        const double diff = image.bandData->at(k * n + pixel) - centres[cluster * d + k];
        sum += diff * diff;
    }
    return sum;
}

}  // namespace

ObjectivePair LiteralEvaluate(const LiteralImage& image, int clusterNumber,
                              const std::vector<double>& centres, double fuzzifier,
                              PowerMode mode) {
    const auto n = static_cast<std::size_t>(image.pixelCount);
    const auto k = static_cast<std::size_t>(clusterNumber);
    const auto d = static_cast<std::size_t>(image.bandCount);
    const double exponent = 2.0 / (fuzzifier - 1.0);

    std::vector<double> distance(n * k);
    std::vector<double> membership(n * k);
    std::vector<double> row(k);

    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < k; ++j) {
            distance[i * k + j] = std::sqrt(squaredDistance(image, i, centres, j));
        }
        bool coincides = false;
        for (std::size_t j = 0; j < k; ++j) {
            const double dij = distance[i * k + j];
            if (dij == 0.0 || std::isnan(dij)) {
                coincides = true;
                for (std::size_t l = 0; l < k; ++l) membership[i * k + l] = 0.0;
                membership[i * k + j] = 1.0;
            }
        }
        if (coincides) continue;
        double sum = 0.0;
        for (std::size_t l = 0; l < k; ++l) {
            row[l] = raise(distance[i * k + l], exponent, mode);
            sum += 1.0 / row[l];
        }
        for (std::size_t j = 0; j < k; ++j) {
            membership[i * k + j] = 1.0 / (raise(distance[i * k + j], exponent, mode) * sum);
        }
    }

    double jm = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < k; ++j) {
            jm += raise(membership[i * k + j], fuzzifier, mode) *
                  squaredDistance(image, i, centres, j);
        }
    }

    const auto centreGap = [&](std::size_t a, std::size_t b) {
        double sum = 0.0;
        for (std::size_t t = 0; t < d; ++t) {
            const double diff = centres[a * d + t] - centres[b * d + t];
            sum += diff * diff;
        }
        return sum;
    };
    double separation = centreGap(0, 1);
    for (std::size_t j = 0; j < k; ++j) {
        for (std::size_t l = j + 1; l < k; ++l) {
            const double gap = centreGap(j, l);
            if (gap < separation || std::isnan(gap) || std::isnan(separation)) separation = gap;
        }
    }

    ObjectivePair result;
    result.jm = jm;
    result.xbIndex = jm / (static_cast<double>(image.pixelCount) * separation);
    return result;
}

}  // namespace tavorin::detail
