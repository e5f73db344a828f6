// The Jm kernels with two doubles per SSE2 register, the baseline of every x86-64 processor;
// elsewhere the same kernels with one double at a time.
#include "clustering/SquaresKernelBody.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavorin::squares::detail {
namespace {

#if defined(__SSE2__)
struct Lanes {
    using V = __m128d;
    static constexpr std::size_t kWidth = 2;
    static V Load(const double* at) { return _mm_loadu_pd(at); }
    static void Store(double* at, V v) { _mm_storeu_pd(at, v); }
    static V Broadcast(double x) { return _mm_set1_pd(x); }
    static V Zero() { return _mm_setzero_pd(); }
    static V Add(V a, V b) { return _mm_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
    static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
    static V Div(V a, V b) { return _mm_div_pd(a, b); }
    static V Sqrt(V a) { return _mm_sqrt_pd(a); }
};
#else
struct Lanes {
    using V = double;
    static constexpr std::size_t kWidth = 1;
    static V Load(const double* at) { return *at; }
    static void Store(double* at, V v) { *at = v; }
    static V Broadcast(double x) { return x; }
    static V Zero() { return 0.0; }
    static V Add(V a, V b) { return a + b; }
    static V Sub(V a, V b) { return a - b; }
    static V Mul(V a, V b) { return a * b; }
    static V Div(V a, V b) { return a / b; }
    static V Sqrt(V a) { return __builtin_sqrt(a); }
};
#endif

}  // namespace

double JmSse2(const PixelBands& image, const double* centres, double* scratch) {
    return JmKernel<Lanes>(image, centres, scratch);
}

void BatchTermsSse2(const PixelBands& image, const double* const* centres, std::size_t count,
                    std::size_t first, std::size_t length, double* terms, double* scratch) {
    BatchTermsKernel<Lanes>(image, centres, count, first, length, terms, scratch);
}

void LabelsSse2(const PixelBands& image, const double* centres, std::size_t first,
                std::size_t length, unsigned char* labels, double* scratch) {
    LabelKernel<Lanes>(image, centres, first, length, labels, scratch);
}

}  // namespace tavorin::squares::detail
