// Times the stand-alone fuzzy c-means on the bundled Landsat scene (400 x 400 pixels, 6 bands,
// K = 4): a whole Cluster of 100 iterations, and one iteration's steps on their own.
#include <benchmark/benchmark.h>

#include <string>

#include "clustering/CFcmRunner.h"
#include "tests/support/TestSupport.h"

namespace {

using tavorin::CFcmRunner;

// A runner holding the scene, loaded once; each benchmark copies it.
const CFcmRunner& LoadedScene() {
    static const CFcmRunner scene = [] {
        CFcmRunner runner;
        runner.imagePath = tavorin::testing::DataDir() + "/landsat_scene01.img";
        runner.seed = 1;
        runner.LoadTestImage();
        return runner;
    }();
    return scene;
}

void BM_FcmClusterLandsatScene(benchmark::State& state) {
    tavorin::testing::TempDir folder(true);  // Cluster writes its centre file here
    CFcmRunner runner = LoadedScene();
    for (auto _ : state) {
        runner.Cluster();
        benchmark::DoNotOptimize(runner.centres.data());
    }
    state.counters["iterations_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * runner.iterationCount, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FcmClusterLandsatScene)->Unit(benchmark::kMillisecond);

void BM_FcmOneIterationLandsatScene(benchmark::State& state) {
    CFcmRunner runner = LoadedScene();
    runner.InitMemberships();
    runner.NormaliseMemberships();
    for (auto _ : state) {
        runner.UpdateCentres();
        runner.UpdateMemberships();
        runner.membership.swap(runner.newMembership);
        benchmark::DoNotOptimize(runner.membership.data());
    }
}
BENCHMARK(BM_FcmOneIterationLandsatScene)->Unit(benchmark::kMillisecond);

void BM_FcmUpdateCentresLandsatScene(benchmark::State& state) {
    CFcmRunner runner = LoadedScene();
    runner.InitMemberships();
    runner.NormaliseMemberships();
    for (auto _ : state) {
        runner.UpdateCentres();
        benchmark::DoNotOptimize(runner.centres.data());
    }
}
BENCHMARK(BM_FcmUpdateCentresLandsatScene)->Unit(benchmark::kMillisecond);

void BM_FcmUpdateMembershipsLandsatScene(benchmark::State& state) {
    CFcmRunner runner = LoadedScene();
    runner.InitMemberships();
    runner.NormaliseMemberships();
    runner.UpdateCentres();
    for (auto _ : state) {
        runner.UpdateMemberships();
        benchmark::DoNotOptimize(runner.newMembership.data());
    }
}
BENCHMARK(BM_FcmUpdateMembershipsLandsatScene)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
