#include "clustering/SquaresKernel.h"

#include <algorithm>
#include <vector>

#include "clustering/SquaresKernelEntry.h"

namespace tavorin::squares {

bool IsAvailable(VectorWidth width) {
    switch (width) {
        case VectorWidth::Sse2:
            return true;
        case VectorWidth::Avx2:
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
            return __builtin_cpu_supports("avx2");
#else
            return false;
#endif
        case VectorWidth::Avx512:
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
            return __builtin_cpu_supports("avx512f");
#else
            return false;
#endif
    }
    return false;
}

VectorWidth FastestWidth() {
    static const VectorWidth fastest = IsAvailable(VectorWidth::Avx512) ? VectorWidth::Avx512
                                       : IsAvailable(VectorWidth::Avx2) ? VectorWidth::Avx2
                                                                        : VectorWidth::Sse2;
    return fastest;
}

double Jm(const PixelBands& image, const double* centres, VectorWidth width) {
    std::vector<double> scratch(detail::JmScratchSize(image.clusterNumber, image.bandCount));
#if defined(__x86_64__)
    if (width == VectorWidth::Avx512 && IsAvailable(width)) {
        return detail::JmAvx512(image, centres, scratch.data());
    }
    if (width == VectorWidth::Avx2 && IsAvailable(width)) {
        return detail::JmAvx2(image, centres, scratch.data());
    }
#endif
    return detail::JmSse2(image, centres, scratch.data());
}

std::size_t ChunkTermsSize(const PixelBands& image, std::size_t solutions) {
    return kChunkPixels * solutions * image.clusterNumber;
}

std::size_t ChunkScratchSize(const PixelBands& image) {
    return detail::BatchScratchSize(image.clusterNumber, image.bandCount);
}

void ChunkTerms(const PixelBands& image, std::span<const double* const> centres, std::size_t chunk,
                double* terms, double* scratch, VectorWidth width) {
    static_assert(kChunkPixels % detail::kBlockPixels == 0, "a chunk holds whole blocks");
    const std::size_t first = chunk * kChunkPixels;
    if (centres.empty() || first >= image.pixelCount) return;
    const std::size_t length = std::min(kChunkPixels, image.pixelCount - first);
#if defined(__x86_64__)
    if (width == VectorWidth::Avx512 && IsAvailable(width)) {
        detail::BatchTermsAvx512(image, centres.data(), centres.size(), first, length, terms,
                                 scratch);
        return;
    }
    if (width == VectorWidth::Avx2 && IsAvailable(width)) {
        detail::BatchTermsAvx2(image, centres.data(), centres.size(), first, length, terms,
                               scratch);
        return;
    }
#endif
    detail::BatchTermsSse2(image, centres.data(), centres.size(), first, length, terms, scratch);
}

void ChunkLabels(const PixelBands& image, const double* centres, std::size_t chunk,
                 unsigned char* labels, double* scratch, VectorWidth width) {
    const std::size_t first = chunk * kChunkPixels;
    if (first >= image.pixelCount) return;
    const std::size_t length = std::min(kChunkPixels, image.pixelCount - first);
#if defined(__x86_64__)
    if (width == VectorWidth::Avx512 && IsAvailable(width)) {
        detail::LabelsAvx512(image, centres, first, length, labels, scratch);
        return;
    }
    if (width == VectorWidth::Avx2 && IsAvailable(width)) {
        detail::LabelsAvx2(image, centres, first, length, labels, scratch);
        return;
    }
#endif
    detail::LabelsSse2(image, centres, first, length, labels, scratch);
}

void AddChunkTerms(const PixelBands& image, std::size_t solutions, std::size_t chunk,
                   const double* terms, double* sums) {
    constexpr std::size_t B = detail::kBlockPixels;
    const std::size_t first = chunk * kChunkPixels;
    if (solutions == 0 || first >= image.pixelCount) return;
    const std::size_t length = std::min(kChunkPixels, image.pixelCount - first);
    const std::size_t clusters = image.clusterNumber;
    const std::size_t rows = clusters * B;
    for (std::size_t b = 0; b * B < length; ++b) {
        const std::size_t blockCount = std::min(B, length - b * B);
        // Four solutions at a time, their independent chains side by side; a short last
        // group repeats its final solution into sums that are dropped.
        for (std::size_t s0 = 0; s0 < solutions; s0 += 4) {
            const double* t[4];
            double a[4];
            for (std::size_t i = 0; i < 4; ++i) {
                const std::size_t s = std::min(s0 + i, solutions - 1);
                t[i] = terms + (b * solutions + s) * rows;
                a[i] = sums[s];
            }
            double a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
            for (std::size_t p = 0; p < blockCount; ++p) {
                for (std::size_t j = 0; j < clusters; ++j) {
                    const std::size_t at = j * B + p;
                    a0 += t[0][at];
                    a1 += t[1][at];
                    a2 += t[2][at];
                    a3 += t[3][at];
                }
            }
            const double result[4] = {a0, a1, a2, a3};
            for (std::size_t i = 0; i < 4 && s0 + i < solutions; ++i) sums[s0 + i] = result[i];
        }
    }
}

void BatchJm(const PixelBands& image, std::span<const double* const> centres, double* jm,
             VectorWidth width) {
    for (std::size_t s = 0; s < centres.size(); ++s) jm[s] = 0.0;
    ContinueBatchJm(image, centres, jm, width);
}

void ContinueBatchJm(const PixelBands& image, std::span<const double* const> centres, double* jm,
                     VectorWidth width, std::size_t firstChunk) {
    if (centres.empty() || image.pixelCount == 0) return;
    std::vector<double> terms(ChunkTermsSize(image, centres.size()));
    std::vector<double> scratch(ChunkScratchSize(image));
    for (std::size_t chunk = firstChunk; chunk < ChunkCount(image.pixelCount); ++chunk) {
        ChunkTerms(image, centres, chunk, terms.data(), scratch.data(), width);
        AddChunkTerms(image, centres.size(), chunk, terms.data(), jm);
    }
}

}  // namespace tavorin::squares
