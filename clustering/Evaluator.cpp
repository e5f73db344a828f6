#include "clustering/Evaluator.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "clustering/SquaresKernel.h"
#include "platform/ThreadPool.h"

namespace tavorin {
namespace {

// Pixels handled together: the block's distances and terms for every cluster stay in the
// first-level cache, and every loop over the block runs over contiguous doubles.
constexpr std::size_t kBlockPixels = 128;

// x to the exponent of the memberships for a fuzzifier other than 2: the general power.
struct GeneralPower {
    double operator()(double x, double exponent) const { return std::pow(x, exponent); }
};

using ImageView = squares::PixelBands;

// Solutions evaluated in one pass over the pixels: enough side-by-side sums to hide the
// latency of their additions, few enough that the batch's rows stay in the cache.
constexpr std::size_t kBatchSolutions = 8;

// Working rows of one block, cluster-major: entry j * kBlockPixels + p.
struct BlockScratch {
    BlockScratch(std::size_t clusters, std::size_t bands)
        : squaredDistance(clusters * kBlockPixels),
          work(clusters * kBlockPixels),
          inverseSum(kBlockPixels),
          bandValues(bands * kBlockPixels),
          bandRows(bands) {}
    std::vector<double> squaredDistance;
    std::vector<double> work;
    std::vector<double> inverseSum;
    std::vector<double> bandValues;  // a block's samples as doubles, band k at k * kBlockPixels
    std::vector<const double*> bandRows;  // where band k of the block is read
};

// The samples of band k of the pixels p0..p0+count-1 as doubles: in place for an image of
// doubles, else converted into `converted` (kBlockPixels values).
const double* blockBand(const BandSamples& samples, std::size_t pixelCount, std::size_t k,
                        std::size_t p0, std::size_t count, double* converted) {
    return samples.Visit([&](const auto& values) -> const double* {
        const auto* from = values.data() + k * pixelCount + p0;
        if constexpr (std::is_same_v<std::decay_t<decltype(values)>, std::vector<double>>) {
            return from;
        } else {
            for (std::size_t p = 0; p < count; ++p) converted[p] = static_cast<double>(from[p]);
            return converted;
        }
    });
}

// q[j][p] = sum over bands, in band order, of (x_pk - v_jk)^2 for the pixels p0..p0+count-1.
// Each band of the block is read (and converted, if need be) once for all clusters.
void computeSquaredDistances(const BandSamples& samples, const ImageView& image,
                             const double* centres, std::size_t p0, std::size_t count,
                             BlockScratch& scratch) {
    double* q = scratch.squaredDistance.data();
    const std::vector<const double*>& bands = scratch.bandRows;
    for (std::size_t k = 0; k < image.bandCount; ++k) {
        scratch.bandRows[k] = blockBand(samples, image.pixelCount, k, p0, count,
                                        scratch.bandValues.data() + k * kBlockPixels);
    }
    for (std::size_t j = 0; j < image.clusterNumber; ++j) {
        double* row = q + j * kBlockPixels;
        const double* centre = centres + j * image.bandCount;
        for (std::size_t k = 0; k < image.bandCount; ++k) {
            const double* x = bands[k];
            const double v = centre[k];
            if (k == 0) {
                for (std::size_t p = 0; p < count; ++p) {
                    const double diff = x[p] - v;
                    row[p] = diff * diff;
                }
            } else {
                for (std::size_t p = 0; p < count; ++p) {
                    const double diff = x[p] - v;
                    row[p] = row[p] + diff * diff;
                }
            }
        }
    }
}

// Whether some distance of pixel p is zero or NaN (sqrt keeps both, so q tells).
bool hasCoincidence(const double* q, std::size_t p, std::size_t clusters) {
    for (std::size_t j = 0; j < clusters; ++j) {
        const double squared = q[j * kBlockPixels + p];
        if (squared == 0.0 || std::isnan(squared)) return true;
    }
    return false;
}

// The jm contribution of a pixel whose distance row has a zero or a NaN somewhere: the last
// coinciding cluster takes membership 1, all others 0. Returns the new running sum.
template <typename Power>
double addCoincidingPixel(double jm, const double* q, std::size_t p, std::size_t clusters,
                          double fuzzifier, Power power) {
    std::size_t coinciding = clusters;
    for (std::size_t j = 0; j < clusters; ++j) {
        const double distance = std::sqrt(q[j * kBlockPixels + p]);
        if (distance == 0.0 || std::isnan(distance)) coinciding = j;
    }
    for (std::size_t j = 0; j < clusters; ++j) {
        const double u = j == coinciding ? 1.0 : 0.0;
        jm += power(u, fuzzifier) * q[j * kBlockPixels + p];
    }
    return jm;
}

template <typename Power>
double computeJm(const BandSamples& samples, const ImageView& image, const double* centres,
                 double fuzzifier) {
    const double exponent = 2.0 / (fuzzifier - 1.0);
    const Power power;
    const std::size_t clusters = image.clusterNumber;
    BlockScratch scratch(clusters, image.bandCount);
    double* q = scratch.squaredDistance.data();
    double* w = scratch.work.data();
    double* s = scratch.inverseSum.data();

    // One running sum over pixels (outer) and clusters (inner).
    double jm = 0.0;
    for (std::size_t p0 = 0; p0 < image.pixelCount; p0 += kBlockPixels) {
        const std::size_t count = std::min(kBlockPixels, image.pixelCount - p0);
        computeSquaredDistances(samples, image, centres, p0, count, scratch);

        // w = D^e with D the rounded distance; s = sum over clusters of 1 / D^e.
        std::fill(s, s + count, 0.0);
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* qRow = q + j * kBlockPixels;
            double* wRow = w + j * kBlockPixels;
            for (std::size_t p = 0; p < count; ++p) {
                const double powered = power(std::sqrt(qRow[p]), exponent);
                wRow[p] = powered;
                s[p] = s[p] + 1.0 / powered;
            }
        }
        // w = u^m * q with the membership u = 1 / (D^e * s).
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* qRow = q + j * kBlockPixels;
            double* wRow = w + j * kBlockPixels;
            for (std::size_t p = 0; p < count; ++p) {
                const double u = 1.0 / (wRow[p] * s[p]);
                wRow[p] = power(u, fuzzifier) * qRow[p];
            }
        }
        for (std::size_t p = 0; p < count; ++p) {
            // A general exponent does not tie a finite sum to the absence of a coincidence.
            if (!hasCoincidence(q, p, clusters)) {
                for (std::size_t j = 0; j < clusters; ++j) jm += w[j * kBlockPixels + p];
            } else {
                jm = addCoincidingPixel(jm, q, p, clusters, fuzzifier, power);
            }
        }
    }
    return jm;
}

