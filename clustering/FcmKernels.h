#pragma once

#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "clustering/FcmCentreSums.h"

// The kernels of the fuzzy c-means runner for its common case, four clusters and the fuzzifier
// m = 2: memberships two pixels per register, and centre sums two clusters per register. Every
// lane computes exactly the scalar formulas, so the results are those of the general passes.
// Internal to the runner.
namespace tavorin::fcm::detail {

// New memberships of one pixel for four clusters and m = 2, written plainly: the fallback of
// the two-pixel kernel below for pixels that coincide with a centre, and for an odd last pixel.
void FourClusterMembershipsOfPixel(const double* x, const double* centres, std::size_t bands,
                                   double* out);

#if defined(__SSE2__)
// Calls `visit` with the band count as a compile-time constant for the common counts 1 to 8,
// so that the band loops unroll and their sums stay in registers, and with 0 (counted at run
// time) otherwise.
template <class Visitor>
decltype(auto) WithBandCount(std::size_t bands, Visitor&& visit) {
    using std::integral_constant;
    switch (bands) {
        case 1:
            return visit(integral_constant<std::size_t, 1>{});
        case 2:
            return visit(integral_constant<std::size_t, 2>{});
        case 3:
            return visit(integral_constant<std::size_t, 3>{});
        case 4:
            return visit(integral_constant<std::size_t, 4>{});
        case 5:
            return visit(integral_constant<std::size_t, 5>{});
        case 6:
            return visit(integral_constant<std::size_t, 6>{});
        case 7:
            return visit(integral_constant<std::size_t, 7>{});
        case 8:
            return visit(integral_constant<std::size_t, 8>{});
        default:
            return visit(integral_constant<std::size_t, 0>{});
    }
}

// The cluster pairs whose centre sums one sum object adds up.
enum class ClusterPairs { Both, FirstTwo, LastTwo };

// The centre sums of four clusters with m = 2, two clusters per register, added pixel by pixel.
// FixedBands > 0 is the band count known at compile time. Each sum is one register lane that
// only ever adds its own pixel terms in pixel order, so splitting the pairs between threads
// leaves every sum's bits as they are.
template <std::size_t FixedBands, ClusterPairs Pairs>
class FourClusterSums {
  public:
    static constexpr bool kFirstTwo = Pairs != ClusterPairs::LastTwo;
    static constexpr bool kLastTwo = Pairs != ClusterPairs::FirstTwo;

    explicit FourClusterSums(std::size_t bands) : bands_(FixedBands > 0 ? FixedBands : bands) {
        if constexpr (FixedBands == 0) {
            sums_.weighted01.assign(bands_, Packed{_mm_setzero_pd()});
            sums_.weighted23.assign(bands_, Packed{_mm_setzero_pd()});
        } else {
            sums_.weighted01.fill(Packed{_mm_setzero_pd()});
            sums_.weighted23.fill(Packed{_mm_setzero_pd()});
        }
    }

    // Adds the pixels begin..end-1, in order.
    void AddRange(const double* memberships, const double* pixels, std::size_t begin,
                  std::size_t end) {
        const std::size_t bands = FixedBands > 0 ? FixedBands : bands_;
        if constexpr (FixedBands == 0) {
            for (std::size_t i = begin; i < end; ++i) {
                Add(sums_, memberships + i * 4, pixels + i * bands, bands);
            }
        } else {
            // Added in a local copy, which the compiler keeps in registers; the members could
            // alias the pixels (the register type may alias any double), which would send
            // every addition through memory.
            Accumulators local = sums_;
            for (std::size_t i = begin; i < end; ++i) {
                Add(local, memberships + i * 4, pixels + i * bands, bands);
            }
            sums_ = local;
        }
    }

    // Writes the sums of this object's pairs into `sums`, leaving the other entries alone.
    void StoreInto(CentreSums& sums) const {
        if constexpr (kFirstTwo) {
            _mm_storeu_pd(sums.weights.data(), sums_.weights01);
            for (std::size_t k = 0; k < bands_; ++k) {
                _mm_storeu_pd(sums.weighted.data() + 4 * k, sums_.weighted01[k].value);
            }
        }
        if constexpr (kLastTwo) {
            _mm_storeu_pd(sums.weights.data() + 2, sums_.weights23);
            for (std::size_t k = 0; k < bands_; ++k) {
                _mm_storeu_pd(sums.weighted.data() + 4 * k + 2, sums_.weighted23[k].value);
            }
        }
    }

  private:
    // Wrapped so that containers take the register type without dropping its alignment.
    struct Packed {
        __m128d value;
    };
    using Storage = std::conditional_t<FixedBands == 0, std::vector<Packed>,
                                       std::array<Packed, (FixedBands > 0 ? FixedBands : 1)>>;
    struct Accumulators {
        __m128d weights01 = _mm_setzero_pd();
        __m128d weights23 = _mm_setzero_pd();
        Storage weighted01{};  // per band, clusters 0 and 1
        Storage weighted23{};  // per band, clusters 2 and 3
    };

