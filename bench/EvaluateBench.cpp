// Evaluations per second of the objective evaluation on the bundled 400 x 400 x 6 scene with
// K = 5, single-threaded: the blocked evaluation of the search, the literal step-by-step
// evaluation with the library's pow (the baseline), and the floor that no evaluation can beat,
// a strictly sequential sum of N x K doubles (the one running sum of jm). Also the rate of
// evaluating several solutions side by side on two threads.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "platform/Random.h"
#include "tests/evolution/AlgorithmSetup.h"
#include "tests/support/LiteralEvaluate.h"

namespace {

using tavorin::CMemeticClustering;
using tavorin::CSolution;

constexpr int kClusters = 5;

struct Scene {
    Scene() {
        tavorin::testing::SampleImage image =
            tavorin::testing::LoadSampleImage("landsat_scene01", 400, 400, 6);
        tavorin::testing::FillRunGlobals(kClusters, 6, image.lines, image.samples, image.bands,
                                         std::move(image.bandData));
        algorithm = std::make_unique<CMemeticClustering>();
        tavorin::platform::srand(2024);
        for (int g = 0; g < algorithm->geneCount; ++g) {
            const auto at = static_cast<std::size_t>(g);
            const double span = algorithm->upperBound[at] - algorithm->lowerBound[at];
            solution.centres.push_back(algorithm->lowerBound[at] +
                                       tavorin::platform::rand() / 32768.0 * span);
        }
    }
    std::unique_ptr<CMemeticClustering> algorithm;
    CSolution solution;
};

const Scene& scene() {
    static const Scene instance;
    return instance;
}

void BM_EvaluateFast(benchmark::State& state) {
    const Scene& data = scene();
    CSolution s = data.solution;
    for (auto _ : state) {
        data.algorithm->Evaluate(s);
        benchmark::DoNotOptimize(s.jm);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateFast)->Unit(benchmark::kMillisecond);

void BM_EvaluateLiteralPow(benchmark::State& state) {
    const Scene& data = scene();
    const tavorin::testing::LiteralImage image{data.algorithm->bandData.get(),
                                               data.algorithm->pixelCount(),
                                               data.algorithm->bandCount};
    for (auto _ : state) {
        const tavorin::testing::ObjectivePair result = tavorin::testing::LiteralEvaluate(
            image, kClusters, data.solution.centres, data.algorithm->fuzzifier,
            tavorin::testing::PowerMode::LibraryPow);
        benchmark::DoNotOptimize(result.jm);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateLiteralPow)->Unit(benchmark::kMillisecond);

// Eight solutions per iteration evaluated side by side on two threads (wall-clock rate).
void BM_EvaluateAllTwoThreads(benchmark::State& state) {
    const Scene& data = scene();
    std::vector<CSolution> solutions(8, data.solution);
    std::vector<CSolution*> pointers;
    for (CSolution& s : solutions) pointers.push_back(&s);
    data.algorithm->threadCount = 2;
    for (auto _ : state) {
        data.algorithm->EvaluateAll(pointers);
        benchmark::DoNotOptimize(solutions[0].jm);
    }
    data.algorithm->threadCount = 1;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(solutions.size()));
}
BENCHMARK(BM_EvaluateAllTwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SequentialSumFloor(benchmark::State& state) {
    const Scene& data = scene();
    const auto count = static_cast<std::size_t>(data.algorithm->pixelCount()) * kClusters;
    std::vector<double> terms(count);
    for (std::size_t i = 0; i < count; ++i) terms[i] = 1.0 / static_cast<double>(i + 1);
    for (auto _ : state) {
        double sum = 0.0;
        for (const double term : terms) sum += term;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SequentialSumFloor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
