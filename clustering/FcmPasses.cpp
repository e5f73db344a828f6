#include "clustering/FcmPasses.h"

#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavorin::fcm::detail {
namespace {

// Replaces values[0..count) by their square roots, two at a time where the processor allows;
// the results are the correctly rounded roots that std::sqrt gives.
void SquareRootsInPlace(double* values, std::size_t count) {
    std::size_t p = 0;
#if defined(__SSE2__)
    for (; p + 2 <= count; p += 2) _mm_storeu_pd(values + p, _mm_sqrt_pd(_mm_loadu_pd(values + p)));
#endif
    for (; p < count; ++p) values[p] = std::sqrt(values[p]);
}

}  // namespace

void AccumulateCentreSums(const double* membership, const double* pixels, std::size_t pixelCount,
                          std::size_t clusters, std::size_t bands, int fuzzifier,
                          std::size_t clusterBegin, std::size_t clusterEnd, CentreSums& sums) {
    const bool squared = fuzzifier == 2;
    const double m = static_cast<double>(fuzzifier);
    const std::size_t span = clusterEnd - clusterBegin;
    // Local sums, stored once at the end: threads never write near each other while adding.
    std::vector<double> weightSums(span, 0.0);
    std::vector<double> weightedSums(bands * span, 0.0);
    std::vector<double> weights(span);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const double* row = membership + i * clusters + clusterBegin;
        const double* x = pixels + i * bands;
        for (std::size_t s = 0; s < span; ++s) {
            weights[s] = squared ? row[s] * row[s] : std::pow(row[s], m);
            weightSums[s] += weights[s];
        }
        for (std::size_t k = 0; k < bands; ++k) {
            double* bandSums = weightedSums.data() + k * span;
            for (std::size_t s = 0; s < span; ++s) bandSums[s] += weights[s] * x[k];
        }
    }
    for (std::size_t s = 0; s < span; ++s) {
        sums.weights[clusterBegin + s] = weightSums[s];
        for (std::size_t k = 0; k < bands; ++k) {
            sums.weighted[k * clusters + clusterBegin + s] = weightedSums[k * span + s];
        }
    }
}

void MembershipsRange(const MembershipPass& pass, std::size_t begin, std::size_t end) {
    const std::size_t clusters = pass.clusters;
    const std::size_t bands = pass.bands;
    const int exponent = 2 / (pass.fuzzifier - 1);
    const bool squared = exponent == 2;
    if (end <= begin) return;
    const std::size_t block = std::min(kPixelBlock, end - begin);

    // Pixels are taken a block at a time with the block's bands side by side, so every
    // operation below runs over independent pixels; each pixel's own sums keep their order.
    std::vector<double> blockBands(bands * block);
    std::vector<double> powered(clusters * block);  // D^e, cluster by cluster
    std::vector<double> inverseSums(block);
    std::vector<std::size_t> coincidentCluster(block);
    for (std::size_t first = begin; first < end; first += block) {
        const std::size_t count = std::min(block, end - first);
        const double* blockPixels = pass.pixels + first * bands;
        for (std::size_t p = 0; p < count; ++p) {
            for (std::size_t k = 0; k < bands; ++k) {
                blockBands[k * block + p] = blockPixels[p * bands + k];
            }
        }

        for (std::size_t j = 0; j < clusters; ++j) {
            double* distances = powered.data() + j * block;
            std::fill(distances, distances + count, 0.0);
            for (std::size_t k = 0; k < bands; ++k) {
                const double centre = pass.centres[j * bands + k];
                const double* band = blockBands.data() + k * block;
                for (std::size_t p = 0; p < count; ++p) {
                    const double difference = band[p] - centre;
                    distances[p] += difference * difference;
                }
            }
            SquareRootsInPlace(distances, count);
        }

        // Pixels that coincide with a centre (a NaN distance counts) are set aside; the
        // formula below would divide by zero for them.
        double* out = pass.memberships + first * clusters;
        for (std::size_t p = 0; p < count; ++p) {
            std::size_t coincident = clusters;
            for (std::size_t j = 0; j < clusters; ++j) {
                const double distance = powered[j * block + p];
                if (distance == 0.0 || std::isnan(distance)) coincident = j;
            }
            coincidentCluster[p] = coincident;
        }

        for (std::size_t j = 0; j < clusters; ++j) {
            double* values = powered.data() + j * block;
            if (squared) {
                for (std::size_t p = 0; p < count; ++p) values[p] = values[p] * values[p];
            } else {
                for (std::size_t p = 0; p < count; ++p) values[p] = std::pow(values[p], exponent);
            }
        }
        std::fill(inverseSums.begin(), inverseSums.begin() + static_cast<std::ptrdiff_t>(count),
                  0.0);
        for (std::size_t l = 0; l < clusters; ++l) {
            const double* values = powered.data() + l * block;
            for (std::size_t p = 0; p < count; ++p) inverseSums[p] += 1.0 / values[p];
        }
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* values = powered.data() + j * block;
            for (std::size_t p = 0; p < count; ++p) {
                out[p * clusters + j] = 1.0 / (values[p] * inverseSums[p]);
            }
        }

        for (std::size_t p = 0; p < count; ++p) {
            const std::size_t coincident = coincidentCluster[p];
            if (coincident == clusters) continue;
            std::fill(out + p * clusters, out + (p + 1) * clusters, 0.0);
            out[p * clusters + coincident] = 1.0;
        }
    }
}

}  // namespace tavorin::fcm::detail