    static void Add(Accumulators& sums, const double* row, const double* x, std::size_t bands) {
        [[maybe_unused]] __m128d w01 = _mm_setzero_pd();
        [[maybe_unused]] __m128d w23 = _mm_setzero_pd();
        if constexpr (kFirstTwo) {
            const __m128d u01 = _mm_loadu_pd(row);
            w01 = _mm_mul_pd(u01, u01);
            sums.weights01 = _mm_add_pd(sums.weights01, w01);
        }
        if constexpr (kLastTwo) {
            const __m128d u23 = _mm_loadu_pd(row + 2);
            w23 = _mm_mul_pd(u23, u23);
            sums.weights23 = _mm_add_pd(sums.weights23, w23);
        }
        for (std::size_t k = 0; k < bands; ++k) {
            const __m128d value = _mm_set1_pd(x[k]);
            if constexpr (kFirstTwo) {
                sums.weighted01[k].value =
                    _mm_add_pd(sums.weighted01[k].value, _mm_mul_pd(w01, value));
            }
            if constexpr (kLastTwo) {
                sums.weighted23[k].value =
                    _mm_add_pd(sums.weighted23[k].value, _mm_mul_pd(w23, value));
            }
        }
    }

    std::size_t bands_;
    Accumulators sums_;
};

// New memberships of the pixel pair (first, first + 1) for four clusters and m = 2: both
// pixels side by side in one register. `pairedCentres` holds each centre value twice (band k
// of centre j at 2 * (j * bands + k)). Returns false, leaving `out` unchanged, when either pixel
// coincides with a centre; the caller handles those pixels one by one.
template <std::size_t FixedBands>
bool FourClusterMembershipsOfPair(const double* pixels, std::size_t first, std::size_t runtimeBands,
                                  const double* pairedCentres, double* out) {
    const std::size_t bands = FixedBands > 0 ? FixedBands : runtimeBands;
    const double* a = pixels + first * bands;
    const double* b = a + bands;
    __m128d squareSums[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(),
                             _mm_setzero_pd()};
    for (std::size_t k = 0; k < bands; ++k) {
        const __m128d x = _mm_set_pd(b[k], a[k]);
        for (std::size_t j = 0; j < 4; ++j) {
            const __m128d difference =
                _mm_sub_pd(x, _mm_loadu_pd(pairedCentres + 2 * (j * bands + k)));
            squareSums[j] = _mm_add_pd(squareSums[j], _mm_mul_pd(difference, difference));
        }
    }
    __m128d powered[4];
    __m128d coincidence = _mm_setzero_pd();
    for (std::size_t j = 0; j < 4; ++j) {
        const __m128d distance = _mm_sqrt_pd(squareSums[j]);
        coincidence = _mm_or_pd(coincidence, _mm_cmpeq_pd(distance, _mm_setzero_pd()));
        coincidence = _mm_or_pd(coincidence, _mm_cmpunord_pd(distance, distance));
        powered[j] = _mm_mul_pd(distance, distance);
    }
    if (_mm_movemask_pd(coincidence) != 0) return false;
    const __m128d one = _mm_set1_pd(1.0);
    __m128d inverseSum = _mm_setzero_pd();
    for (std::size_t l = 0; l < 4; ++l) {
        inverseSum = _mm_add_pd(inverseSum, _mm_div_pd(one, powered[l]));
    }
    __m128d u[4];
    for (std::size_t j = 0; j < 4; ++j) u[j] = _mm_div_pd(one, _mm_mul_pd(powered[j], inverseSum));
    _mm_storeu_pd(out, _mm_unpacklo_pd(u[0], u[1]));
    _mm_storeu_pd(out + 2, _mm_unpacklo_pd(u[2], u[3]));
    _mm_storeu_pd(out + 4, _mm_unpackhi_pd(u[0], u[1]));
    _mm_storeu_pd(out + 6, _mm_unpackhi_pd(u[2], u[3]));
    return true;
}

// What the four-cluster membership pass reads and writes.
struct FourClusterPass {
    const double* pixels;         // N x d
    const double* centres;        // 4 x d
    const double* pairedCentres;  // every centre value twice, for the two-pixel kernel
    double* memberships;          // N x 4, written
    std::size_t bands;
};

// New memberships of the pixels begin..end-1 for four clusters and m = 2.
template <std::size_t FixedBands>
void FourClusterMembershipsRange(const FourClusterPass& pass, std::size_t begin, std::size_t end) {
    std::size_t first = begin;
    for (; first + 2 <= end; first += 2) {
        if (!FourClusterMembershipsOfPair<FixedBands>(
                pass.pixels, first, pass.bands, pass.pairedCentres, pass.memberships + first * 4)) {
            for (std::size_t i = first; i < first + 2; ++i) {
                FourClusterMembershipsOfPixel(pass.pixels + i * pass.bands, pass.centres,
                                              pass.bands, pass.memberships + i * 4);
            }
        }
    }
    if (first < end) {
        FourClusterMembershipsOfPixel(pass.pixels + first * pass.bands, pass.centres, pass.bands,
                                      pass.memberships + first * 4);
    }
}
#endif

}  // namespace tavorin::fcm::detail
