#include "driver/InputStage.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image/GdalRasterReader.h"
#include "image/Georeference.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

// "the nodata value 0", or the bands' values when they differ.
std::string nodataText(const std::vector<std::optional<double>>& bandNodata) {
    bool same = true;
    for (const auto& value : bandNodata) same = same && value == bandNodata.front();
    const auto text = [](const std::optional<double>& value) {
        return value ? platform::formatRoundTrip(*value) : std::string("none");
    };
    if (same) return "the nodata value " + text(bandNodata.front());
    std::string list;
    for (const auto& value : bandNodata) list += (list.empty() ? "" : ", ") + text(value);
    return "their band's nodata value (" + list + ")";
}

std::string pixelsText(long long count) {
    return platform::formatInt(count) + (count == 1 ? " pixel" : " pixels");
}

// "A hold the nodata value V in every band and B have a sample that is NaN or infinite".
std::string reasonsText(const LeftOutPixels& leftOut,
                        const std::vector<std::optional<double>>& bandNodata) {
    std::string text;
    if (leftOut.nodataCount > 0) {
        text += platform::formatInt(leftOut.nodataCount) +
                (leftOut.nodataCount == 1 ? " holds " : " hold ") + nodataText(bandNodata) +
                " in every band";
    }
    if (leftOut.nonFiniteCount > 0) {
        if (!text.empty()) text += " and ";
        text += platform::formatInt(leftOut.nonFiniteCount) +
                (leftOut.nonFiniteCount == 1 ? " has" : " have") +
                " a sample that is NaN or infinite";
    }
    return text;
}

// K + 1 copies of each band's bounds, laid out like a centre vector (entry j * B + b is the
// bound of band b).
void fillBounds(RunGlobals& globals, const BandBounds& bounds) {
    const auto bands = static_cast<std::size_t>(globals.bandCount);
    const auto copies = static_cast<std::size_t>(globals.clusterNumber) + 1;
    globals.upperBound.clear();
    globals.lowerBound.clear();
    for (std::size_t j = 0; j < copies; ++j) {
        for (std::size_t b = 0; b < bands; ++b) {
            globals.upperBound.push_back(bounds.upper[b]);
            globals.lowerBound.push_back(bounds.lower[b]);
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

BandBounds BandBoundsOf(const BandSamples& bandData, int bandCount, long long pixelCount) {
    const auto bands = static_cast<std::size_t>(bandCount);
    const auto pixels = static_cast<std::size_t>(pixelCount);
    BandBounds bounds;
    bounds.lower.assign(bands, std::numeric_limits<double>::infinity());
    bounds.upper.assign(bands, -std::numeric_limits<double>::infinity());
    if (pixels == 0) return bounds;
    bandData.Visit([&](const auto& values) {
        for (std::size_t b = 0; b < bands; ++b) {
            const auto* band = values.data() + b * pixels;
            auto maximum = band[0];
            auto minimum = band[0];
            for (std::size_t p = 0; p < pixels; ++p) {
                if (band[p] > maximum) maximum = band[p];
                if (band[p] < minimum) minimum = band[p];
            }
            bounds.upper[b] = static_cast<double>(maximum);
            bounds.lower[b] = static_cast<double>(minimum);
        }
    });
    return bounds;
}

RunGlobals RunGlobalsOf(const RunParameters& parameters, int lines, int samples, int bands) {
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
    return globals;
}

void SetSearchedPixels(RunGlobals& globals, LeftOutPixels leftOut,
                       std::vector<std::optional<double>> bandNodata, const BandBounds& bounds) {
    if (leftOut.count() > 0) {
        if (leftOut.count() == globals.imagePixelCount()) {
            throw UserError(
                "Every pixel of the image is left out: " + reasonsText(leftOut, bandNodata) +
                ", so there is nothing to classify.");
        }
        globals.leftOut = std::make_shared<const LeftOutPixels>(std::move(leftOut));
    }
    globals.bandNodata = std::move(bandNodata);

    fillBounds(globals, bounds);
    if (everyBandConstant(globals, globals.bandCount)) {
        throw UserError(
            "The image has nothing to classify: every band holds a single value throughout.");
    }
    checkDistancesRepresentable(globals);
}

RunGlobals MakeRunGlobals(const RunParameters& parameters, int lines, int samples, int bands,
                          BandSamples bandData, std::vector<std::optional<double>> bandNodata) {
    RunGlobals globals = RunGlobalsOf(parameters, lines, samples, bands);
    LeftOutPixels leftOut = LeaveOutPixels(bandData, globals.imagePixelCount(), bands, bandNodata);
    const long long searched = globals.imagePixelCount() - leftOut.count();
    const BandBounds bounds = BandBoundsOf(bandData, bands, searched);
    SetSearchedPixels(globals, std::move(leftOut), std::move(bandNodata), bounds);
    globals.bandData = std::make_shared<const BandSamples>(std::move(bandData));
    return globals;
}

RunGlobals MakeRunGlobals(const RunParameters& parameters, int lines, int samples, int bands,
                          std::vector<double> bandData,
                          std::vector<std::optional<double>> bandNodata) {
    return MakeRunGlobals(parameters, lines, samples, bands, BandSamples(std::move(bandData)),
                          std::move(bandNodata));
}

std::optional<std::string> LeftOutPixelsMessage(const RunGlobals& globals) {
    if (globals.leftOut) {
        const long long count = globals.leftOut->count();
        return pixelsText(count) + " of " + platform::formatInt(globals.imagePixelCount()) +
               (count == 1 ? " is" : " are") +
               " left out of the classification and labelled 0, \"Unclassified\": " +
               reasonsText(*globals.leftOut, globals.bandNodata) + ".";
    }
    if (!globals.bandNodata.empty()) {
        return "No pixel holds " + nodataText(globals.bandNodata) +
               " in every band: no pixel was left out.";
    }
    return std::nullopt;
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

CEnviImage DescribeInputImage(const std::string& path) {
    if (!CEnviImage::HasHeader(path) || IsSelfDescribingRaster(path)) {
        if (std::optional<CEnviImage> raster = DescribeGdalRaster(path)) return std::move(*raster);
    }
    // Without a header this throws the message that asks for one.
    CEnviImage image;
    image.ReadHeader(path);
    CEnviImage::BytesPerSample(image.dataType);
    // The header's georeference as GDAL reads it, for the maps GDAL writes.
    if (!image.georeferenceEntries.empty()) image.georeference = ReadGeoreference(path);
    return image;
}

InputImage ReadInputImage(const std::string& rawPath) {
    InputImage image;
    image.description = DescribeInputImage(rawPath);
    // Read straight into band-sequential samples of the file's type: no raw copy or pixel
    // matrix is kept beside them.
    image.bandData = image.description.format == "ENVI" ? image.description.ReadSamples()
                                                        : ReadGdalSamples(image.description);
    return image;
}

InputStageResult LoadInputStage(const RunParameters& parameters, const NodataRule& nodata) {
    InputImage input = ReadInputImage(parameters.inputPath);
    const CEnviImage& description = input.description;
    RunGlobals globals =
        MakeRunGlobals(parameters, description.lines, description.samples, description.bands,
                       std::move(input.bandData),
                       ApplyNodataRule(nodata, description.bandNodata, description.bands));
    return {std::move(input.description), std::move(globals)};
}

}  // namespace tavorin
