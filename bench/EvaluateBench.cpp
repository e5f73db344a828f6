// Evaluations per second of the objective evaluation, single-threaded, with K = 5: on the
// bundled 400 x 400 x 6 scene and on that scene tiled to 2000 x 2000 x 6. Measured: the
// evaluation of the search (fastest vector width of this processor), each vector width on its
// own, the literal step-by-step evaluation with the library's pow (the baseline), the floor no
// evaluation can beat (a strictly sequential sum of N x K doubles, the one running sum of jm),
// the K neighbours of a local-search member evaluated together against one by one, and several
// solutions side by side on two threads.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bench/TiledScene.h"
#include "clustering/SquaresKernel.h"
#include "evolution/CMemeticClustering.h"
#include "platform/Random.h"
#include "tests/evolution/AlgorithmSetup.h"
#include "tests/support/LiteralEvaluate.h"

namespace {

using tavorin::CMemeticClustering;
using tavorin::CSolution;

constexpr int kClusters = 5;
constexpr int kSide = 400;
constexpr int kBands = 6;

struct Scene {
    explicit Scene(int repeat) {
        tavorin::testing::SampleImage image =
            tavorin::testing::LoadSampleImage("landsat_scene01", kSide, kSide, kBands);
        const int side = kSide * repeat;
        std::vector<double> bands =
            repeat == 1 ? std::move(image.bandData)
                        : tavorin::bench::TileScene(image.bandData, kSide, kSide, kBands,
                                                    static_cast<std::size_t>(repeat));
        tavorin::testing::FillRunGlobals(kClusters, 6, side, side, kBands, std::move(bands));
        algorithm = std::make_unique<CMemeticClustering>();
        tavorin::platform::srand(2024);
        for (int g = 0; g < algorithm->geneCount; ++g) {
            const auto at = static_cast<std::size_t>(g);
            const double span = algorithm->upperBound[at] - algorithm->lowerBound[at];
            solution.centres.push_back(algorithm->lowerBound[at] +
                                       tavorin::platform::rand() / 32768.0 * span);
        }
    }
    tavorin::squares::PixelBands pixels() const {
        return {algorithm->bandData->data(), static_cast<std::size_t>(algorithm->pixelCount()),
                kBands, kClusters};
    }
    std::unique_ptr<CMemeticClustering> algorithm;
    CSolution solution;
};

const Scene& landsat() {
    static const Scene instance(1);
    return instance;
}

const Scene& tiled() {
    static const Scene instance(5);
    return instance;
}

void evaluateFast(benchmark::State& state, const Scene& data) {
    CSolution s = data.solution;
    for (auto _ : state) {
        data.algorithm->Evaluate(s);
        benchmark::DoNotOptimize(s.jm);
    }
    state.SetItemsProcessed(state.iterations());
}

void evaluateWidth(benchmark::State& state, tavorin::squares::VectorWidth width) {
    if (!tavorin::squares::IsAvailable(width)) {
        state.SkipWithError("this processor lacks the vector width");
        return;
    }
    const Scene& data = landsat();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tavorin::squares::Jm(data.pixels(), data.solution.centres.data(), width));
    }
    state.SetItemsProcessed(state.iterations());
}

void evaluateLiteral(benchmark::State& state, const Scene& data) {
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

void sequentialSumFloor(benchmark::State& state, const Scene& data) {
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

// The K neighbours of a member, centre c moved in neighbour c, as the local search builds them.
std::vector<CSolution> neighboursOf(const Scene& data) {
    std::vector<CSolution> neighbours(kClusters, data.solution);
    for (std::size_t c = 0; c < neighbours.size(); ++c) {
        for (std::size_t k = 0; k < kBands; ++k) neighbours[c].centres[c * kBands + k] += 1.5;
    }
    return neighbours;
}

void BM_EvaluateFast(benchmark::State& state) { evaluateFast(state, landsat()); }
BENCHMARK(BM_EvaluateFast)->Unit(benchmark::kMillisecond);

void BM_EvaluateSse2(benchmark::State& state) { evaluateWidth(state, tavorin::squares::VectorWidth::Sse2); }
BENCHMARK(BM_EvaluateSse2)->Unit(benchmark::kMillisecond);

void BM_EvaluateAvx2(benchmark::State& state) { evaluateWidth(state, tavorin::squares::VectorWidth::Avx2); }
BENCHMARK(BM_EvaluateAvx2)->Unit(benchmark::kMillisecond);

void BM_EvaluateLiteralPow(benchmark::State& state) { evaluateLiteral(state, landsat()); }
BENCHMARK(BM_EvaluateLiteralPow)->Unit(benchmark::kMillisecond);

void BM_SequentialSumFloor(benchmark::State& state) { sequentialSumFloor(state, landsat()); }
BENCHMARK(BM_SequentialSumFloor)->Unit(benchmark::kMillisecond);

// K neighbours per iteration; items are evaluations.
void BM_EvaluateNeighboursTogether(benchmark::State& state) {
    const Scene& data = landsat();
    std::vector<CSolution> neighbours = neighboursOf(data);
    std::vector<CSolution*> pointers;
    for (CSolution& s : neighbours) pointers.push_back(&s);
    for (auto _ : state) {
        data.algorithm->EvaluateNeighbours(data.solution, pointers);
        benchmark::DoNotOptimize(neighbours[0].jm);
    }
    state.SetItemsProcessed(state.iterations() * kClusters);
}
BENCHMARK(BM_EvaluateNeighboursTogether)->Unit(benchmark::kMillisecond);

void BM_EvaluateNeighboursOneByOne(benchmark::State& state) {
    const Scene& data = landsat();
    std::vector<CSolution> neighbours = neighboursOf(data);
    for (auto _ : state) {
        for (CSolution& s : neighbours) data.algorithm->Evaluate(s);
        benchmark::DoNotOptimize(neighbours[0].jm);
    }
    state.SetItemsProcessed(state.iterations() * kClusters);
}
BENCHMARK(BM_EvaluateNeighboursOneByOne)->Unit(benchmark::kMillisecond);

// Eight solutions per iteration evaluated side by side on two threads (wall-clock rate).
void BM_EvaluateAllTwoThreads(benchmark::State& state) {
    const Scene& data = landsat();
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

void BM_EvaluateFastTiled(benchmark::State& state) { evaluateFast(state, tiled()); }
BENCHMARK(BM_EvaluateFastTiled)->Unit(benchmark::kMillisecond);

void BM_EvaluateLiteralPowTiled(benchmark::State& state) { evaluateLiteral(state, tiled()); }
BENCHMARK(BM_EvaluateLiteralPowTiled)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SequentialSumFloorTiled(benchmark::State& state) { sequentialSumFloor(state, tiled()); }
BENCHMARK(BM_SequentialSumFloorTiled)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
