#include "driver/InputStage.h"

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

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

}  // namespace

RunGlobals MakeRunGlobals(const RunParameters& parameters, int lines, int samples, int bands,
                          std::shared_ptr<const std::vector<double>> bandData) {
    RunGlobals globals;
    globals.clusterNumber = parameters.clusterNumber;
    globals.inputPath = parameters.inputPath;
    globals.outputPath = parameters.outputPath;
    globals.popSize = parameters.popSize;
    globals.iGenerations = parameters.iGenerations;
    globals.GLS_delta.assign(parameters.GLS_delta.begin(), parameters.GLS_delta.end());
    globals.FLS = parameters.FLS;
    globals.bandCount = bands;
    globals.lineCount = lines;
    globals.sampleCount = samples;

    const long long nonFinite = countNonFinite(*bandData);
    if (nonFinite > 0) {
        throw UserError("The image has " + platform::formatInt(nonFinite) +
                        (nonFinite == 1 ? " sample that is not a finite number"
                                        : " samples that are not finite numbers") +
                        " (NaN or infinity); mask or replace "
                        "such samples before classifying the image.");
    }

    fillBounds(globals, *bandData, bands, globals.pixelCount(), parameters.clusterNumber);
    if (everyBandConstant(globals, bands)) {
        throw UserError(
            "The image has nothing to classify: every band holds a single value throughout.");
    }
    globals.bandData = std::move(bandData);
    return globals;
}

InputStageResult LoadInputStage(const RunParameters& parameters) {
    CEnviImage input;
    input.ReadHeader(parameters.inputPath);
    CEnviImage::BytesPerSample(input.dataType);

    // Read straight into band-sequential doubles: no raw copy or pixel matrix is kept beside it.
    auto bandData = std::make_shared<const std::vector<double>>(input.ReadBandData());
    RunGlobals globals =
        MakeRunGlobals(parameters, input.lines, input.samples, input.bands, std::move(bandData));
    return {std::move(input), std::move(globals)};
}

}  // namespace tavorin