// The smallest squared distance between two different centres, starting from the pair (0, 1);
// a NaN on either side replaces the value.
double computeSeparation(const double* centres, std::size_t clusters, std::size_t bands) {
    const auto squaredDistance = [&](std::size_t a, std::size_t b) {
        double sum = 0.0;
        for (std::size_t k = 0; k < bands; ++k) {
            const double diff = centres[a * bands + k] - centres[b * bands + k];
            sum += diff * diff;
        }
        return sum;
    };
    double separation = squaredDistance(0, 1);
    for (std::size_t j = 0; j < clusters; ++j) {
        for (std::size_t l = j + 1; l < clusters; ++l) {
            const double candidate = squaredDistance(j, l);
            if (candidate < separation || std::isnan(candidate) || std::isnan(separation)) {
                separation = candidate;
            }
        }
    }
    return separation;
}

// The kernels' view of the pixels an evaluation holds.
ImageView viewOf(const EvaluationImage& run) {
    return {run.bandData ? run.bandData->data() : nullptr, static_cast<std::size_t>(run.pixelCount),
            static_cast<std::size_t>(run.bandCount), static_cast<std::size_t>(run.clusterNumber),
            run.bandData ? run.bandData->type() : SampleType::Float64};
}

// The image of an evaluation, after checking the sizes the evaluation relies on.
ImageView checkedImage(const EvaluationImage& run, const CSolution& s) {
    if (run.clusterNumber < 2 || run.bandCount < 1 || run.allPixelCount() < 1 ||
        run.pixelCount < 0) {
        throw std::invalid_argument(
            "Evaluate: needs at least two clusters, one band and one pixel");
    }
    const ImageView image = viewOf(run);
    if (!run.bandData || run.bandData->size() < image.pixelCount * image.bandCount) {
        throw std::invalid_argument("Evaluate: the image holds fewer values than its geometry");
    }
    if (s.centres.size() < image.clusterNumber * image.bandCount) {
        throw std::invalid_argument("Evaluate: the solution holds fewer centre values than K * d");
    }
    return image;
}

