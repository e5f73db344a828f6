#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "evolution/RunGlobals.h"
#include "evolution/RunState.h"
#include "image/CEnviImage.h"
#include "localsearch/CLocalSearch.h"
#include "platform/Random.h"

namespace tavorin::testing {

// A RunGlobals for a small run on `bandData` (band-sequential, `lines` x `samples` pixels),
// with the per-band bounds laid out as the input stage lays them out.
inline RunGlobals SmallRunGlobals(int lines, int samples, int bands,
                                  const std::vector<double>& bandData, int clusterNumber,
                                  int popSize, int iGenerations, double FLS,
                                  const std::vector<double>& GLS_delta) {
    RunGlobals g;
    g.clusterNumber = clusterNumber;
    g.popSize = popSize;
    g.iGenerations = iGenerations;
    g.FLS = FLS;
    g.GLS_delta = GLS_delta;
    g.bandCount = bands;
    g.lineCount = lines;
    g.sampleCount = samples;
    g.bandData = std::make_shared<const BandSamples>(bandData);
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
    return g;
}

// A band-sequential image whose values come from the generator with `seed`: band b of every
// pixel lies in [0, 10 * (b + 1)] in steps of 0.25.
inline std::vector<double> SeededImage(int pixels, int bands, unsigned seed) {
    platform::Random15 random(seed);
    std::vector<double> values;
    for (int i = 0; i < pixels * bands; ++i) {
        const int band = i / pixels;
        values.push_back((random.Next() % (40 * (band + 1) + 1)) * 0.25);
    }
    return values;
}

// A whole search: the run, its algorithm object and its local search.
struct SearchRun {
    SearchRun(RunGlobals globals, std::uint32_t seed, int threadCount = 1,
              platform::IUserInterface& ui = platform::SilentUserInterface())
        : state(std::move(globals), seed, threadCount, ui), algorithm(state), localSearch(state) {}
    platform::Random15& generator() { return state.random.generator(); }
    void Run() { algorithm.Run(CEnviImage{}, localSearch); }

    RunState state;
    CMemeticClustering algorithm;
    CLocalSearch localSearch;
};

}  // namespace tavorin::testing
