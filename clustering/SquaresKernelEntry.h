#pragma once

#include <cstddef>

#include "clustering/SquaresKernel.h"

// The entry points of the kernels built once per vector width, each in its own translation
// unit with its own instruction-set flags. The callers own the scratch memory, so the kernels
// need no standard-library code (whose shared inline copies must not be built for AVX2).
namespace tavorin::squares::detail {

// Pixels handled together: a block's rows for every cluster stay in the first-level cache.
inline constexpr std::size_t kBlockPixels = 128;

// Scratch doubles of the kernels: block rows per cluster, a zero-padded copy of a last,
// partial block's bands, and the neighbours' sums.
static constexpr std::size_t JmScratchSize(std::size_t clusters, std::size_t bands) {
    return (5 * clusters + 1 + bands) * kBlockPixels;
}

static constexpr std::size_t NeighbourScratchSize(std::size_t clusters, std::size_t bands,
                                                  std::size_t moves) {
    return (3 * clusters + 3 + 2 * moves * clusters + bands) * kBlockPixels + moves;
}

// Cluster counts 2 .. kLargestFixedClusters have batch kernels of their own.
inline constexpr std::size_t kLargestFixedClusters = 19;

// Enough for both batch kernels: the one for any cluster count and the fixed ones.
static constexpr std::size_t BatchScratchSize(std::size_t clusters, std::size_t bands,
                                              std::size_t solutions) {
    return (4 * clusters + 2 + solutions * (clusters + 1) + bands) * kBlockPixels + solutions + 4;
}

void BatchJmSse2(const PixelBands& image, const double* const* centres, std::size_t count,
                 double* jm, double* scratch);
void BatchJmAvx2(const PixelBands& image, const double* const* centres, std::size_t count,
                 double* jm, double* scratch);
void BatchJmAvx512(const PixelBands& image, const double* const* centres, std::size_t count,
                   double* jm, double* scratch);

double JmSse2(const PixelBands& image, const double* centres, double* scratch);
void NeighbourJmSse2(const PixelBands& image, const double* memberCentres, const MovedCentre* moves,
                     std::size_t moveCount, double* jm, double* scratch);

// Defined only on x86-64; called only where the processor reports AVX2.
double JmAvx2(const PixelBands& image, const double* centres, double* scratch);
void NeighbourJmAvx2(const PixelBands& image, const double* memberCentres, const MovedCentre* moves,
                     std::size_t moveCount, double* jm, double* scratch);

// Defined only on x86-64; called only where the processor reports AVX-512F.
double JmAvx512(const PixelBands& image, const double* centres, double* scratch);
void NeighbourJmAvx512(const PixelBands& image, const double* memberCentres,
                       const MovedCentre* moves, std::size_t moveCount, double* jm,
                       double* scratch);

}  // namespace tavorin::squares::detail
