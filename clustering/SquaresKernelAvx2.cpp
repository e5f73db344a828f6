// The Jm kernels with four doubles per AVX register. Built with -mavx2 (and without fused
// multiply-add), for x86-64 only; the dispatcher calls them only where the processor has AVX2.
#if defined(__x86_64__) && defined(__AVX2__)
#include <immintrin.h>

#include "clustering/SquaresKernelBody.h"

namespace tavorin::squares::detail {
namespace {

struct Lanes {
    using V = __m256d;
    static constexpr std::size_t kWidth = 4;
    static V Load(const double* at) { return _mm256_loadu_pd(at); }
    static void Store(double* at, V v) { _mm256_storeu_pd(at, v); }
    static V Broadcast(double x) { return _mm256_set1_pd(x); }
    static V Zero() { return _mm256_setzero_pd(); }
    static V Add(V a, V b) { return _mm256_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
    static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
    static V Div(V a, V b) { return _mm256_div_pd(a, b); }
    static V Sqrt(V a) { return _mm256_sqrt_pd(a); }
};

}  // namespace

double JmAvx2(const PixelBands& image, const double* centres, double* scratch) {
    return JmKernel<Lanes>(image, centres, scratch);
}

void BatchTermsAvx2(const PixelBands& image, const double* const* centres, std::size_t count,
                    std::size_t first, std::size_t length, double* terms, double* scratch) {
    BatchTermsKernel<Lanes>(image, centres, count, first, length, terms, scratch);
}

void LabelsAvx2(const PixelBands& image, const double* centres, std::size_t first,
                std::size_t length, unsigned char* labels, double* scratch) {
    LabelKernel<Lanes>(image, centres, first, length, labels, scratch);
}

}  // namespace tavorin::squares::detail
#endif
