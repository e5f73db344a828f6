#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tavorin {

// The record of one classification run: its parameters, the image geometry, the image itself
// and the per-band bounds. The driver fills it and hands it to the run (RunState); the search,
// the labelling and the local search read it.
struct RunGlobals {
    int clusterNumber = 0;
    int popSize = 0;
    int iGenerations = 0;
    double FLS = 0.0;
    std::vector<double> GLS_delta;  // four step sizes

    int bandCount = 0;
    int lineCount = 0;
    int sampleCount = 0;

    // The image, band-sequential: band b of pixel p at b * N + p (N = lineCount * sampleCount).
    // Held once and shared read-only by everything that reads the image.
    std::shared_ptr<const std::vector<double>> bandData;

    // (K + 1) * B entries laid out like a centre vector: entry j * B + b is the minimum
    // (maximum) of band b, for every j in 0..K.
    std::vector<double> lowerBound;
    std::vector<double> upperBound;

    std::string inputPath;
    std::string outputPath;

    // The number of pixels, N.
    long long pixelCount() const { return static_cast<long long>(lineCount) * sampleCount; }
};

}  // namespace tavorin
