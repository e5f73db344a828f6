#include "driver/InputStage.h"

#include <cmath>
#include <memory>
#include <vector>

#include "evolution/RunGlobals.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

void emptyRunGlobals(RunGlobals& globals) {
    globals.GLS_delta.clear();
    globals.bandData.reset();
    globals.lowerBound.clear();
    globals.upperBound.clear();
}

long long countNonFinite(const std::vector<double>& values) {
    long long count = 0;
    for (const double value : values) {
        if (!std::isfinite(value)) ++count;
    }
    return count;
}

// Per-band maxima and minima, each band's entries first, then K copies laid out like a centre
// vector (entry j * B + b is the bound of band b).
void fillBounds(RunGlobals& globals, const std::vector<double>& bandData, int bandCount,
                long long pixelCount, int clusterNumber) {
    const auto bands = static_cast<std::size_t>(bandCount);
    const auto pixels = static_cast<std::size_t>(pixelCount);
    globals.upperBound.reserve((static_cast<std::size_t>(clusterNumber) + 1) * bands);
    globals.lowerBound.reserve((static_cast<std::size_t>(clusterNumber) + 1) * bands);
    for (std::size_t b = 0; b < bands; ++b) {
        const double* band = bandData.data() + b * pixels;
        double maximum = band[0];
        double minimum = band[0];
        for (std::size_t p = 0; p < pixels; ++p) {
            if (band[p] > maximum) maximum = band[p];
            if (band[p] < minimum) minimum = band[p];
        }
        globals.upperBound.push_back(maximum);
        globals.lowerBound.push_back(minimum);
    }
    for (std::size_t j = 0; j < static_cast<std::size_t>(clusterNumber); ++j) {
        for (std::size_t b = 0; b < bands; ++b) {
            globals.upperBound.push_back(globals.upperBound[j * bands + b]);
            globals.lowerBound.push_back(globals.lowerBound[j * bands + b]);
        }
    }
}

bool everyBandConstant(const RunGlobals& globals, int bandCount) {
    for (std::size_t b = 0; b < static_cast<std::size_t>(bandCount); ++b) {
        if (globals.lowerBound[b] != globals.upperBound[b]) return false;
    }
    return true;
}

// Fills RunGlobals with the parameters, the geometry, the image and its bounds.
CEnviImage fillRunGlobals(const RunParameters& parameters) {
    RunGlobals& globals = runGlobals();
    emptyRunGlobals(globals);
    globals.clusterNumber = parameters.clusterNumber;
    globals.inputPath = parameters.inputPath;
    globals.outputPath = parameters.outputPath;
    globals.popSize = parameters.popSize;
    globals.iGenerations = parameters.iGenerations;
    globals.GLS_delta.assign(parameters.GLS_delta.begin(), parameters.GLS_delta.end());
    globals.FLS = parameters.FLS;

    CEnviImage input;
    input.ReadHeader(parameters.inputPath);
    CEnviImage::BytesPerSample(input.dataType);

    globals.bandCount = input.bands;
    globals.lineCount = input.lines;
    globals.sampleCount = input.samples;

    // Read straight into band-sequential doubles: no raw copy or pixel matrix is kept beside it.
    auto bandData = std::make_shared<std::vector<double>>(input.ReadBandData());

    const long long nonFinite = countNonFinite(*bandData);
    if (nonFinite > 0) {
        throw UserError("The image has " + platform::formatInt(nonFinite) +
                        (nonFinite == 1 ? " sample that is not a finite number"
                                        : " samples that are not finite numbers") +
                        " (NaN or infinity); mask or replace "
                        "such samples before classifying the image.");
    }

    fillBounds(globals, *bandData, input.bands, input.PixelCount(), parameters.clusterNumber);
    if (everyBandConstant(globals, input.bands)) {
        throw UserError(
            "The image has nothing to classify: every band holds a single value throughout.");
    }

    globals.bandData = std::move(bandData);
    return input;
}

}  // namespace

CEnviImage LoadInputStage(const RunParameters& parameters) {
    try {
        return fillRunGlobals(parameters);
    } catch (...) {
        // A refused image leaves no part of itself, or of the previous run, behind.
        emptyRunGlobals(runGlobals());
        throw;
    }
}

}  // namespace tavorin
