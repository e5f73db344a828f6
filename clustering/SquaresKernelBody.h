#pragma once

// The Jm kernels of the fuzzifier 2, written once for any vector width. Included by one
// translation unit per width, each of which supplies a `Lanes` type:
//   V, kWidth, Load, Store, Broadcast, Zero, Add, Sub, Mul, Div, Sqrt
// All of this has internal linkage and uses no standard-library code, so nothing built here
// for one instruction set can stand in for code of another.
//
// Per pixel and cluster the exact formulas need one square root and two divisions (1 / D^2
// for the sum S, then u = 1 / (D^2 * S)); these share the processor's one divider, which
// therefore sets the pace. The running sums of the terms, chains of dependent additions, are
// spread over the divider loops of the next block, so that they run beside the divisions.

#include <cstddef>
#include <utility>

#include "clustering/SquaresKernelEntry.h"

namespace tavorin::squares::detail {
namespace {

inline std::size_t smaller(std::size_t a, std::size_t b) { return a < b ? a : b; }
inline bool isFinite(double x) { return __builtin_isfinite(x); }
inline bool isNaN(double x) { return __builtin_isnan(x); }

template <class Lanes>
struct Kernel {
    using V = typename Lanes::V;
    static constexpr std::size_t W = Lanes::kWidth;
    static constexpr std::size_t B = kBlockPixels;
    static_assert(B % W == 0, "a block holds whole vectors");

    // Squared distances of the block's pixels p .. p + W - 1 to one centre, band by band in
    // order. Band k of block pixel p is at pixels[k * stride + p].
    static V SquaredDistance(const double* pixels, std::size_t stride, std::size_t bands,
                             std::size_t p, const double* centre) {
        V diff = Lanes::Sub(Lanes::Load(pixels + p), Lanes::Broadcast(centre[0]));
        V sum = Lanes::Mul(diff, diff);
        for (std::size_t k = 1; k < bands; ++k) {
            diff = Lanes::Sub(Lanes::Load(pixels + k * stride + p), Lanes::Broadcast(centre[k]));
            sum = Lanes::Add(sum, Lanes::Mul(diff, diff));
        }
        return sum;
    }

    // Stores the valid lanes of `term` at terms[(p + l) * clusters + j], the running sum's order.
    static void ScatterTerms(V term, double* terms, std::size_t p, std::size_t count,
                             std::size_t clusters, std::size_t j) {
        double lanes[W];
        Lanes::Store(lanes, term);
        const std::size_t valid = smaller(W, count - p);
        for (std::size_t l = 0; l < valid; ++l) terms[(p + l) * clusters + j] = lanes[l];
    }
};

// Where the band values of one block are read: straight from the image, or for a last block
// shorter than a whole number of vectors from a zero-padded copy, so every load is whole.
struct BlockPixels {
    const double* pixels;
    std::size_t stride;
};

template <std::size_t W>
BlockPixels blockPixels(const PixelBands& image, std::size_t first, std::size_t count,
                        double* padded) {
    if (count % W == 0) return {image.bands + first, image.pixelCount};
    const std::size_t rounded = count + W - count % W;
    for (std::size_t k = 0; k < image.bandCount; ++k) {
        const double* from = image.bands + k * image.pixelCount + first;
        double* to = padded + k * kBlockPixels;
        for (std::size_t p = 0; p < rounded; ++p) to[p] = p < count ? from[p] : 0.0;
    }
    return {padded, kBlockPixels};
}

// Running sums of one or more solutions over the terms of the previous block, added a few at
// a time between the divider work, pixel by pixel and cluster by cluster. The terms of a block
// are cluster-major (entry j * kBlockPixels + p). With several solutions each step adds one
// term to every sum, so their chains run side by side.
class RunningSums {
  public:
    RunningSums(double* sums, std::size_t chains) : sums_(sums), chains_(chains) {
        for (std::size_t c = 0; c < chains; ++c) sums_[c] = 0.0;
    }

    // The next block whose terms to add: chain c reads terms + c * stride.
    void Restart(const double* terms, std::size_t stride, std::size_t pixels,
                 std::size_t clusters) {
        Finish();
        terms_ = terms;
        stride_ = stride;
        pixels_ = pixels;
        clusters_ = clusters;
        pixel_ = 0;
        cluster_ = 0;
    }

