// The per-pixel costs of a run split among processes, for the speed-up model of bench/mpi-run:
// one group of G solutions (the solutions whose sums travel together) evaluated over the
// bundled 400 x 400 scene on one thread, as 6 bands of bytes and as 13 bands of 16-bit samples
// (a Sentinel-2 tile's), and the ordered additions alone of a group's terms, which is what a
// process computing its terms ahead has left once the sums reach it. Items are
// pixel-solutions.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bench/BenchSupport.h"
#include "clustering/Evaluator.h"
#include "clustering/SquaresKernel.h"
#include "platform/Random.h"

namespace {

using tavorin::CSolution;

constexpr int kClusters = 5;
constexpr std::size_t kPixels = 400 * 400;

// The scene's bands repeated up to `bands`, held as `T`.
template <class T>
std::shared_ptr<const tavorin::BandSamples> sceneBands(int bands, double scale) {
    const std::vector<double> source = tavorin::bench::LoadSampleBands("landsat_scene01");
    std::vector<T> values;
    for (std::size_t b = 0; b < static_cast<std::size_t>(bands); ++b) {
        const std::size_t from = (b % 6) * kPixels;
        for (std::size_t p = 0; p < kPixels; ++p) {
            values.push_back(static_cast<T>(source[from + p] * scale));
        }
    }
    return std::make_shared<const tavorin::BandSamples>(std::move(values));
}

struct Scene {
    Scene(std::shared_ptr<const tavorin::BandSamples> samples, int sceneBands)
        : bands(sceneBands),
          evaluator(tavorin::EvaluationImage{std::move(samples), static_cast<long long>(kPixels),
                                             sceneBands, kClusters}) {
        tavorin::platform::Random15 random(7);
        for (int s = 0; s < 8; ++s) {
            CSolution solution;
            for (int gene = 0; gene < kClusters * bands; ++gene) {
                const auto p = static_cast<std::size_t>(random.Next()) * 4;
                solution.centres.push_back(evaluator.image().bandData->at(
                    static_cast<std::size_t>(gene % bands) * kPixels + p));
            }
            solutions.push_back(solution);
        }
    }
    int bands;
    tavorin::Evaluator evaluator;
    std::vector<CSolution> solutions;
};

const Scene& scene(int bands) {
    static const Scene landsat(sceneBands<std::uint8_t>(6, 1.0), 6);
    static const Scene sentinel(sceneBands<std::uint16_t>(13, 40.0), 13);
    return bands == 6 ? landsat : sentinel;
}

void BM_SliceGroup(benchmark::State& state) {
    const Scene& data = scene(static_cast<int>(state.range(1)));
    std::vector<CSolution> group(
        data.solutions.begin(),
        data.solutions.begin() + static_cast<std::ptrdiff_t>(state.range(0)));
    std::vector<CSolution*> pointers;
    for (CSolution& s : group) pointers.push_back(&s);
    for (auto _ : state) {
        data.evaluator.EvaluateAll(pointers);
        benchmark::DoNotOptimize(group[0].jm);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) *
                            static_cast<std::int64_t>(kPixels));
}
BENCHMARK(BM_SliceGroup)->ArgsProduct({{1, 2, 4, 8}, {6, 13}})->Unit(benchmark::kMillisecond);

void BM_SliceAdditions(benchmark::State& state) {
    const Scene& data = scene(6);
    const auto count = static_cast<std::size_t>(state.range(0));
    const tavorin::squares::PixelBands image{data.evaluator.image().bandData->data(), kPixels, 6,
                                             kClusters, tavorin::SampleType::UInt8};
    std::vector<const double*> centres;
    for (std::size_t s = 0; s < count; ++s) centres.push_back(data.solutions[s].centres.data());
    const std::size_t stride = tavorin::squares::ChunkTermsSize(image, count);
    const std::size_t chunks = tavorin::squares::ChunkCount(kPixels);
    std::vector<double> terms(stride * chunks);
    std::vector<double> scratch(tavorin::squares::ChunkScratchSize(image));
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        tavorin::squares::ChunkTerms(image, centres, chunk, terms.data() + chunk * stride,
                                     scratch.data(), tavorin::squares::FastestWidth());
    }
    std::vector<double> sums(count);
    for (auto _ : state) {
        for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
            tavorin::squares::AddChunkTerms(image, count, chunk, terms.data() + chunk * stride,
                                            sums.data());
        }
        benchmark::DoNotOptimize(sums[0]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) *
                            static_cast<std::int64_t>(kPixels));
}
BENCHMARK(BM_SliceAdditions)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
