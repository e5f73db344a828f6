#include "driver/PixelSlices.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "driver/AssignLabels.h"
#include "image/GdalRasterReader.h"
#include "platform/UserError.h"

namespace tavorin {

SliceLines OwnLines(int lines, int process, int processes) {
    const int base = lines / processes;
    const int extra = lines % processes;
    return {process * base + std::min(process, extra), base + (process < extra ? 1 : 0)};
}

SliceSummary ReadSlice(const CEnviImage& description,
                       const std::vector<std::optional<double>>& bandNodata, int process,
                       int processes, SliceInput& slice) {
    SliceSummary summary;
    try {
        const SliceLines lines = OwnLines(description.lines, process, processes);
        slice.bandData = description.format == "ENVI"
                             ? description.ReadLineSamples(lines.first, lines.count)
                             : ReadGdalLineSamples(description, lines.first, lines.count);
        slice.imagePixels = static_cast<long long>(lines.count) * description.samples;
        slice.leftOut =
            LeaveOutPixels(slice.bandData, slice.imagePixels, description.bands, bandNodata);
        summary.bounds = BandBoundsOf(slice.bandData, description.bands, slice.searched());
    } catch (const UserError& error) {
        summary.error = error.what();
        return summary;
    } catch (const std::bad_alloc&) {
        summary.error = "Not enough memory for this image and these parameters.";
        return summary;
    }
    summary.searched = slice.searched();
    summary.nodata = slice.leftOut.nodataCount;
    summary.nonFinite = slice.leftOut.nonFiniteCount;
    return summary;
}

std::vector<std::uint8_t> SearchedFlags(const SliceInput& slice) {
    if (!slice.leftOut.searched.empty()) return slice.leftOut.searched;
    return std::vector<std::uint8_t>(static_cast<std::size_t>(slice.imagePixels), 1);
}

void SliceLabels(const SliceInput& slice, const Evaluator& evaluator, const CSolution& solution,
                 unsigned char* labels) {
    evaluator.Label(solution, labels);
    if (slice.leftOut.count() > 0) SpreadLabels(slice.leftOut.searched, slice.searched(), labels);
}

InputStageResult LoadSlicedInputStage(const RunParameters& parameters, const NodataRule& nodata,
                                      PixelSlices& slices, SliceInput& ownSlice) {
    CEnviImage description = DescribeInputImage(parameters.inputPath);
    std::vector<std::optional<double>> bandNodata =
        ApplyNodataRule(nodata, description.bandNodata, description.bands);
    const int processes = slices.processCount();

    // Every process reads its own lines at the same time; a refusal anywhere ends the run.
    slices.StartReading();
    const SliceSummary own = ReadSlice(description, bandNodata, 0, processes, ownSlice);
    const std::vector<SliceSummary> summaries = slices.GatherSummaries(own);
    for (const SliceSummary& summary : summaries) {
        if (!summary.error.empty()) throw UserError(summary.error);
    }

    // Minimum, maximum and sums are exact in any order: the whole image's bounds and counts.
    BandBounds bounds = summaries.front().bounds;
    LeftOutPixels leftOut;
    std::vector<long long> searchedBefore;
    long long searched = 0;
    for (const SliceSummary& summary : summaries) {
        for (std::size_t b = 0; b < bounds.lower.size(); ++b) {
            bounds.lower[b] = std::min(bounds.lower[b], summary.bounds.lower[b]);
            bounds.upper[b] = std::max(bounds.upper[b], summary.bounds.upper[b]);
        }
        leftOut.nodataCount += summary.nodata;
        leftOut.nonFiniteCount += summary.nonFinite;
        searchedBefore.push_back(searched);
        searched += summary.searched;
    }
    slices.Begin(searchedBefore, searched);
    if (leftOut.count() > 0) leftOut.searched = slices.GatherSearched(SearchedFlags(ownSlice));

    RunGlobals globals =
        RunGlobalsOf(parameters, description.lines, description.samples, description.bands);
    SetSearchedPixels(globals, std::move(leftOut), std::move(bandNodata), bounds);
    globals.heldPixelCount = ownSlice.searched();
    globals.bandData = std::make_shared<const BandSamples>(std::move(ownSlice.bandData));
    return {std::move(description), std::move(globals)};
}

void AssignSlicedLabels(PixelSlices& slices, const SliceInput& ownSlice, const Evaluator& evaluator,
                        const CSolution& solution, unsigned char* labels) {
    std::vector<unsigned char> own(static_cast<std::size_t>(ownSlice.imagePixels));
    SliceLabels(ownSlice, evaluator, solution, own.data());
    slices.GatherLabels(solution, own, labels);
}

BandSamples GatherLeadingBands(PixelSlices& slices, const BandSamples& own, long long ownPixels,
                               int bands, long long searched) {
    const std::size_t sampleBytes = SampleBytes(own.type());
    const std::size_t bandBytes = static_cast<std::size_t>(searched) * sampleBytes;
    const std::size_t ownBandBytes = static_cast<std::size_t>(ownPixels) * sampleBytes;
    BandSamples gathered = BandSamples::Zeroed(
        own.type(), static_cast<std::size_t>(searched) * static_cast<std::size_t>(bands));
    auto* target = static_cast<unsigned char*>(gathered.data());
    const auto* source = static_cast<const unsigned char*>(own.data());
    for (std::size_t b = 0; b < static_cast<std::size_t>(bands); ++b) {
        const std::vector<unsigned char> band = slices.GatherBand(
            static_cast<int>(b),
            std::span<const unsigned char>(source + b * ownBandBytes, ownBandBytes));
        if (band.size() != bandBytes) throw std::logic_error("a gathered band of the wrong size");
        std::memcpy(target + b * bandBytes, band.data(), bandBytes);
    }
    return gathered;
}

}  // namespace tavorin
