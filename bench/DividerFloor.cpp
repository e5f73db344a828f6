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

// Every operation of the exact terms, not only the divider's: for each vector of eight pixels
// the squared distance to each of the K = 5 centres over 6 bands (subtract, multiply, add),
// then sqrt, D * D, 1 / D^2 summed over the centres, u = 1 / (D^2 * S) and u * u * q, the terms
// gathered in independent accumulators. No transposition and no chain of additions: what is
// left of the evaluation's time above this is the cost of keeping the sum in order.
struct Scene {
    static constexpr std::size_t kPixels = 400 * 400;
    static constexpr std::size_t kBands = 6;
    static constexpr std::size_t kClusters = 5;
    Scene() : bands(kPixels * kBands), centres(kClusters * kBands) {
        for (std::size_t i = 0; i < bands.size(); ++i) bands[i] = static_cast<double>(i * 37 % 251);
        for (std::size_t i = 0; i < centres.size(); ++i)
            centres[i] = 20.0 + 31.0 * static_cast<double>(i);
    }
    std::vector<double> bands, centres;
};

__attribute__((target("avx512f"))) double termsEightLanes(const Scene& scene) {
    const __m512d one = _mm512_set1_pd(1.0);
    __m512d total[Scene::kClusters];
    for (auto& t : total) t = _mm512_setzero_pd();
    for (std::size_t p = 0; p < Scene::kPixels; p += 8) {
        __m512d x[Scene::kBands];
        for (std::size_t b = 0; b < Scene::kBands; ++b)
            x[b] = _mm512_loadu_pd(&scene.bands[b * Scene::kPixels + p]);
        __m512d q[Scene::kClusters], square[Scene::kClusters];
        __m512d inverseSum = _mm512_setzero_pd();
        for (std::size_t j = 0; j < Scene::kClusters; ++j) {
            __m512d sum = _mm512_setzero_pd();
            for (std::size_t b = 0; b < Scene::kBands; ++b) {
                const __m512d difference =
                    _mm512_sub_pd(x[b], _mm512_set1_pd(scene.centres[j * Scene::kBands + b]));
                sum = _mm512_add_pd(sum, _mm512_mul_pd(difference, difference));
            }
            q[j] = sum;
            const __m512d d = _mm512_sqrt_pd(sum);
            square[j] = _mm512_mul_pd(d, d);
            inverseSum = _mm512_add_pd(inverseSum, _mm512_div_pd(one, square[j]));
        }
        for (std::size_t j = 0; j < Scene::kClusters; ++j) {
            const __m512d u = _mm512_div_pd(one, _mm512_mul_pd(square[j], inverseSum));
            total[j] = _mm512_add_pd(total[j], _mm512_mul_pd(_mm512_mul_pd(u, u), q[j]));
        }
    }
    __m512d all = total[0];
    for (std::size_t j = 1; j < Scene::kClusters; ++j) all = _mm512_add_pd(all, total[j]);
    return _mm512_reduce_add_pd(all);
}

// Items are evaluations' worth of term arithmetic; skipped without AVX-512F.
void BM_TermsFloor(benchmark::State& state) {
    if (!__builtin_cpu_supports("avx512f")) {
        state.SkipWithError("needs AVX-512F");
        return;
    }
    const Scene scene;
    for (auto _ : state) benchmark::DoNotOptimize(termsEightLanes(scene));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TermsFloor)->Unit(benchmark::kMillisecond);

}  // namespace
