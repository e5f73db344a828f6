#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "clustering/Evaluator.h"
#include "evolution/RunGlobals.h"
#include "platform/Random.h"
#include "tests/evolution/AlgorithmSetup.h"

namespace tavorin::testing {

// An image, its per-band bounds and an evaluator over it.
struct EvaluatedImage {
    EvaluatedImage(int clusters, int lines, int samples, int bands, std::vector<double> data)
        : globals(MakeRunGlobals(clusters, 6, lines, samples, bands, std::move(data))),
          evaluator(EvaluationImage{globals.bandData, globals.pixelCount(), bands, clusters}) {}
    void Evaluate(CSolution& s) const { evaluator.Evaluate(s); }
    std::vector<double> data() const { return globals.bandData->ToDoubles(); }

    RunGlobals globals;
    Evaluator evaluator;
};

// Centres drawn uniformly inside the bounds, one generator call per gene.
inline std::vector<double> RandomCentres(const EvaluatedImage& image, platform::Random15& random) {
    const RunGlobals& g = image.globals;
    std::vector<double> centres;
    for (int gene = 0; gene < g.clusterNumber * g.bandCount; ++gene) {
        const auto at = static_cast<std::size_t>(gene);
        const double span = g.upperBound[at] - g.lowerBound[at];
        centres.push_back(g.lowerBound[at] + random.Next() / 32768.0 * span);
    }
    return centres;
}

// Centres on the given pixels.
inline std::vector<double> PixelCentres(const EvaluatedImage& image,
                                        const std::vector<long long>& pixels) {
    std::vector<double> centres;
    for (const long long pixel : pixels) {
        for (int k = 0; k < image.globals.bandCount; ++k) {
            centres.push_back(
                image.data()[static_cast<std::size_t>(k * image.globals.pixelCount() + pixel)]);
        }
    }
    return centres;
}

}  // namespace tavorin::testing
