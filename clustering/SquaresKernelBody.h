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

// Where the band values of one block are read: straight from an image of doubles, or from a
// copy in doubles for samples of another type and for a last block shorter than a whole
// number of vectors (zero-padded, so every load is whole).
struct BlockPixels {
    const double* pixels;
    std::size_t stride;
};

static_assert(sizeof(short) == 2 && sizeof(int) == 4, "the sample types' sizes");

template <class T>
void copyBlock(const PixelBands& image, std::size_t first, std::size_t count, std::size_t rounded,
               double* padded) {
    for (std::size_t k = 0; k < image.bandCount; ++k) {
        const T* from = static_cast<const T*>(image.bands) + k * image.pixelCount + first;
        double* to = padded + k * kBlockPixels;
        for (std::size_t p = 0; p < count; ++p) to[p] = static_cast<double>(from[p]);
        for (std::size_t p = count; p < rounded; ++p) to[p] = 0.0;
    }
}

template <std::size_t W>
BlockPixels blockPixels(const PixelBands& image, std::size_t first, std::size_t count,
                        double* padded) {
    const std::size_t rounded = count % W == 0 ? count : count + W - count % W;
    switch (image.type) {
        case SampleType::Float64:
            if (count % W == 0) {
                return {static_cast<const double*>(image.bands) + first, image.pixelCount};
            }
            copyBlock<double>(image, first, count, rounded, padded);
            break;
        case SampleType::Float32:
            copyBlock<float>(image, first, count, rounded, padded);
            break;
        case SampleType::UInt8:
            copyBlock<unsigned char>(image, first, count, rounded, padded);
            break;
        case SampleType::Int8:
            copyBlock<signed char>(image, first, count, rounded, padded);
            break;
        case SampleType::UInt16:
            copyBlock<unsigned short>(image, first, count, rounded, padded);
            break;
        case SampleType::Int16:
            copyBlock<short>(image, first, count, rounded, padded);
            break;
        case SampleType::UInt32:
            copyBlock<unsigned int>(image, first, count, rounded, padded);
            break;
        case SampleType::Int32:
            copyBlock<int>(image, first, count, rounded, padded);
            break;
    }
    return {padded, kBlockPixels};
}

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

// One solution's rows of a block, cluster-major (entry j * B + p): the squared distances q,
// the squares of the rounded distances, and per pixel the sum of their inverses.
template <class Lanes>
void BlockRows(const BlockPixels& block, std::size_t bands, std::size_t clusters,
               std::size_t blockCount, const double* solution, double* squared, double* powered,
               double* inverseSum) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    const V one = Lanes::Broadcast(1.0);
    for (std::size_t j = 0; j < clusters; ++j) {
        for (std::size_t p = 0; p < blockCount; p += W) {
            const V q =
                K::SquaredDistance(block.pixels, block.stride, bands, p, solution + j * bands);
            const V distance = Lanes::Sqrt(q);
            const V square = Lanes::Mul(distance, distance);
            Lanes::Store(squared + j * B + p, q);
            Lanes::Store(powered + j * B + p, square);
            const V before = j == 0 ? Lanes::Zero() : Lanes::Load(inverseSum + p);
            Lanes::Store(inverseSum + p, Lanes::Add(before, Lanes::Div(one, square)));
        }
    }
}

// The terms of a batch, for any cluster count (BatchTermsFixedClusters below covers the
// usual ones faster): per block, the distances, squares of the rounded distances and inverse
// sum of each solution in rows, then its memberships' terms. `terms` receives, for block b of
// the range and solution s, K rows of B terms (cluster-major) at (b * count + s) * K * B.
template <class Lanes>
void BatchTermsAnyClusters(const PixelBands& image, const double* const* centres, std::size_t count,
                           std::size_t first, std::size_t length, double* terms, double* scratch) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    const std::size_t clusters = image.clusterNumber;
    const std::size_t bands = image.bandCount;
    const std::size_t rows = clusters * B;

    double* squared = scratch;
    double* powered = squared + rows;
    double* inverseSum = powered + rows;
    double* padded = inverseSum + B;
    const V one = Lanes::Broadcast(1.0);

    for (std::size_t b = 0; b * B < length; ++b) {
        const std::size_t blockCount = smaller(B, length - b * B);
        const BlockPixels block = blockPixels<W>(image, first + b * B, blockCount, padded);
        for (std::size_t s = 0; s < count; ++s) {
            const double* solution = centres[s];
            double* solutionTerms = terms + (b * count + s) * rows;
            BlockRows<Lanes>(block, bands, clusters, blockCount, solution, squared, powered,
                             inverseSum);
            for (std::size_t j = 0; j < clusters; ++j) {
                for (std::size_t p = 0; p < blockCount; p += W) {
                    const V u = Lanes::Div(one, Lanes::Mul(Lanes::Load(powered + j * B + p),
                                                           Lanes::Load(inverseSum + p)));
                    Lanes::Store(solutionTerms + j * B + p,
                                 Lanes::Mul(Lanes::Mul(u, u), Lanes::Load(squared + j * B + p)));
                }
            }
            for (std::size_t p = 0; p < blockCount; ++p) {
                if (isFinite(inverseSum[p])) continue;
                FixCoincidingPixel(solutionTerms + p, B, clusters,
                                   [&](std::size_t j) { return squared[j * B + p]; });
            }
        }
    }
}

