// Evaluations per second of the objective evaluation, single-threaded, with K = 5: on the
// bundled 400 x 400 x 6 scene and on that scene tiled to 2000 x 2000 x 6. Measured: the
// evaluation of the search (fastest vector width of this processor), each vector width on its
// own, the literal step-by-step evaluation with the library's pow (the baseline), the floor no
// evaluation can beat (a strictly sequential sum of N x K doubles, the one running sum of jm),
// the K neighbours of a local-search member evaluated together against one by one, a batch of
// eight solutions in one pass, on one thread and on two, and the interleaved-sum floor.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <algorithm>

#include "bench/BenchSupport.h"
#include "bench/TiledScene.h"
#include "clustering/Evaluator.h"
#include "clustering/LiteralEvaluation.h"
#include "clustering/SquaresKernel.h"
#include "platform/Random.h"

namespace {

using tavorin::CSolution;
using tavorin::Evaluator;

constexpr int kClusters = 5;
constexpr int kSide = 400;
constexpr int kBands = 6;

struct Scene {
    explicit Scene(int repeat) {
        std::vector<double> source = tavorin::bench::LoadSampleBands("landsat_scene01");
        const int side = kSide * repeat;
        auto bands = std::make_shared<const std::vector<double>>(
            repeat == 1 ? std::move(source)
                        : tavorin::bench::TileScene(source, kSide, kSide, kBands,
                                                    static_cast<std::size_t>(repeat)));
        pixelCount = static_cast<long long>(side) * side;
        evaluator = std::make_unique<Evaluator>(tavorin::EvaluationImage{
            std::make_shared<const tavorin::BandSamples>(*bands), pixelCount, kBands, kClusters});
        // The same samples held as bytes, their type in the file.
        std::vector<std::uint8_t> bytes(bands->begin(), bands->end());
        compactEvaluator = std::make_unique<Evaluator>(
            tavorin::EvaluationImage{std::make_shared<const tavorin::BandSamples>(std::move(bytes)),
                                     pixelCount, kBands, kClusters});
        // Centres drawn uniformly inside each band's range.
        tavorin::platform::Random15 random(2024);
        const auto n = static_cast<std::size_t>(pixelCount);
        for (int j = 0; j < kClusters; ++j) {
            for (std::size_t k = 0; k < static_cast<std::size_t>(kBands); ++k) {
                const auto band = bands->begin() + static_cast<std::ptrdiff_t>(k * n);
                const auto [low, high] =
                    std::minmax_element(band, band + static_cast<std::ptrdiff_t>(n));
                solution.centres.push_back(*low + random.Next() / 32768.0 * (*high - *low));
            }
        }
    }
    const tavorin::BandSamples& data() const { return *evaluator->image().bandData; }
    tavorin::squares::PixelBands pixels() const {
        return {data().data(), static_cast<std::size_t>(pixelCount), kBands, kClusters};
    }
    long long pixelCount = 0;
    std::unique_ptr<Evaluator> evaluator;
    std::unique_ptr<Evaluator> compactEvaluator;
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
        data.evaluator->Evaluate(s);
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
        benchmark::DoNotOptimize(
            tavorin::squares::Jm(data.pixels(), data.solution.centres.data(), width));
    }
    state.SetItemsProcessed(state.iterations());
}

void evaluateLiteral(benchmark::State& state, const Scene& data) {
    const tavorin::detail::LiteralImage image{&data.data(), data.pixelCount, kBands};
    for (auto _ : state) {
        const tavorin::detail::ObjectivePair result = tavorin::detail::LiteralEvaluate(
            image, kClusters, data.solution.centres, data.evaluator->fuzzifier,
            tavorin::detail::PowerMode::LibraryPow);
        benchmark::DoNotOptimize(result.jm);
    }
    state.SetItemsProcessed(state.iterations());
}

