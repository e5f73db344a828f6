#include "driver/InputStage.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
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

// Each band's range: its maximum minus its minimum.
std::vector<double> bandRanges(const RunGlobals& globals) {
    std::vector<double> ranges;
    for (std::size_t b = 0; b < static_cast<std::size_t>(globals.bandCount); ++b) {
        ranges.push_back(globals.upperBound[b] - globals.lowerBound[b]);
    }
    return ranges;
}

// The evaluation sums squared differences over the bands: ranges whose squares overflow, or
// vanish to zero, make every objective infinite or undefined.
void checkDistancesRepresentable(const RunGlobals& globals) {
    const std::vector<double> ranges = bandRanges(globals);
    double sum = 0.0;
    for (const double range : ranges) sum += range * range;
    const auto widest = std::max_element(ranges.begin(), ranges.end());
    const std::string where = platform::formatGeneral(*widest, 3) + " (band " +
                              platform::formatInt(widest - ranges.begin() + 1) + ")";
    const std::string advice =
        ", so its pixels cannot be clustered. Rescale the image (for example to the range 0 to "
        "10000) and classify it again.";
    if (!std::isfinite(sum)) {
        throw UserError("The image's values span up to " + where +
                        ": squared distances between its pixels overflow" + advice);
    }
    if (sum == 0.0) {
        throw UserError("The image's values span at most " + where +
                        ": squared distances between its pixels vanish to zero" + advice);
    }
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
    checkDistancesRepresentable(globals);
    globals.bandData = std::move(bandData);
    return globals;
}

std::optional<std::string> StepSizeWarning(const RunGlobals& globals) {
    const std::vector<double> ranges = bandRanges(globals);
    double narrowest = 0.0;
    std::size_t band = 0;
    for (std::size_t b = 0; b < ranges.size(); ++b) {
        if (ranges[b] > 0.0 && (narrowest == 0.0 || ranges[b] < narrowest)) {
            narrowest = ranges[b];
            band = b;
        }
    }
    double largest = 0.0;
    for (const double delta : globals.GLS_delta) largest = std::max(largest, delta);
    if (narrowest == 0.0 || largest <= 10.0 * narrowest) return std::nullopt;
    // The default step sizes suit a band range of 255 (8-bit data); the same proportions.
    std::string suggested;
    for (const double delta : globals.GLS_delta) {
        if (!suggested.empty()) suggested += ",";
        suggested += platform::formatGeneral(delta * narrowest / 255.0, 3);
    }
    return "The local search's step sizes reach " + platform::formatGeneral(largest, 3) +
           ", but band " + platform::formatInt(static_cast<long long>(band) + 1) + " spans only " +
           platform::formatGeneral(narrowest, 3) +
           ": most of its moves in that band would be drawn again and again, and the search "
           "may take very long. Step sizes in proportion to that range would be " +
           suggested + ".";
}

InputImage ReadInputImage(const std::string& rawPath) {
    InputImage image;
    image.description.ReadHeader(rawPath);
    CEnviImage::BytesPerSample(image.description.dataType);
    // Read straight into band-sequential doubles: no raw copy or pixel matrix is kept beside it.
    image.bandData = image.description.ReadBandData();
    return image;
}

InputStageResult LoadInputStage(const RunParameters& parameters) {
    InputImage input = ReadInputImage(parameters.inputPath);
    const CEnviImage& description = input.description;
    RunGlobals globals =
        MakeRunGlobals(parameters, description.lines, description.samples, description.bands,
                       std::make_shared<const std::vector<double>>(std::move(input.bandData)));
    return {std::move(input.description), std::move(globals)};
}

}  // namespace tavorin
