#include <algorithm>
#include <cstddef>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "image/CEnviImage.h"
#include "platform/ThreadPool.h"
#include "platform/UserInterface.h"

namespace tavorin {

void CMemeticClustering::Run(const CEnviImage& description, LocalSearchStep& localSearch) {
    const int asked = run_.evaluator.threadCount();
    const int started = run_.evaluator.StartThreads();
    if (started < asked) {
        run_.ui.ShowMessage(platform::FewerThreadsMessage(started, asked),
                            platform::MessageKind::Information);
    }
    Initialization(description);
    GlobalandLocal(localSearch);
}

void CMemeticClustering::Initialization(const CEnviImage& /*description*/) {
    platform::ProgressWindow progress(run_.ui, "QUELDRA_initialization", 0, popSize + 1, 1);
    progress.Step();

    initRandomPopulation();

    // One progress step per member. The members are evaluated in groups of threadCount right
    // after their steps, so the bar follows the work; evaluation draws nothing, so grouping
    // leaves every result unchanged.
    const int groupSize = run_.evaluator.threadCount();
    std::vector<CSolution*> group;
    for (int first = 0; first < popSize; first += groupSize) {
        group.clear();
        for (int i = first; i < std::min(popSize, first + groupSize); ++i) {
            progress.Step();
            CSolution& member = population[static_cast<std::size_t>(i)];
            member.F = 0.5;
            member.CR = 0.9;
            group.push_back(&member);
        }
        EvaluateAll(group);
    }

    const auto n = static_cast<std::size_t>(popSize);
    for (std::size_t i = 0; i < n; ++i) CopySolution(offspring[i], population[i]);
    for (std::size_t i = 0; i < n; ++i) {
        CopySolution(combined[i], population[i]);
        CopySolution(combined[n + i], offspring[i]);
    }
    Pareto_Rank();
    eval_dens();

    progress.Step();
}

void CMemeticClustering::initRandomPopulation() {
    // Every centre starts at a pixel drawn at random; the draws come first, then the pixels'
    // samples are read, which on a split image live on other processes.
    const auto pixels = static_cast<int>(pixelCount());
    std::vector<long long> drawn;
    drawn.reserve(static_cast<std::size_t>(popSize) * static_cast<std::size_t>(clusterNumber));
    for (int i = 0; i < popSize * clusterNumber; ++i) {
        // randInt(0, N) gives N once in 32768 draws: that draw takes the last pixel.
        drawn.push_back(std::min(run_.random.randInt(0, pixels), pixels - 1));
    }
    const std::vector<double> samples = run_.evaluator.PixelSamples(drawn);
    const auto genes = static_cast<std::ptrdiff_t>(geneCount);
    for (std::size_t i = 0; i < static_cast<std::size_t>(popSize); ++i) {
        const auto first = samples.begin() + static_cast<std::ptrdiff_t>(i) * genes;
        population[i].centres.assign(first, first + genes);
    }
}

}  // namespace tavorin