    void Step() {
        if (pixel_ == pixels_) return;
        const std::size_t at = cluster_ * kBlockPixels + pixel_;
        for (std::size_t c = 0; c < chains_; ++c) sums_[c] += terms_[c * stride_ + at];
        if (++cluster_ == clusters_) {
            cluster_ = 0;
            ++pixel_;
        }
    }

    void Finish() {
        while (pixel_ < pixels_) Step();
    }

  private:
    double* sums_;
    std::size_t chains_;
    const double* terms_ = nullptr;
    std::size_t stride_ = 0;
    std::size_t pixels_ = 0;
    std::size_t clusters_ = 0;
    std::size_t pixel_ = 0;
    std::size_t cluster_ = 0;
};

// One running sum over a block's terms stored pixel-major (entry p * K + j), the order of the
// sum, added a few at a time between the divider work.
class LinearSum {
  public:
    void Restart(const double* terms, std::size_t count) {
        Finish();
        terms_ = terms;
        count_ = count;
        cursor_ = 0;
    }
    template <std::size_t kAdditions>
    void Step() {
        if (cursor_ + kAdditions <= count_) {
            for (std::size_t a = 0; a < kAdditions; ++a) sum_ += terms_[cursor_ + a];
            cursor_ += kAdditions;
        }
    }
    void Finish() {
        for (; cursor_ < count_; ++cursor_) sum_ += terms_[cursor_];
    }
    double sum() const { return sum_; }

  private:
    double sum_ = 0.0;
    const double* terms_ = nullptr;
    std::size_t count_ = 0;
    std::size_t cursor_ = 0;
};

// A pixel with a zero or NaN distance has an infinite or NaN inverse sum; when one of its
// distances is zero or NaN the last such cluster takes membership 1 and all others 0.
// squared(j) gives the pixel's squared distance to cluster j.
// The pixel's term of cluster j is at terms[j * stride].
template <class SquaredOf>
void FixCoincidingPixel(double* terms, std::size_t stride, std::size_t clusters,
                        SquaredOf squared) {
    std::size_t coinciding = clusters;
    for (std::size_t j = 0; j < clusters; ++j) {
        const double q = squared(j);
        if (q == 0.0 || isNaN(q)) coinciding = j;
    }
    if (coinciding == clusters) return;
    for (std::size_t j = 0; j < clusters; ++j) {
        const double u = j == coinciding ? 1.0 : 0.0;
        terms[j * stride] = (u * u) * squared(j);
    }
}

// Jm of one solution. Software-pipelined over blocks: the square roots and first divisions of
// a block share their loop with the band arithmetic of the next block's distances, and both
// divider loops carry the running sum of the previous block's terms.
template <class Lanes>
double JmKernel(const PixelBands& image, const double* centres, double* scratch) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    // Both divider loops together run 2 * K * B / W iterations for the K * B terms.
    constexpr std::size_t kStepsPerIteration = (W + 1) / 2;
    const std::size_t clusters = image.clusterNumber;
    const std::size_t bands = image.bandCount;
    const std::size_t pixels = image.pixelCount;

    // Rows of a block, cluster-major: entry j * B + p.
    double* current = scratch;
    double* next = current + clusters * B;
    double* powered = next + clusters * B;
    double* terms = powered + clusters * B;
    double* previousTerms = terms + clusters * B;
    double* inverseSum = previousTerms + clusters * B;
    double* padded = inverseSum + B;

    LinearSum sum;
    const V one = Lanes::Broadcast(1.0);

    const std::size_t firstCount = smaller(B, pixels);
    const BlockPixels first = blockPixels<W>(image, 0, firstCount, padded);
    for (std::size_t j = 0; j < clusters; ++j) {
        for (std::size_t p = 0; p < firstCount; p += W) {
            Lanes::Store(current + j * B + p, K::SquaredDistance(first.pixels, first.stride, bands,
                                                                 p, centres + j * bands));
        }
    }

