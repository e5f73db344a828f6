#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "evolution/RunGlobals.h"
#include "evolution/RandomHelpers.h"
#include "localsearch/StepSizeAdaptation.h"
#include "platform/Random.h"

namespace tavorin::testing {

// Fills RunGlobals for a small run on `bandData` (band-sequential, `lines` x `samples` pixels),
// with the per-band bounds laid out as the input stage lays them out.
inline void FillRunGlobals(int lines, int samples, int bands, const std::vector<double>& bandData,
                           int clusterNumber, int popSize, int iGenerations, double FLS,
                           const std::vector<double>& GLS_delta) {
    RunGlobals& g = runGlobals();
    g = RunGlobals{};
    g.clusterNumber = clusterNumber;
    g.popSize = popSize;
    g.iGenerations = iGenerations;
    g.FLS = FLS;
    g.GLS_delta = GLS_delta;
    g.bandCount = bands;
    g.lineCount = lines;
    g.sampleCount = samples;
    g.bandData = std::make_shared<const std::vector<double>>(bandData);
    const auto n = static_cast<std::size_t>(lines) * static_cast<std::size_t>(samples);
    for (std::size_t b = 0; b < static_cast<std::size_t>(bands); ++b) {
        double low = bandData[b * n];
        double high = low;
        for (std::size_t p = 0; p < n; ++p) {
            low = std::min(low, bandData[b * n + p]);
            high = std::max(high, bandData[b * n + p]);
        }
        g.lowerBound.push_back(low);
        g.upperBound.push_back(high);
    }
    for (int j = 0; j < clusterNumber; ++j) {
        for (std::size_t b = 0; b < static_cast<std::size_t>(bands); ++b) {
            g.lowerBound.push_back(g.lowerBound[b]);
            g.upperBound.push_back(g.upperBound[b]);
        }
    }
}

// A band-sequential image whose values come from the generator with `seed`: band b of every
// pixel lies in [0, 10 * (b + 1)] in steps of 0.25.
inline std::vector<double> SeededImage(int pixels, int bands, unsigned seed) {
    platform::srand(seed);
    std::vector<double> values;
    for (int i = 0; i < pixels * bands; ++i) {
        const int band = i / pixels;
        values.push_back((platform::rand() % (40 * (band + 1) + 1)) * 0.25);
    }
    return values;
}

// Puts every piece of process-wide search state back to its start-up value.
inline void ResetSearchState(unsigned seed) {
    ResetStepSizeWindow();
    ResetNormalPairCache();
    platform::srand(seed);
}

}  // namespace tavorin::testing
