#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "clustering/Evaluator.h"
#include "clustering/SliceLink.h"
#include "driver/CClassificationDriver.h"
#include "driver/PixelSlices.h"
#include "evolution/RunParameters.h"
#include "image/CEnviImage.h"

namespace tavorin {

// A process other than 0 of a run whose pixels are split among processes: its slice of the
// image and the evaluation of its pixels, and its answer to each thing process 0 asks of it
// (PixelSlices). How the questions and answers travel is the front end's.
class SliceProcess {
  public:
    SliceProcess(RunParameters parameters, RunOptions options, int process, int processes);

    // Reads the process's lines; a refusal is told in the summary.
    SliceSummary Read();
    // `places` holds the searched pixels before each process's slice and, last, in all; the
    // evaluation's sums travel through `link`.
    void Begin(std::span<const long long> places, SliceLink& link);

    // The slice's searched flags, one a pixel (1: searched).
    std::vector<std::uint8_t> Searched() const;
    // Continues the sums of a batch, solution s with the centres at s * values.
    void Evaluate(std::span<const double> centres, std::size_t values) const;
    // The samples of those of `pixels` (indices among all searched pixels) the slice holds, in
    // the order asked, band after band for each.
    std::vector<double> Samples(std::span<const long long> pixels) const;
    // The labels of every pixel of the slice for a solution with `centres`.
    std::vector<unsigned char> Labels(std::vector<double> centres) const;
    // Band `band` of the slice's searched pixels as raw samples of the image's type.
    std::vector<unsigned char> Band(int band) const;

    // Bytes of terms the evaluation may compute ahead (Evaluator::termsAheadBytes); set
    // before Begin.
    long long termsAheadBytes = -1;

  private:
    RunParameters parameters_;
    RunOptions options_;
    int process_;
    int processes_;
    CEnviImage description_;
    SliceInput slice_;
    std::unique_ptr<Evaluator> evaluator_;
    long long searchedBefore_ = 0;
};

}  // namespace tavorin