    for (std::size_t p0 = 0; p0 < pixels; p0 += B) {
        const std::size_t count = smaller(B, pixels - p0);
        const std::size_t nextFirst = p0 + B;
        const std::size_t nextCount = nextFirst < pixels ? smaller(B, pixels - nextFirst) : 0;
        const BlockPixels following = blockPixels<W>(image, nextFirst, nextCount, padded);

        // powered = D * D with D = sqrt(q); inverseSum = sum over clusters of 1 / powered.
        for (std::size_t p = 0; p < count; p += W) Lanes::Store(inverseSum + p, Lanes::Zero());
        const std::size_t longer = count > nextCount ? count : nextCount;
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* q = current + j * B;
            double* poweredRow = powered + j * B;
            double* nextRow = next + j * B;
            const double* centre = centres + j * bands;
            for (std::size_t p = 0; p < longer; p += W) {
                if (p < count) {
                    const V distance = Lanes::Sqrt(Lanes::Load(q + p));
                    const V square = Lanes::Mul(distance, distance);
                    Lanes::Store(poweredRow + p, square);
                    Lanes::Store(inverseSum + p,
                                 Lanes::Add(Lanes::Load(inverseSum + p), Lanes::Div(one, square)));
                    sum.template Step<kStepsPerIteration>();
                }
                if (p < nextCount) {
                    Lanes::Store(nextRow + p, K::SquaredDistance(following.pixels, following.stride,
                                                                 bands, p, centre));
                }
            }
        }

        // terms = u * u * q with u = 1 / (powered * inverseSum).
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* q = current + j * B;
            const double* poweredRow = powered + j * B;
            for (std::size_t p = 0; p < count; p += W) {
                const V u = Lanes::Div(
                    one, Lanes::Mul(Lanes::Load(poweredRow + p), Lanes::Load(inverseSum + p)));
                K::ScatterTerms(Lanes::Mul(Lanes::Mul(u, u), Lanes::Load(q + p)), terms, p, count,
                                clusters, j);
                sum.template Step<kStepsPerIteration>();
            }
        }

        for (std::size_t p = 0; p < count; ++p) {
            if (isFinite(inverseSum[p])) continue;
            FixCoincidingPixel(terms + p * clusters, 1, clusters,
                               [&](std::size_t j) { return current[j * B + p]; });
        }

        sum.Restart(terms, count * clusters);
        double* swapped = terms;
        terms = previousTerms;
        previousTerms = swapped;
        swapped = current;
        current = next;
        next = swapped;
    }
    sum.Finish();
    return sum.sum();
}

// Jm of variants of one solution, each with one centre moved. Per block: the member's squared
// distances, squares of the rounded distances and their reciprocals, once; then per variant
// only the moved centre's, the inverse sum in cluster order and the memberships.
template <class Lanes>
void NeighbourJmKernel(const PixelBands& image, const double* memberCentres,
                       const MovedCentre* moves, std::size_t moveCount, double* jm,
                       double* scratch) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    const std::size_t clusters = image.clusterNumber;
    const std::size_t bands = image.bandCount;
    const std::size_t pixels = image.pixelCount;
    const std::size_t termsPerMove = clusters * B;

    // Rows of a block, cluster-major: entry j * B + p.
    double* memberSquared = scratch;
    double* memberPowered = memberSquared + clusters * B;
    double* memberInverse = memberPowered + clusters * B;
    double* movedSquared = memberInverse + clusters * B;
    double* movedPowered = movedSquared + B;
    double* inverseSum = movedPowered + B;
    double* terms = inverseSum + B;  // move v's rows start at v * termsPerMove
    double* previousTerms = terms + moveCount * termsPerMove;
    double* padded = previousTerms + moveCount * termsPerMove;
    // The sums live in this call's scratch and reach `jm` only at the end: several calls run
    // side by side on neighbouring entries of one `jm`, which must not share cache lines on
    // every addition.
    double* localSums = padded + bands * B;

    RunningSums sums(localSums, moveCount);
    const V one = Lanes::Broadcast(1.0);

    for (std::size_t p0 = 0; p0 < pixels; p0 += B) {
        const std::size_t count = smaller(B, pixels - p0);
        const BlockPixels block = blockPixels<W>(image, p0, count, padded);

        for (std::size_t j = 0; j < clusters; ++j) {
            const double* centre = memberCentres + j * bands;
            for (std::size_t p = 0; p < count; p += W) {
                const V q = K::SquaredDistance(block.pixels, block.stride, bands, p, centre);
                const V distance = Lanes::Sqrt(q);
                const V square = Lanes::Mul(distance, distance);
                Lanes::Store(memberSquared + j * B + p, q);
                Lanes::Store(memberPowered + j * B + p, square);
                Lanes::Store(memberInverse + j * B + p, Lanes::Div(one, square));
                sums.Step();
            }
        }

        for (std::size_t v = 0; v < moveCount; ++v) {
            const std::size_t c = moves[v].cluster;
            double* moveTerms = terms + v * termsPerMove;
            for (std::size_t p = 0; p < count; p += W) {
                const V q =
                    K::SquaredDistance(block.pixels, block.stride, bands, p, moves[v].values);
                const V distance = Lanes::Sqrt(q);
                const V square = Lanes::Mul(distance, distance);
                Lanes::Store(movedSquared + p, q);
                Lanes::Store(movedPowered + p, square);
                const V movedInverse = Lanes::Div(one, square);
                V s = Lanes::Zero();
                for (std::size_t l = 0; l < clusters; ++l) {
                    s = Lanes::Add(s,
                                   l == c ? movedInverse : Lanes::Load(memberInverse + l * B + p));
                }
                Lanes::Store(inverseSum + p, s);
                sums.Step();
            }
            for (std::size_t j = 0; j < clusters; ++j) {
                const double* q = j == c ? movedSquared : memberSquared + j * B;
                const double* poweredRow = j == c ? movedPowered : memberPowered + j * B;
                double* termRow = moveTerms + j * B;
                for (std::size_t p = 0; p < count; p += W) {
                    const V u = Lanes::Div(
                        one, Lanes::Mul(Lanes::Load(poweredRow + p), Lanes::Load(inverseSum + p)));
                    Lanes::Store(termRow + p, Lanes::Mul(Lanes::Mul(u, u), Lanes::Load(q + p)));
                    sums.Step();
                }
            }
            for (std::size_t p = 0; p < count; ++p) {
                if (isFinite(inverseSum[p])) continue;
                FixCoincidingPixel(moveTerms + p, B, clusters, [&](std::size_t j) {
                    return j == c ? movedSquared[p] : memberSquared[j * B + p];
                });
            }
        }

        sums.Restart(terms, termsPerMove, count, clusters);
        double* swapped = terms;
        terms = previousTerms;
        previousTerms = swapped;
    }
    sums.Finish();
    for (std::size_t v = 0; v < moveCount; ++v) jm[v] = localSums[v];
}

