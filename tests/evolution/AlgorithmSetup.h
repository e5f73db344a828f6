#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "evolution/RunGlobals.h"
#include "evolution/RunState.h"
#include "tests/support/TestSupport.h"

namespace tavorin::testing {

// A RunGlobals holding a band-sequential image and its per-band bounds, as the input stage
// fills it, so that a run can be constructed from it.
inline RunGlobals MakeRunGlobals(int clusterNumber, int popSize, int lines, int samples, int bands,
                                 std::vector<double> bandData) {
    RunGlobals globals;
    globals.clusterNumber = clusterNumber;
    globals.popSize = popSize;
    globals.iGenerations = 1;
    globals.GLS_delta = {1.0, 2.0, 3.0, 4.0};
    globals.bandCount = bands;
    globals.lineCount = lines;
    globals.sampleCount = samples;
    const auto pixels = static_cast<std::size_t>(lines) * static_cast<std::size_t>(samples);
    std::vector<double> low(static_cast<std::size_t>(bands));
    std::vector<double> high(static_cast<std::size_t>(bands));
    for (std::size_t b = 0; b < low.size(); ++b) {
        const auto first = bandData.begin() + static_cast<std::ptrdiff_t>(b * pixels);
        const auto [minimum, maximum] =
            std::minmax_element(first, first + static_cast<std::ptrdiff_t>(pixels));
        low[b] = *minimum;
        high[b] = *maximum;
    }
    for (int j = 0; j <= clusterNumber; ++j) {
        globals.lowerBound.insert(globals.lowerBound.end(), low.begin(), low.end());
        globals.upperBound.insert(globals.upperBound.end(), high.begin(), high.end());
    }
    globals.bandData = std::make_shared<const BandSamples>(std::move(bandData));
    return globals;
}

// A run and its algorithm object, for tests that drive single steps of the search.
struct AlgorithmRun {
    explicit AlgorithmRun(RunGlobals globals, std::uint32_t seed = 1, int threadCount = 1)
        : state(std::move(globals), seed, threadCount), algorithm(state) {}
    platform::Random15& generator() { return state.random.generator(); }

    RunState state;
    CMemeticClustering algorithm;
};

struct SampleImage {
    int lines = 0;
    int samples = 0;
    int bands = 0;
    std::vector<double> bandData;
};

// One of the bundled 8-bit band-sequential sample images, as doubles.
inline SampleImage LoadSampleImage(const std::string& baseName, int lines, int samples, int bands) {
    const std::string bytes = ReadFileBytes(DataDir() + "/" + baseName + ".img");
    SampleImage image{lines, samples, bands, {}};
    image.bandData.reserve(bytes.size());
    for (const char byte : bytes) image.bandData.push_back(static_cast<unsigned char>(byte));
    return image;
}

}  // namespace tavorin::testing