// The terms of a batch for a cluster count known when it is built: a vector of pixels keeps
// its distances to every centre in registers from the band arithmetic to the terms, so that
// the divider has little beside it but band arithmetic, and only the terms go to memory. The
// operations and their order are those of JmKernel, lane by lane; the layout of `terms` is
// that of BatchTermsAnyClusters.
template <class Lanes, std::size_t kClusters>
void BatchTermsFixedClusters(const PixelBands& image, const double* const* centres,
                             std::size_t count, std::size_t first, std::size_t length,
                             double* terms, double* scratch) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    constexpr std::size_t rows = kClusters * B;
    const std::size_t bands = image.bandCount;

    double* inverseSum = scratch;
    double* padded = inverseSum + B;
    const V one = Lanes::Broadcast(1.0);

    for (std::size_t b = 0; b * B < length; ++b) {
        const std::size_t blockCount = smaller(B, length - b * B);
        const BlockPixels block = blockPixels<W>(image, first + b * B, blockCount, padded);
        for (std::size_t s = 0; s < count; ++s) {
            const double* solution = centres[s];
            double* solutionTerms = terms + (b * count + s) * rows;
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
                Lanes::Store(inverseSum + p, sum);
                for (std::size_t j = 0; j < kClusters; ++j) {
                    const V u = Lanes::Div(one, Lanes::Mul(square[j], sum));
                    Lanes::Store(solutionTerms + j * B + p, Lanes::Mul(Lanes::Mul(u, u), q[j]));
                }
            }
            for (std::size_t p = 0; p < blockCount; ++p) {
                if (isFinite(inverseSum[p])) continue;
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
    }
}

// The crisp labels of the pixels first .. first + length - 1 for one solution: 1 + the first
// cluster of largest membership (0 when none is positive), or 1 + the last cluster a pixel
// lies on (distance 0 or NaN). The memberships are those of JmKernel, lane by lane.
template <class Lanes>
void LabelKernel(const PixelBands& image, const double* centres, std::size_t first,
                 std::size_t length, unsigned char* labels, double* scratch) {
    using K = Kernel<Lanes>;
    using V = typename K::V;
    constexpr std::size_t W = K::W;
    constexpr std::size_t B = K::B;
    const std::size_t clusters = image.clusterNumber;
    const std::size_t bands = image.bandCount;
    const std::size_t rows = clusters * B;

    double* squared = scratch;
    double* membership = squared + rows;
    double* inverseSum = membership + rows;
    double* padded = inverseSum + B;
    const V one = Lanes::Broadcast(1.0);

    for (std::size_t b = 0; b * B < length; ++b) {
        const std::size_t blockCount = smaller(B, length - b * B);
        const BlockPixels block = blockPixels<W>(image, first + b * B, blockCount, padded);
        BlockRows<Lanes>(block, bands, clusters, blockCount, centres, squared, membership,
                         inverseSum);
        for (std::size_t j = 0; j < clusters; ++j) {
            for (std::size_t p = 0; p < blockCount; p += W) {
                const V u = Lanes::Div(one, Lanes::Mul(Lanes::Load(membership + j * B + p),
                                                       Lanes::Load(inverseSum + p)));
                Lanes::Store(membership + j * B + p, u);
            }
        }
        unsigned char* blockLabels = labels + b * B;
        for (std::size_t p = 0; p < blockCount; ++p) {
            std::size_t coinciding = clusters;
            for (std::size_t j = 0; j < clusters; ++j) {
                const double q = squared[j * B + p];
                if (q == 0.0 || isNaN(q)) coinciding = j;
            }
            if (coinciding < clusters) {
                blockLabels[p] = static_cast<unsigned char>(coinciding + 1);
                continue;
            }
            double best = 0.0;
            unsigned char label = 0;
            for (std::size_t j = 0; j < clusters; ++j) {
                const double u = membership[j * B + p];
                if (u > best) {
                    best = u;
                    label = static_cast<unsigned char>(j + 1);
                }
            }
            blockLabels[p] = label;
        }
    }
}

template <class Lanes, std::size_t... kCounts>
bool BatchTermsOfCount(const PixelBands& image, const double* const* centres, std::size_t count,
                       std::size_t first, std::size_t length, double* terms, double* scratch,
                       std::index_sequence<kCounts...>) {
    return ((image.clusterNumber == kCounts + 2 &&
             (BatchTermsFixedClusters<Lanes, kCounts + 2>(image, centres, count, first, length,
                                                          terms, scratch),
              true)) ||
            ...);
}

// The terms of a batch of solutions over the pixels first .. first + length - 1 (first a
// multiple of the block size): each block is loaded once for the whole batch.
template <class Lanes>
void BatchTermsKernel(const PixelBands& image, const double* const* centres, std::size_t count,
                      std::size_t first, std::size_t length, double* terms, double* scratch) {
    if (!BatchTermsOfCount<Lanes>(image, centres, count, first, length, terms, scratch,
                                  std::make_index_sequence<kLargestFixedClusters - 1>())) {
        BatchTermsAnyClusters<Lanes>(image, centres, count, first, length, terms, scratch);
    }
}

}  // namespace
}  // namespace tavorin::squares::detail
