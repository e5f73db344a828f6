#pragma once

#include <cstddef>
#include <span>

namespace tavorin {

// The processes among which an image's searched pixels are split, one contiguous slice each in
// pixel order, as the evaluation sees them. Process 0 holds the first slice and runs the
// search; every Jm sum starts there, is carried from slice to slice in pixel order and comes
// back to process 0 finished, so each sum is the one a single process adds. How the values
// travel (messages between machines, or calls in one process) is the implementation's.
class SliceLink {
  public:
    virtual ~SliceLink() = default;

    // How many processes share the image.
    virtual int processCount() const = 0;

    // On process 0, before it evaluates a batch: sends the batch's `count` solutions, each of
    // `values` centre values at centres[s], to every other process.
    virtual void ShareBatch(const double* const* centres, std::size_t count,
                            std::size_t values) = 0;
    // The running sums of a group of solutions from the process of the slice before this one.
    virtual void TakeSums(std::span<double> sums) = 0;
    // Passes the running sums of a group on to the process of the next slice; the last slice
    // passes them back to process 0.
    virtual void PassSums(std::span<const double> sums) = 0;
    // On process 0: the finished sums of a group, from the process of the last slice.
    virtual void FinishedSums(std::span<double> sums) = 0;

    // On process 0: the samples of those of the searched pixels `pixels` (indices among all of
    // the image's searched pixels) that other processes hold, `bands` values a pixel, at
    // samples[i * bands + k]; the entries of pixels process 0 holds itself are left alone.
    virtual void GatherPixelSamples(std::span<const long long> pixels, int bands,
                                    std::span<double> samples) = 0;
};

// Places one process's answer to GatherPixelSamples: `answer` holds, in the order asked, the
// samples of those of `pixels` that lie in its slice, the searched pixels first .. end - 1.
inline void PlacePixelSamples(std::span<const long long> pixels, long long first, long long end,
                              int bands, std::span<const double> answer,
                              std::span<double> samples) {
    const auto width = static_cast<std::size_t>(bands);
    std::size_t next = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] < first || pixels[i] >= end) continue;
        for (std::size_t k = 0; k < width; ++k) samples[i * width + k] = answer[next++];
    }
}

// The solutions of a batch whose sums travel together. A batch of B solutions in groups of G
// on R processes takes about (B / G + R - 1) stages of G solutions each, and one pass over the
// pixels costs a solution about (1 + 1 / (2 G)) times what it costs in a large group; the
// product is least near G = sqrt(B / (2 (R - 1))), the size chosen here (at most
// `largestGroup`). Every process computes the same groups.
inline std::size_t SliceGroupSize(std::size_t solutions, int processes, std::size_t largestGroup) {
    if (processes <= 1) return largestGroup;
    const auto others = static_cast<std::size_t>(processes - 1);
    std::size_t group = 1;
    while (group < largestGroup && (2 * group + 1) * (2 * group + 1) * others <= 2 * solutions) {
        ++group;
    }
    return group;
}

}  // namespace tavorin