void sequentialSumFloor(benchmark::State& state, const Scene& data) {
    const auto count = static_cast<std::size_t>(data.pixelCount) * kClusters;
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

void BM_EvaluateSse2(benchmark::State& state) {
    evaluateWidth(state, tavorin::squares::VectorWidth::Sse2);
}
BENCHMARK(BM_EvaluateSse2)->Unit(benchmark::kMillisecond);

void BM_EvaluateAvx2(benchmark::State& state) {
    evaluateWidth(state, tavorin::squares::VectorWidth::Avx2);
}
BENCHMARK(BM_EvaluateAvx2)->Unit(benchmark::kMillisecond);

void BM_EvaluateAvx512(benchmark::State& state) {
    evaluateWidth(state, tavorin::squares::VectorWidth::Avx512);
}
BENCHMARK(BM_EvaluateAvx512)->Unit(benchmark::kMillisecond);

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
        data.evaluator->EvaluateNeighbours(data.solution, pointers);
        benchmark::DoNotOptimize(neighbours[0].jm);
    }
    state.SetItemsProcessed(state.iterations() * kClusters);
}
BENCHMARK(BM_EvaluateNeighboursTogether)->Unit(benchmark::kMillisecond);

void BM_EvaluateNeighboursOneByOne(benchmark::State& state) {
    const Scene& data = landsat();
    std::vector<CSolution> neighbours = neighboursOf(data);
    for (auto _ : state) {
        for (CSolution& s : neighbours) data.evaluator->Evaluate(s);
        benchmark::DoNotOptimize(neighbours[0].jm);
    }
    state.SetItemsProcessed(state.iterations() * kClusters);
}
BENCHMARK(BM_EvaluateNeighboursOneByOne)->Unit(benchmark::kMillisecond);

// Eight different solutions per iteration in one batch, one thread; items are evaluations.
std::vector<CSolution> batchOf(const Scene& data) {
    std::vector<CSolution> solutions(8, data.solution);
    for (std::size_t i = 0; i < solutions.size(); ++i) {
        for (double& value : solutions[i].centres) value += 0.25 * static_cast<double>(i);
    }
    return solutions;
}

void evaluateBatch(benchmark::State& state, const Evaluator& evaluator) {
    const Scene& data = landsat();
    std::vector<CSolution> solutions = batchOf(data);
    std::vector<CSolution*> pointers;
    for (CSolution& s : solutions) pointers.push_back(&s);
    for (auto _ : state) {
        evaluator.EvaluateAll(pointers);
        benchmark::DoNotOptimize(solutions[0].jm);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(solutions.size()));
}

void BM_EvaluateBatch(benchmark::State& state) { evaluateBatch(state, *landsat().evaluator); }
BENCHMARK(BM_EvaluateBatch)->Unit(benchmark::kMillisecond);

// The same batch over the scene held as bytes, converted to doubles block by block.
void BM_EvaluateBatchBytes(benchmark::State& state) {
    evaluateBatch(state, *landsat().compactEvaluator);
}
BENCHMARK(BM_EvaluateBatchBytes)->Unit(benchmark::kMillisecond);

// The labels of one map of the byte scene, one thread; items are maps.
void BM_LabelMap(benchmark::State& state) {
    const Scene& data = landsat();
    std::vector<unsigned char> labels(static_cast<std::size_t>(data.pixelCount));
    for (auto _ : state) {
        data.compactEvaluator->Label(data.solution, labels.data());
        benchmark::DoNotOptimize(labels.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LabelMap)->Unit(benchmark::kMillisecond);

// The floor of a batch's sums: four running sums of N x K doubles each, interleaved; items are
// sums, as for the sequential floor.
void BM_InterleavedSumFloor(benchmark::State& state) {
    const Scene& data = landsat();
    const auto count = static_cast<std::size_t>(data.pixelCount) * kClusters;
    std::vector<double> terms(4 * count);
    for (std::size_t i = 0; i < terms.size(); ++i) terms[i] = 1.0 / static_cast<double>(i + 1);
    for (auto _ : state) {
        double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
        for (std::size_t i = 0; i < terms.size(); i += 4) {
            a += terms[i];
            b += terms[i + 1];
            c += terms[i + 2];
            d += terms[i + 3];
        }
        benchmark::DoNotOptimize(a + b + c + d);
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_InterleavedSumFloor)->Unit(benchmark::kMillisecond);

// The same batch, its chunks of pixels shared by two threads (wall-clock rate).
void BM_EvaluateAllTwoThreads(benchmark::State& state) {
    const Scene& data = landsat();
    std::vector<CSolution> solutions = batchOf(data);
    std::vector<CSolution*> pointers;
    for (CSolution& s : solutions) pointers.push_back(&s);
    data.evaluator->SetThreadCount(2);
    for (auto _ : state) {
        data.evaluator->EvaluateAll(pointers);
        benchmark::DoNotOptimize(solutions[0].jm);
    }
    data.evaluator->SetThreadCount(1);
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
