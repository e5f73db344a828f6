// Times the stand-alone fuzzy c-means on the bundled Landsat scene (400 x 400 pixels, 6 bands,
// K = 4): a whole Cluster of 100 iterations on one thread and on two, and one iteration's steps
// on their own (the argument is the thread count). Runs on several threads are timed by the
// wall clock, since the processor time of the calling thread misses the others' work.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchSupport.h"
#include "clustering/CFcmRunner.h"

namespace {

using tavorin::CFcmRunner;

// A runner holding the scene, loaded once; each benchmark copies it.
const CFcmRunner& LoadedScene() {
    static const CFcmRunner scene = [] {
        CFcmRunner runner;
        runner.imagePath = tavorin::bench::DataDir() + "/landsat_scene01.img";
        runner.seed = 1;
        runner.LoadTestImage();
        return runner;
    }();
    return scene;
}

// A copy of the loaded scene that runs on `threads` threads.
CFcmRunner SceneWithThreads(int threads) {
    CFcmRunner runner = LoadedScene();
    runner.threadCount = threads;
    return runner;
}

void ClusterLandsatScene(benchmark::State& state, int threads) {
    tavorin::bench::ScratchFolder folder;  // Cluster writes its centre file here
    CFcmRunner runner = SceneWithThreads(threads);
    for (auto _ : state) {
        runner.Cluster();
        benchmark::DoNotOptimize(runner.centres.data());
    }
    state.counters["iterations_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * runner.iterationCount,
                           benchmark::Counter::kIsRate);
}

void BM_FcmClusterLandsatScene(benchmark::State& state) { ClusterLandsatScene(state, 1); }
BENCHMARK(BM_FcmClusterLandsatScene)->Unit(benchmark::kMillisecond);

void BM_FcmClusterLandsatSceneTwoThreads(benchmark::State& state) { ClusterLandsatScene(state, 2); }
BENCHMARK(BM_FcmClusterLandsatSceneTwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FcmOneIterationLandsatScene(benchmark::State& state) {
    CFcmRunner runner = SceneWithThreads(static_cast<int>(state.range(0)));
    runner.InitMemberships();
    runner.NormaliseMemberships();
    for (auto _ : state) {
        runner.UpdateCentres();
        runner.UpdateMemberships();
        runner.membership.swap(runner.newMembership);
        benchmark::DoNotOptimize(runner.membership.data());
    }
}
BENCHMARK(BM_FcmOneIterationLandsatScene)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FcmUpdateCentresLandsatScene(benchmark::State& state) {
    CFcmRunner runner = SceneWithThreads(static_cast<int>(state.range(0)));
    runner.InitMemberships();
    runner.NormaliseMemberships();
    for (auto _ : state) {
        runner.UpdateCentres();
        benchmark::DoNotOptimize(runner.centres.data());
    }
}
BENCHMARK(BM_FcmUpdateCentresLandsatScene)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FcmUpdateMembershipsLandsatScene(benchmark::State& state) {
    CFcmRunner runner = SceneWithThreads(static_cast<int>(state.range(0)));
    runner.InitMemberships();
    runner.NormaliseMemberships();
    runner.UpdateCentres();
    for (auto _ : state) {
        runner.UpdateMemberships();
        benchmark::DoNotOptimize(runner.newMembership.data());
    }
}
BENCHMARK(BM_FcmUpdateMembershipsLandsatScene)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
