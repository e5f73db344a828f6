// The Jm kernels with eight doubles per AVX-512 register. Built with -mavx512f (and without fused
// multiply-add), for x86-64 only; the dispatcher calls them only where the processor has AVX-512F.
#if defined(__x86_64__) && defined(__AVX512F__)
// GCC 12's own _mm512_sqrt_pd passes an undefined vector as the unused merge source, which its
// flow analysis reports as maybe uninitialized; the result never reads it.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "clustering/SquaresKernelBody.h"

namespace tavorin::squares::detail {
namespace {

struct Lanes {
    using V = __m512d;
    static constexpr std::size_t kWidth = 8;
    static V Load(const double* at) { return _mm512_loadu_pd(at); }
    static void Store(double* at, V v) { _mm512_storeu_pd(at, v); }
    static V Broadcast(double x) { return _mm512_set1_pd(x); }
    static V Zero() { return _mm512_setzero_pd(); }
    static V Add(V a, V b) { return _mm512_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
    static V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
    static V Div(V a, V b) { return _mm512_div_pd(a, b); }
    static V Sqrt(V a) { return _mm512_sqrt_pd(a); }
};

}  // namespace

double JmAvx512(const PixelBands& image, const double* centres, double* scratch) {
    return JmKernel<Lanes>(image, centres, scratch);
}

void BatchTermsAvx512(const PixelBands& image, const double* const* centres, std::size_t count,
                      std::size_t first, std::size_t length, double* terms, double* scratch) {
    BatchTermsKernel<Lanes>(image, centres, count, first, length, terms, scratch);
}

void LabelsAvx512(const PixelBands& image, const double* centres, std::size_t first,
                  std::size_t length, unsigned char* labels, double* scratch) {
    LabelKernel<Lanes>(image, centres, first, length, labels, scratch);
}

}  // namespace tavorin::squares::detail
#endif