// The batch kernel for any cluster count (BatchJmKernel below covers the usual ones faster).
// Jm of a batch of solutions in one pass over the pixels: each block is loaded once for the
// whole batch, and the batch's running sums advance side by side, so that their additions
// overlap instead of waiting on each other. Software-pipelined over the batch: the distances,
// square roots and first divisions of solution s + 1 share their loop with the memberships of
// solution s, so that the divider always has band arithmetic beside it. Each solution's sum is
// exactly that of JmKernel.
template <class Lanes>
void BatchJmAnyClusters(const PixelBands& image, const double* const* centres, std::size_t count,
                        double* jm, double* scratch) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    const std::size_t clusters = image.clusterNumber;
    const std::size_t bands = image.bandCount;
    const std::size_t pixels = image.pixelCount;
    const std::size_t rows = clusters * B;

    // Two sets of rows, cluster-major (entry j * B + p): solution s uses set s % 2.
    double* squared[2] = {scratch, scratch + rows};
    double* powered[2] = {scratch + 2 * rows, scratch + 3 * rows};
    double* inverseSum[2] = {scratch + 4 * rows, scratch + 4 * rows + B};
    double* terms = inverseSum[1] + B;  // solution s's rows start at s * rows
    double* padded = terms + count * rows;
    // As for the neighbours: the sums stay in this call's scratch until the end.
    double* sums = padded + bands * B;
    for (std::size_t s = 0; s < count; ++s) sums[s] = 0.0;
    const V one = Lanes::Broadcast(1.0);

    for (std::size_t p0 = 0; p0 < pixels; p0 += B) {
        const std::size_t blockCount = smaller(B, pixels - p0);
        const BlockPixels block = blockPixels<W>(image, p0, blockCount, padded);

        // Distances, powered = D * D and the inverse sum of solution s into set s % 2.
        const auto distances = [&](std::size_t s, std::size_t j, std::size_t p) {
            const std::size_t set = s % 2;
            const V q =
                K::SquaredDistance(block.pixels, block.stride, bands, p, centres[s] + j * bands);
            const V distance = Lanes::Sqrt(q);
            const V square = Lanes::Mul(distance, distance);
            Lanes::Store(squared[set] + j * B + p, q);
            Lanes::Store(powered[set] + j * B + p, square);
            const V before = j == 0 ? Lanes::Zero() : Lanes::Load(inverseSum[set] + p);
            Lanes::Store(inverseSum[set] + p, Lanes::Add(before, Lanes::Div(one, square)));
        };
        // The terms u * u * q of solution s, u = 1 / (powered * inverseSum).
        const auto memberships = [&](std::size_t s, std::size_t j, std::size_t p) {
            const std::size_t set = s % 2;
            const V u = Lanes::Div(one, Lanes::Mul(Lanes::Load(powered[set] + j * B + p),
                                                   Lanes::Load(inverseSum[set] + p)));
            Lanes::Store(terms + s * rows + j * B + p,
                         Lanes::Mul(Lanes::Mul(u, u), Lanes::Load(squared[set] + j * B + p)));
        };

        for (std::size_t j = 0; j < clusters; ++j) {
            for (std::size_t p = 0; p < blockCount; p += W) distances(0, j, p);
        }
        for (std::size_t s = 0; s < count; ++s) {
            const bool following = s + 1 < count;
            for (std::size_t j = 0; j < clusters; ++j) {
                for (std::size_t p = 0; p < blockCount; p += W) {
                    memberships(s, j, p);
                    if (following) distances(s + 1, j, p);
                }
            }
            const std::size_t set = s % 2;
            for (std::size_t p = 0; p < blockCount; ++p) {
                if (isFinite(inverseSum[set][p])) continue;
                FixCoincidingPixel(terms + s * rows + p, B, clusters,
                                   [&](std::size_t j) { return squared[set][j * B + p]; });
            }
        }

        // Every solution's sum, pixel by pixel and cluster by cluster: four solutions at a
        // time in registers, their independent chains advanced together (a short last group
        // repeats its final solution and drops the copies).
        for (std::size_t s0 = 0; s0 < count; s0 += 4) {
            const double* t[4];
            for (std::size_t i = 0; i < 4; ++i) t[i] = terms + smaller(s0 + i, count - 1) * rows;
            double a0 = sums[s0];
            double a1 = sums[smaller(s0 + 1, count - 1)];
            double a2 = sums[smaller(s0 + 2, count - 1)];
            double a3 = sums[smaller(s0 + 3, count - 1)];
            for (std::size_t p = 0; p < blockCount; ++p) {
                for (std::size_t j = 0; j < clusters; ++j) {
                    const std::size_t at = j * B + p;
                    a0 += t[0][at];
                    a1 += t[1][at];
                    a2 += t[2][at];
                    a3 += t[3][at];
                }
            }
            const double groupSums[4] = {a0, a1, a2, a3};
            for (std::size_t i = 0; i < 4 && s0 + i < count; ++i) sums[s0 + i] = groupSums[i];
        }
    }
    for (std::size_t s = 0; s < count; ++s) jm[s] = sums[s];
}

