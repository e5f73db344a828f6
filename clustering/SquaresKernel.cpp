#include "clustering/SquaresKernel.h"

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

void BatchJm(const PixelBands& image, std::span<const double* const> centres, double* jm,
             VectorWidth width) {
    if (centres.empty()) return;
    std::vector<double> scratch(
        detail::BatchScratchSize(image.clusterNumber, image.bandCount, centres.size()));
#if defined(__x86_64__)
    if (width == VectorWidth::Avx512 && IsAvailable(width)) {
        detail::BatchJmAvx512(image, centres.data(), centres.size(), jm, scratch.data());
        return;
    }
    if (width == VectorWidth::Avx2 && IsAvailable(width)) {
        detail::BatchJmAvx2(image, centres.data(), centres.size(), jm, scratch.data());
        return;
    }
#endif
    detail::BatchJmSse2(image, centres.data(), centres.size(), jm, scratch.data());
}

void NeighbourJm(const PixelBands& image, const double* memberCentres,
                 std::span<const MovedCentre> moves, double* jm, VectorWidth width) {
    if (moves.empty()) return;
    std::vector<double> scratch(
        detail::NeighbourScratchSize(image.clusterNumber, image.bandCount, moves.size()));
#if defined(__x86_64__)
    if (width == VectorWidth::Avx512 && IsAvailable(width)) {
        detail::NeighbourJmAvx512(image, memberCentres, moves.data(), moves.size(), jm,
                                  scratch.data());
        return;
    }
    if (width == VectorWidth::Avx2 && IsAvailable(width)) {
        detail::NeighbourJmAvx2(image, memberCentres, moves.data(), moves.size(), jm,
                                scratch.data());
        return;
    }
#endif
    detail::NeighbourJmSse2(image, memberCentres, moves.data(), moves.size(), jm, scratch.data());
}

}  // namespace tavorin::squares