// `pixelCount` is the N of every searched pixel, on every process.
void storeObjectives(CSolution& s, double jm, const ImageView& image, long long pixelCount) {
    const double separation =
        computeSeparation(s.centres.data(), image.clusterNumber, image.bandCount);
    s.xbIndex = jm / (static_cast<double>(pixelCount) * separation);
    s.jm = jm;
}

}  // namespace

Evaluator::Evaluator(EvaluationImage image, int threadCount) : image_(std::move(image)) {
    SetThreadCount(threadCount);
}

Evaluator::~Evaluator() = default;

void Evaluator::SetThreadCount(int threadCount) {
    threadCount_ = std::max(threadCount, 1);
    if (pool_ && pool_->threadCount() != threadCount_) pool_.reset();
}

int Evaluator::StartThreads() {
    threadCount_ = Pool().threadCount();
    return threadCount_;
}

platform::ThreadPool& Evaluator::Pool() const {
    if (!pool_) pool_ = std::make_unique<platform::ThreadPool>(threadCount_);
    return *pool_;
}

void Evaluator::Evaluate(CSolution& s) const {
    if (sliced()) {
        CSolution* const one[] = {&s};
        EvaluateAllSliced(one);
        return;
    }
    const ImageView image = checkedImage(image_, s);
    const double* centres = s.centres.data();
    const double jm = fuzzifier == 2.0
                          ? squares::Jm(image, centres, squares::FastestWidth())
                          : computeJm<GeneralPower>(*image_.bandData, image, centres, fuzzifier);
    storeObjectives(s, jm, image, image_.allPixelCount());
}

void Evaluator::EvaluateNeighbours(const CSolution& member,
                                   std::span<CSolution* const> neighbours) const {
    checkedImage(image_, member);
    // A batch: one pass over the pixels for all of them, shared by the threads.
    EvaluateAll(neighbours);
}

void Evaluator::EvaluateAll(std::span<CSolution* const> solutions) const {
    if (solutions.empty()) return;
    if (sliced()) {
        EvaluateAllSliced(solutions);
        return;
    }
    if (fuzzifier != 2.0) {
        const int count = static_cast<int>(solutions.size());
        if (std::min(threadCount_, count) <= 1) {
            for (CSolution* solution : solutions) Evaluate(*solution);
            return;
        }
        Pool().Run(count, [&](int i) { Evaluate(*solutions[static_cast<std::size_t>(i)]); });
        return;
    }
    std::vector<ImageView> images;
    for (CSolution* solution : solutions) images.push_back(checkedImage(image_, *solution));
    std::vector<const double*> centres;
    std::vector<double> jm(kBatchSolutions);
    for (std::size_t start = 0; start < solutions.size(); start += kBatchSolutions) {
        const std::size_t end = std::min(solutions.size(), start + kBatchSolutions);
        centres.clear();
        for (std::size_t i = start; i < end; ++i) centres.push_back(solutions[i]->centres.data());
        std::fill(jm.begin(), jm.end(), 0.0);
        ContinueJm(images[start], centres, jm.data());
        for (std::size_t i = start; i < end; ++i) {
            storeObjectives(*solutions[i], jm[i - start], images[i], image_.allPixelCount());
        }
    }
}

