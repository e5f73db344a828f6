#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "clustering/CSolution.h"
#include "clustering/Evaluator.h"
#include "clustering/SliceLink.h"
#include "driver/InputStage.h"
#include "image/BandSamples.h"
#include "image/CEnviImage.h"
#include "image/LeftOutPixels.h"

namespace tavorin {

// The lines one process of a split run holds: consecutive lines, as many for each process as
// the lines allow, the first processes taking one more.
struct SliceLines {
    int first = 0;
    int count = 0;
};
SliceLines OwnLines(int lines, int process, int processes);

// One process's slice of the input: its searched pixels and what it found in its lines.
struct SliceInput {
    BandSamples bandData;       // the searched pixels of the slice, band-sequential
    LeftOutPixels leftOut;      // of the slice's pixels; `searched` empty when none is left out
    long long imagePixels = 0;  // the slice's pixels, searched or not
    long long searched() const { return imagePixels - leftOut.count(); }
};

// What a process tells process 0 of its slice once it has read it.
struct SliceSummary {
    std::string error;  // why the slice could not be read; empty when it was
    long long searched = 0;
    long long nodata = 0;
    long long nonFinite = 0;
    BandBounds bounds;  // over the slice's searched pixels
};

// Reads the lines of process `process` of `processes` (OwnLines) of the image `description`
// describes, from its file, into `slice`, leaving out pixels under `bandNodata`, and tells
// what it found. A refusal, or too little memory, is told in the summary instead of thrown, so
// that process 0 can give it as the run's one message.
SliceSummary ReadSlice(const CEnviImage& description,
                       const std::vector<std::optional<double>>& bandNodata, int process,
                       int processes, SliceInput& slice);

// The slice's searched flags, one a pixel (1: searched).
std::vector<std::uint8_t> SearchedFlags(const SliceInput& slice);

// The labels of a slice's pixels for `solution`: the searched pixels' labels from the
// evaluation of the slice, left-out pixels 0; `labels` holds the slice's imagePixels entries.
void SliceLabels(const SliceInput& slice, const Evaluator& evaluator, const CSolution& solution,
                 unsigned char* labels);

// The other processes of a run whose pixels are split among them, as process 0, which runs the
// search, sees them: each holds one slice (OwnLines), process 0 the first. The calls follow
// the run: StartReading, GatherSummaries, Begin, then any number of the others.
class PixelSlices {
  public:
    virtual ~PixelSlices() = default;

    virtual int processCount() const = 0;
    // Tells the other processes to read their slices (they read while process 0 reads its own).
    virtual void StartReading() = 0;
    // Every process's summary in process order, `own` first.
    virtual std::vector<SliceSummary> GatherSummaries(const SliceSummary& own) = 0;
    // Tells each process how many searched pixels the slices before its own hold, which
    // places its pixels among all, and how many the image has (`searched`).
    virtual void Begin(std::span<const long long> searchedBefore, long long searched) = 0;
    // The `searched` entries of every slice's pixels (1 searched, 0 left out), in order, `own`
    // those of process 0.
    virtual std::vector<std::uint8_t> GatherSearched(std::span<const std::uint8_t> own) = 0;
    // The labels of every slice's pixels for `solution` into `labels`, `own` those of process
    // 0's slice.
    virtual void GatherLabels(const CSolution& solution, std::span<const unsigned char> own,
                              unsigned char* labels) = 0;
    // Band `band` of every slice's searched pixels in order, as raw samples of the image's type,
    // `own` that of process 0.
    virtual std::vector<unsigned char> GatherBand(int band, std::span<const unsigned char> own) = 0;
    // The evaluation's link between the slices.
    virtual SliceLink& link() = 0;
};

// The input stage of a split run on process 0: every process reads its slice; the run's
// RunGlobals hold process 0's searched pixels, with the bounds, counts and left-out pixels of
// the whole image and the same refusals as LoadInputStage. `ownSlice` keeps process 0's slice
// for its labels.
InputStageResult LoadSlicedInputStage(const RunParameters& parameters, const NodataRule& nodata,
                                      PixelSlices& slices, SliceInput& ownSlice);

// The labels of `solution` for every pixel of a split image, as AssignLabels gives them.
void AssignSlicedLabels(PixelSlices& slices, const SliceInput& ownSlice, const Evaluator& evaluator,
                        const CSolution& solution, unsigned char* labels);

// The first `bands` bands of every slice's searched pixels (`searched` in all), band-sequential
// in the image's type; `own` holds process 0's `ownPixels` searched pixels.
BandSamples GatherLeadingBands(PixelSlices& slices, const BandSamples& own, long long ownPixels,
                               int bands, long long searched);

}  // namespace tavorin