// Adds the terms of one block (row j at terms + j * B, entry p) to four running sums, pixel by
// pixel and cluster by cluster; t[i] are the four solutions' term rows.
template <std::size_t kClusters>
void AddBlockTerms(const double* const* t, std::size_t blockCount, double* sums) {
    constexpr std::size_t B = kBlockPixels;
    double a0 = sums[0], a1 = sums[1], a2 = sums[2], a3 = sums[3];
    for (std::size_t p = 0; p < blockCount; ++p) {
        for (std::size_t j = 0; j < kClusters; ++j) {
            const std::size_t at = j * B + p;
            a0 += t[0][at];
            a1 += t[1][at];
            a2 += t[2][at];
            a3 += t[3][at];
        }
    }
    sums[0] = a0;
    sums[1] = a1;
    sums[2] = a2;
    sums[3] = a3;
}

// The batch kernel for a cluster count known when it is built: a vector of pixels keeps its
// distances to every centre in registers from the band arithmetic to the terms, so that the
// divider has little beside it but band arithmetic, and only the terms go to memory. The
// operations and their order are those of JmKernel, lane by lane.
template <class Lanes, std::size_t kClusters>
void BatchJmFixedClusters(const PixelBands& image, const double* const* centres, std::size_t count,
                          double* jm, double* scratch) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    constexpr std::size_t rows = kClusters * B;
    const std::size_t bands = image.bandCount;
    const std::size_t pixels = image.pixelCount;

    double* terms = scratch;                    // solution s's rows, cluster-major, at s * rows
    double* inverseSum = terms + count * rows;  // solution s's row at s * B
    double* padded = inverseSum + count * B;
    double* sums = padded + bands * B;  // rounded up to whole groups of four
    const std::size_t groups = (count + 3) / 4;
    for (std::size_t s = 0; s < 4 * groups; ++s) sums[s] = 0.0;
    const V one = Lanes::Broadcast(1.0);

    for (std::size_t p0 = 0; p0 < pixels; p0 += B) {
        const std::size_t blockCount = smaller(B, pixels - p0);
        const BlockPixels block = blockPixels<W>(image, p0, blockCount, padded);

        for (std::size_t s = 0; s < count; ++s) {
            const double* solution = centres[s];
            double* solutionTerms = terms + s * rows;
            double* solutionInverse = inverseSum + s * B;
            // The band arithmetic of the next vector of pixels comes before the divider work
            // of this one, so that both are in flight together.
            V following[kClusters];
            for (std::size_t j = 0; j < kClusters; ++j) {
                following[j] =
                    K::SquaredDistance(block.pixels, block.stride, bands, 0, solution + j * bands);
            }
            for (std::size_t p = 0; p < blockCount; p += W) {
                V q[kClusters];
                V square[kClusters];
                for (std::size_t j = 0; j < kClusters; ++j) q[j] = following[j];
                if (p + W < blockCount) {
                    for (std::size_t j = 0; j < kClusters; ++j) {
                        following[j] = K::SquaredDistance(block.pixels, block.stride, bands, p + W,
                                                          solution + j * bands);
                    }
                }
                V sum = Lanes::Zero();
                for (std::size_t j = 0; j < kClusters; ++j) {
                    const V distance = Lanes::Sqrt(q[j]);
                    square[j] = Lanes::Mul(distance, distance);
                    sum = Lanes::Add(sum, Lanes::Div(one, square[j]));
                }
                Lanes::Store(solutionInverse + p, sum);
                for (std::size_t j = 0; j < kClusters; ++j) {
                    const V u = Lanes::Div(one, Lanes::Mul(square[j], sum));
                    Lanes::Store(solutionTerms + j * B + p, Lanes::Mul(Lanes::Mul(u, u), q[j]));
                }
            }
            for (std::size_t p = 0; p < blockCount; ++p) {
                if (isFinite(solutionInverse[p])) continue;
                // The pixel's squared distances once more, by the same operations.
                FixCoincidingPixel(solutionTerms + p, B, kClusters, [&](std::size_t j) {
                    const double* centre = solution + j * bands;
                    double diff = block.pixels[p] - centre[0];
                    double q = diff * diff;
                    for (std::size_t k = 1; k < bands; ++k) {
                        diff = block.pixels[k * block.stride + p] - centre[k];
                        q = q + diff * diff;
                    }
                    return q;
                });
            }
        }

        // Four solutions at a time; a short last group repeats its final solution into sums
        // that are dropped.
        for (std::size_t g = 0; g < groups; ++g) {
            const double* t[4];
            for (std::size_t i = 0; i < 4; ++i) t[i] = terms + smaller(4 * g + i, count - 1) * rows;
            AddBlockTerms<kClusters>(t, blockCount, sums + 4 * g);
        }
    }
    for (std::size_t s = 0; s < count; ++s) jm[s] = sums[s];
}

template <class Lanes, std::size_t... kCounts>
bool BatchJmOfCount(std::size_t clusters, const PixelBands& image, const double* const* centres,
                    std::size_t count, double* jm, double* scratch,
                    std::index_sequence<kCounts...>) {
    return (
        (clusters == kCounts + 2 &&
         (BatchJmFixedClusters<Lanes, kCounts + 2>(image, centres, count, jm, scratch), true)) ||
        ...);
}

// Jm of a batch of solutions in one pass over the pixels: each block is loaded once for the
// whole batch, and the batch's running sums advance side by side, four at a time, so that
// their additions overlap instead of waiting on each other. Each solution's sum is exactly
// that of JmKernel.
template <class Lanes>
void BatchJmKernel(const PixelBands& image, const double* const* centres, std::size_t count,
                   double* jm, double* scratch) {
    if (!BatchJmOfCount<Lanes>(image.clusterNumber, image, centres, count, jm, scratch,
                               std::make_index_sequence<kLargestFixedClusters - 1>())) {
        BatchJmAnyClusters<Lanes>(image, centres, count, jm, scratch);
    }
}

}  // namespace
}  // namespace tavorin::squares::detail