void Evaluator::EvaluateAllSliced(std::span<CSolution* const> solutions) const {
    if (fuzzifier != 2.0) {
        throw std::logic_error("Evaluator: a split image is evaluated with the fuzzifier 2 only");
    }
    std::vector<ImageView> images;
    std::vector<const double*> centres;
    for (CSolution* solution : solutions) {
        images.push_back(checkedImage(image_, *solution));
        centres.push_back(solution->centres.data());
    }
    const std::size_t values = images.front().clusterNumber * images.front().bandCount;
    link_->ShareBatch(centres.data(), centres.size(), values);
    // Every group's sums leave for the next slice as soon as this slice has added its pixels,
    // so the next process works on one group while this one works on the following.
    const std::size_t group =
        SliceGroupSize(solutions.size(), link_->processCount(), kBatchSolutions);
    std::vector<double> jm(solutions.size(), 0.0);
    const std::span<const double* const> all(centres);
    for (std::size_t start = 0; start < solutions.size(); start += group) {
        const std::size_t count = std::min(group, solutions.size() - start);
        ContinueJm(images[start], all.subspan(start, count), jm.data() + start);
        link_->PassSums(std::span<const double>(jm).subspan(start, count));
    }
    for (std::size_t start = 0; start < solutions.size(); start += group) {
        const std::size_t count = std::min(group, solutions.size() - start);
        link_->FinishedSums(std::span<double>(jm).subspan(start, count));
    }
    for (std::size_t i = 0; i < solutions.size(); ++i) {
        storeObjectives(*solutions[i], jm[i], images[i], image_.allPixelCount());
    }
}

void Evaluator::ContinueBatch(const double* const* centres, std::size_t count) const {
    if (count == 0) return;
    const ImageView image = viewOf(image_);
    const std::size_t group = SliceGroupSize(count, link_->processCount(), kBatchSolutions);
    const std::span<const double* const> all(centres, count);
    const std::size_t budget =
        termsAheadBytes >= 0 ? static_cast<std::size_t>(termsAheadBytes) : defaultTermsAhead();
    const std::size_t stride = squares::ChunkTermsSize(image, group);
    const std::size_t ahead =
        std::min(squares::ChunkCount(image.pixelCount), budget / (stride * sizeof(double)));
    // Kept from batch to batch: a fresh buffer of this size costs its page faults every time.
    if (termsAhead_.size() < ahead * stride) termsAhead_.resize(ahead * stride);
    double* terms = termsAhead_.data();
    std::vector<double> jm(count);
    for (std::size_t start = 0; start < count; start += group) {
        const std::span<double> sums =
            std::span<double>(jm).subspan(start, std::min(group, count - start));
        const std::span<const double* const> members = all.subspan(start, sums.size());
        ChunkTermsAhead(image, members, ahead, terms, stride);
        link_->TakeSums(sums);
        for (std::size_t chunk = 0; chunk < ahead; ++chunk) {
            squares::AddChunkTerms(image, members.size(), chunk, terms + chunk * stride,
                                   sums.data());
        }
        ContinueJm(image, members, sums.data(), ahead);
        link_->PassSums(sums);
    }
}

std::size_t Evaluator::defaultTermsAhead() const {
    // Terms read back from memory cost about half their computation again; that pays only when
    // the sums pass enough processes to save more on their way (measured: from five on).
    if (link_->processCount() < 5) return 0;
    return std::max<std::size_t>(std::size_t{256} << 20,
                                 4 * (image_.bandData ? image_.bandData->bytes() : 0));
}

void Evaluator::ChunkTermsAhead(const squares::PixelBands& image,
                                std::span<const double* const> centres, std::size_t chunks,
                                double* terms, std::size_t stride) const {
    const squares::VectorWidth width = squares::FastestWidth();
    forEachChunk(image, chunks, [&](std::size_t chunk, double* scratch) {
        squares::ChunkTerms(image, centres, chunk, terms + chunk * stride, scratch, width);
    });
}

