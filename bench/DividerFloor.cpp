// The floor of the exact evaluation's divider work: per pixel and cluster one square root and
// two divisions (sqrt(q), 1 / D^2, 1 / (D^2 * S)) on independent vectors of the widest width
// this processor has, with nothing else to wait for. Built with -mavx512f for this file only;
// it runs the eight-lane loop only where the processor reports AVX-512F, else four lanes.
#include <benchmark/benchmark.h>
// GCC 12's own _mm512_sqrt_pd passes an undefined vector as the unused merge source, which its
// flow analysis reports; the result never reads it.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cstddef>
#include <vector>

namespace {

constexpr std::size_t kPairs = 400 * 400 * 5;  // landsat_scene01's pixels times K = 5

struct Operands {
    Operands() : q(kPairs), s(kPairs), out(kPairs) {
        for (std::size_t i = 0; i < kPairs; ++i) {
            q[i] = 1.0 + static_cast<double>(i) * 1e-3;
            s[i] = 2.0 + static_cast<double>(i) * 1e-4;
        }
    }
    std::vector<double> q, s, out;
};

__attribute__((target("avx512f"))) void eightLanes(Operands& o) {
    const __m512d one = _mm512_set1_pd(1.0);
    for (std::size_t i = 0; i < kPairs; i += 8) {
        const __m512d d = _mm512_sqrt_pd(_mm512_loadu_pd(&o.q[i]));
        const __m512d inverse = _mm512_div_pd(one, _mm512_mul_pd(d, d));
        const __m512d u = _mm512_div_pd(one, _mm512_mul_pd(_mm512_loadu_pd(&o.s[i]), inverse));
        _mm512_storeu_pd(&o.out[i], _mm512_add_pd(u, inverse));
    }
}

__attribute__((target("avx2"))) void fourLanes(Operands& o) {
    const __m256d one = _mm256_set1_pd(1.0);
    for (std::size_t i = 0; i < kPairs; i += 4) {
        const __m256d d = _mm256_sqrt_pd(_mm256_loadu_pd(&o.q[i]));
        const __m256d inverse = _mm256_div_pd(one, _mm256_mul_pd(d, d));
        const __m256d u = _mm256_div_pd(one, _mm256_mul_pd(_mm256_loadu_pd(&o.s[i]), inverse));
        _mm256_storeu_pd(&o.out[i], _mm256_add_pd(u, inverse));
    }
}

// Items are evaluations' worth of divider work.
void BM_DividerFloor(benchmark::State& state) {
    Operands operands;
    const bool wide = __builtin_cpu_supports("avx512f");
    for (auto _ : state) {
        if (wide) {
            eightLanes(operands);
        } else {
            fourLanes(operands);
        }
        benchmark::DoNotOptimize(operands.out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DividerFloor)->Unit(benchmark::kMillisecond);

}  // namespace
