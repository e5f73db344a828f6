#pragma once

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "clustering/CSolution.h"
#include "clustering/SliceLink.h"
#include "clustering/SquaresKernel.h"
#include "image/BandSamples.h"

namespace tavorin {

namespace platform {
class ThreadPool;
}

// The image an evaluation reads: band-sequential (band k of pixel p at k * N + p), shared
// read-only by everything of one run that reads the image.
struct EvaluationImage {
    std::shared_ptr<const BandSamples> bandData;
    long long pixelCount = 0;  // N, the pixels of bandData
    int bandCount = 0;         // d
    int clusterNumber = 0;     // K
    // The searched pixels of every process when the image is split among processes (the N of
    // the Xie-Beni index); 0: pixelCount, the image is whole.
    long long searchedPixelCount = 0;

    long long allPixelCount() const {
        return searchedPixelCount > 0 ? searchedPixelCount : pixelCount;
    }
};

// The objective evaluation of one run: the Xie-Beni index and Jm of solutions on the run's
// image, one at a time, in batches and as neighbours of a member, with the worker threads of
// the batches. Results never depend on the thread count.
class Evaluator {
  public:
    explicit Evaluator(EvaluationImage image, int threadCount = 1);
    ~Evaluator();
    Evaluator(const Evaluator&) = delete;
    Evaluator& operator=(const Evaluator&) = delete;

    double fuzzifier = 2.0;  // m of the memberships; the search never changes it

    const EvaluationImage& image() const { return image_; }
    int threadCount() const { return threadCount_; }
    // Evaluations that may run side by side (at least 1); results never depend on it.
    void SetThreadCount(int threadCount);
    // Starts the threads now and returns how many run; when the system grants fewer than
    // threadCount(), the evaluator goes on with those and threadCount() says how many.
    int StartThreads();

    // Writes the Xie-Beni index and Jm of `s` for its centres. Reads only the image, so
    // evaluations of different solutions may run at the same time.
    void Evaluate(CSolution& s) const;
    // Evaluates every solution of `solutions` in batches: one pass over the pixels a batch,
    // its chunks of pixels shared by up to threadCount() threads. The results are those of
    // evaluating them one after the other.
    void EvaluateAll(std::span<CSolution* const> solutions) const;
    // Evaluates the neighbours of `member` (neighbour c being `member` with centre c moved)
    // as one batch; the results are bit for bit those of Evaluate.
    void EvaluateNeighbours(const CSolution& member, std::span<CSolution* const> neighbours) const;

    // Evaluates with an image split among processes (this one holding one slice): every sum
    // runs through `link` over all slices in pixel order, so results are bit for bit those of
    // the whole image in one process. Null: the image is whole. The fuzzifier must be 2.
    void SetSliceLink(SliceLink* link) { link_ = link; }
    // On a process other than 0: its part of the batch process 0 shares, `count` solutions
    // with the centres centres[s]; the sums come from the slice before and go on to the next.
    // The terms of a group's first pixels are computed while its sums are on their way, so that
    // once they arrive mostly additions are left and the next slice soon has them.
    void ContinueBatch(const double* const* centres, std::size_t count) const;
    // Bytes of such terms computed ahead (0: none); -1: on five processes or more four times
    // the bytes of the samples held, at least 256 MiB, and none on fewer.
    long long termsAheadBytes = -1;

    // The samples of the searched pixels `pixels` (indices among all searched pixels of the
    // image, on every process), pixel after pixel, band after band: d values a pixel.
    std::vector<double> PixelSamples(std::span<const long long> pixels) const;
    // The same for pixels of this process's own slice, `pixels` counted from its first.
    std::vector<double> HeldPixelSamples(std::span<const long long> pixels) const;

    // The crisp labels of `s` for the N pixels of the image (labels[p] for pixel p): 1 + the
    // cluster of largest membership, the first of equals, or 1 + the last cluster a pixel lies
    // on; 0 when no membership is positive. Chunks of pixels are shared by the threads.
    void Label(const CSolution& s, unsigned char* labels) const;

  private:
    // Adds the terms of this process's pixels to the running sums jm[s] of one batch of the
    // fuzzifier 2, its chunks shared by the threads.
    void ContinueJm(const squares::PixelBands& image, std::span<const double* const> centres,
                    double* jm, std::size_t firstChunk = 0) const;
    // The terms of the chunks 0 .. chunks - 1 of a batch, chunk c at terms + c * stride, shared
    // by the threads.
    void ChunkTermsAhead(const squares::PixelBands& image, std::span<const double* const> centres,
                         std::size_t chunks, double* terms, std::size_t stride) const;
    // EvaluateAll over a split image, on process 0.
    void EvaluateAllSliced(std::span<CSolution* const> solutions) const;
    bool sliced() const { return link_ != nullptr && link_->processCount() > 1; }
    // Calls work(chunk, scratch) for the chunks 0 .. chunks - 1 on up to threadCount() threads,
    // each thread with scratch of ChunkScratchSize(image) doubles of its own.
    void forEachChunk(const squares::PixelBands& image, std::size_t chunks,
                      const std::function<void(std::size_t, double*)>& work) const;
    std::size_t defaultTermsAhead() const;
    // The d samples of held pixel `pixel` into samples[i * d ...].
    void copyHeldSamples(long long pixel, std::vector<double>& samples, std::size_t i) const;

    // The workers of the side-by-side evaluations, made on first use and kept for the run.
    platform::ThreadPool& Pool() const;

    EvaluationImage image_;
    int threadCount_ = 1;
    mutable std::unique_ptr<platform::ThreadPool> pool_;
    SliceLink* link_ = nullptr;
    mutable std::vector<double> termsAhead_;  // ContinueBatch's terms computed ahead
};

}  // namespace tavorin
