#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/BandSamples.h"
#include "image/LeftOutPixels.h"

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

    // The searched pixels of the image, band-sequential: band b of the p-th searched pixel at
    // b * N + p, N = pixelCount(). Held once and shared read-only by everything that reads it.
    // The samples keep the image's own type (a byte image costs its raw size).
    std::shared_ptr<const BandSamples> bandData;
    // Of an image split among processes: how many of the searched pixels this process holds in
    // bandData (its own slice, band b of its p-th pixel at b * held + p); -1: all of them.
    long long heldPixelCount = -1;
    // The pixels left out of the search (nodata, non-finite samples); none when null.
    std::shared_ptr<const LeftOutPixels> leftOut;
    // The nodata value applied to each band; empty when none is.
    std::vector<std::optional<double>> bandNodata;

    // (K + 1) * B entries laid out like a centre vector: entry j * B + b is the minimum
    // (maximum) of band b, for every j in 0..K.
    std::vector<double> lowerBound;
    std::vector<double> upperBound;

    std::string inputPath;
    std::string outputPath;

    // The number of pixels of the image, lineCount * sampleCount.
    long long imagePixelCount() const { return static_cast<long long>(lineCount) * sampleCount; }
    // The number of pixels the search takes, N.
    long long pixelCount() const { return imagePixelCount() - (leftOut ? leftOut->count() : 0); }
    // The number of searched pixels bandData holds.
    long long heldPixels() const { return heldPixelCount < 0 ? pixelCount() : heldPixelCount; }
};

}  // namespace tavorin
