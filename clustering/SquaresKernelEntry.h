#pragma once

#include <cstddef>

#include "clustering/SquaresKernel.h"

// The entry points of the kernels built once per vector width, each in its own translation
// unit with its own instruction-set flags. The callers own the scratch memory, so the kernels
// need no standard-library code (whose shared inline copies must not be built for AVX2).
namespace tavorin::squares::detail {

// Pixels handled together: a block's rows for every cluster stay in the first-level cache.
inline constexpr std::size_t kBlockPixels = 128;

// Scratch doubles of the kernels: block rows per cluster and a zero-padded copy of a last,
// partial block's bands.
static constexpr std::size_t JmScratchSize(std::size_t clusters, std::size_t bands) {
    return (5 * clusters + 1 + bands) * kBlockPixels;
}

// Cluster counts 2 .. kLargestFixedClusters have batch kernels of their own.
inline constexpr std::size_t kLargestFixedClusters = 19;

// Scratch doubles of the batch kernels: rows of one solution's block and a padded block.
static constexpr std::size_t BatchScratchSize(std::size_t clusters, std::size_t bands) {
    return (2 * clusters + 1 + bands) * kBlockPixels;
}

void BatchTermsSse2(const PixelBands& image, const double* const* centres, std::size_t count,
                    std::size_t first, std::size_t length, double* terms, double* scratch);
void BatchTermsAvx2(const PixelBands& image, const double* const* centres, std::size_t count,
                    std::size_t first, std::size_t length, double* terms, double* scratch);
void BatchTermsAvx512(const PixelBands& image, const double* const* centres, std::size_t count,
                      std::size_t first, std::size_t length, double* terms, double* scratch);

void LabelsSse2(const PixelBands& image, const double* centres, std::size_t first,
                std::size_t length, unsigned char* labels, double* scratch);
void LabelsAvx2(const PixelBands& image, const double* centres, std::size_t first,
                std::size_t length, unsigned char* labels, double* scratch);
void LabelsAvx512(const PixelBands& image, const double* centres, std::size_t first,
                  std::size_t length, unsigned char* labels, double* scratch);

double JmSse2(const PixelBands& image, const double* centres, double* scratch);

// Defined only on x86-64; called only where the processor reports AVX2.
double JmAvx2(const PixelBands& image, const double* centres, double* scratch);

// Defined only on x86-64; called only where the processor reports AVX-512F.
double JmAvx512(const PixelBands& image, const double* centres, double* scratch);

}  // namespace tavorin::squares::detail
