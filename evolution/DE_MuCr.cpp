#include <array>
#include <cstddef>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "platform/Saturate.h"

namespace tavorin {
namespace {

// Probability with which a trial redraws its scale factor, and separately its crossover rate.
constexpr double kRedrawProbability = 0.1;

}  // namespace

void CMemeticClustering::DE_MuCr() {
    const auto members = static_cast<std::size_t>(popSize);
    // Every trial is built first (building draws, evaluating does not), so evaluating them
    // together gives the results of evaluating each as soon as it is built.
    for (std::size_t i = 0; i < members; ++i) {
        makeTrial(population[i], static_cast<int>(i), offspring[i]);
    }
    std::vector<CSolution*> trials(members);
    for (std::size_t i = 0; i < members; ++i) trials[i] = &offspring[i];
    EvaluateAll(trials);

    for (std::size_t i = 0; i < members; ++i) {
        CopySolution(combined[i], population[i]);
        CopySolution(combined[members + i], offspring[i]);
    }
}

void CMemeticClustering::makeTrial(CSolution parent, int i, CSolution& trial) {
    CopySolution(trial, parent);

    // Five distinct partners besides i; only the first three are used, all five are drawn.
    std::array<int, 6> picked{};
    run_.random.randPickDistinct(picked.data(), 5, popSize, i);
    const CSolution& base = population[static_cast<std::size_t>(picked[1])];
    const CSolution& plus = population[static_cast<std::size_t>(picked[2])];
    const CSolution& minus = population[static_cast<std::size_t>(picked[3])];

    const int jrand = platform::truncateToInt32(run_.random.rand01() * geneCount);

    if (run_.random.rand01() < kRedrawProbability) trial.F = run_.random.rand01() * 0.9 + 0.1;
    if (run_.random.rand01() < kRedrawProbability) trial.CR = run_.random.rand01();

    for (int g = 0; g < geneCount; ++g) {
        const double u = run_.random.rand01();
        if (u < trial.CR || g == jrand) {
            const auto at = static_cast<std::size_t>(g);
            trial.centres[at] = (plus.centres[at] - minus.centres[at]) * trial.F + base.centres[at];
        }
    }
    repairBounds(trial);
}

void CMemeticClustering::repairBounds(CSolution& s) const {
    for (int g = 0; g < geneCount; ++g) {
        const auto at = static_cast<std::size_t>(g);
        const double lo = lowerBound[at];
        const double hi = upperBound[at];
        if (s.centres[at] < lo) s.centres[at] = lo + run_.random.rand01() * (hi - lo);
        if (s.centres[at] > hi) s.centres[at] = hi - run_.random.rand01() * (hi - lo);
    }
}

}  // namespace tavorin