void Evaluator::forEachChunk(const squares::PixelBands& image, std::size_t chunks,
                             const std::function<void(std::size_t, double*)>& work) const {
    const int threads = static_cast<int>(std::min(chunks, static_cast<std::size_t>(threadCount_)));
    std::atomic<std::size_t> nextChunk{0};
    const auto workChunks = [&](int) {
        std::vector<double> scratch(squares::ChunkScratchSize(image));
        for (;;) {
            const std::size_t chunk = nextChunk.fetch_add(1);
            if (chunk >= chunks) return;
            work(chunk, scratch.data());
        }
    };
    if (threads <= 1) {
        workChunks(0);
        return;
    }
    Pool().Run(threads, workChunks);
}

std::vector<double> Evaluator::HeldPixelSamples(std::span<const long long> pixels) const {
    std::vector<double> samples(pixels.size() * static_cast<std::size_t>(image_.bandCount));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] < 0 || pixels[i] >= image_.pixelCount) {
            throw std::out_of_range("Evaluator: a pixel outside the image");
        }
        copyHeldSamples(pixels[i], samples, i);
    }
    return samples;
}

std::vector<double> Evaluator::PixelSamples(std::span<const long long> pixels) const {
    if (!sliced()) return HeldPixelSamples(pixels);
    // Process 0 holds the first slice, pixels 0 .. pixelCount - 1 of all; the link fills in
    // the others.
    std::vector<double> samples(pixels.size() * static_cast<std::size_t>(image_.bandCount));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] < image_.pixelCount) copyHeldSamples(pixels[i], samples, i);
    }
    link_->GatherPixelSamples(pixels, image_.bandCount, samples);
    return samples;
}

void Evaluator::copyHeldSamples(long long pixel, std::vector<double>& samples,
                                std::size_t i) const {
    const auto bands = static_cast<std::size_t>(image_.bandCount);
    const auto held = static_cast<std::size_t>(image_.pixelCount);
    for (std::size_t k = 0; k < bands; ++k) {
        samples[i * bands + k] = image_.bandData->at(k * held + static_cast<std::size_t>(pixel));
    }
}

void Evaluator::Label(const CSolution& s, unsigned char* labels) const {
    const ImageView image = checkedImage(image_, s);
    const squares::VectorWidth width = squares::FastestWidth();
    forEachChunk(image, squares::ChunkCount(image.pixelCount),
                 [&](std::size_t chunk, double* scratch) {
                     squares::ChunkLabels(image, s.centres.data(), chunk,
                                          labels + chunk * squares::kChunkPixels, scratch, width);
                 });
}

void Evaluator::ContinueJm(const squares::PixelBands& image, std::span<const double* const> centres,
                           double* jm, std::size_t firstChunk) const {
    const squares::VectorWidth width = squares::FastestWidth();
    const std::size_t chunks = squares::ChunkCount(image.pixelCount);
    const std::size_t left = chunks - std::min(chunks, firstChunk);
    const int threads = static_cast<int>(std::min(left, static_cast<std::size_t>(threadCount_)));
    if (threads <= 1) {
        squares::ContinueBatchJm(image, centres, jm, width, firstChunk);
        return;
    }
    // The threads take chunks in order and compute their terms side by side; each adds its
    // chunk's terms once the chunk before has been added, so every sum runs over the pixels in
    // order, exactly as on one thread.
    std::atomic<std::size_t> nextChunk{firstChunk};
    std::atomic<std::size_t> added{firstChunk};
    Pool().Run(threads, [&](int) {
        std::vector<double> terms(squares::ChunkTermsSize(image, centres.size()));
        std::vector<double> scratch(squares::ChunkScratchSize(image));
        for (;;) {
            const std::size_t chunk = nextChunk.fetch_add(1);
            if (chunk >= chunks) return;
            squares::ChunkTerms(image, centres, chunk, terms.data(), scratch.data(), width);
            while (added.load(std::memory_order_acquire) != chunk) std::this_thread::yield();
            squares::AddChunkTerms(image, centres.size(), chunk, terms.data(), jm);
            added.store(chunk + 1, std::memory_order_release);
        }
    });
}

}  // namespace tavorin
