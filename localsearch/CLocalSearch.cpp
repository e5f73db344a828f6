#include "localsearch/CLocalSearch.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "clustering/CopySolution.h"
#include "evolution/CMemeticClustering.h"
#include "localsearch/StepSizeAdaptation.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"

namespace tavorin {

CLocalSearch::CLocalSearch(RunState& run)
    : popSize(run.globals.popSize),
      bandCount(run.globals.bandCount),
      clusterNumber(run.globals.clusterNumber),
      run_(run) {}

void CLocalSearch::LocalSearch(std::vector<CSolution>& population, std::vector<int> lsMask,
                               std::vector<double>& pLS, std::vector<int>& LS_count,
                               std::vector<double>& AS, platform::TextFile& timeLog,
                               platform::TextFile& paramLog) {
    const std::vector<double>& stepSizes = run_.globals.GLS_delta;
    const std::vector<double>& lowerBound = run_.globals.lowerBound;
    const std::vector<double>& upperBound = run_.globals.upperBound;
    const auto d = static_cast<std::size_t>(bandCount);
    std::vector<CSolution> clusterSet;
    std::vector<CSolution> neighbours(static_cast<std::size_t>(clusterNumber));
    std::vector<CSolution*> toEvaluate;
    for (CSolution& neighbour : neighbours) toEvaluate.push_back(&neighbour);

    for (int i = 0; i < popSize; ++i) {
        if (lsMask[static_cast<std::size_t>(i)] != 1) continue;
        CSolution& member = population[static_cast<std::size_t>(i)];

        timeLog.Write("the local search of " + platform::formatInt(i) + "th individual\n");
        const std::int64_t t0 = platform::tickMilliseconds();
        const StepSizeChoice step = drawStepSize(run_.random, run_.ui, pLS, stepSizes);
        if (!step.valid) continue;  // no usable step size: this member keeps its values
        CSolution best;
        CopySolution(best, member);

        // All K moves are drawn first, in cluster order and band by band, then evaluated
        // together; evaluation draws nothing, so the sequence is that of one move at a time.
        for (int c = 0; c < clusterNumber; ++c) {
            CSolution& neighbour = neighbours[static_cast<std::size_t>(c)];
            CopySolution(neighbour, member);
            for (std::size_t k = 0; k < d; ++k) {
                const std::size_t gene = static_cast<std::size_t>(c) * d + k;
                neighbour.centres[gene] = run_.random.randNormalInRange(
                    member.centres[gene], step.sigma, lowerBound[k], upperBound[k]);
            }
        }
        run_.evaluator.EvaluateNeighbours(member, toEvaluate);

        // Each move meets only the best of its moment: a dominating move becomes the best,
        // an incomparable (or equal) one joins the cluster set, a dominated one is dropped.
        for (const CSolution& neighbour : neighbours) {
            if (CMemeticClustering::dominates(neighbour, best) == 1) {
                CopySolution(best, neighbour);
            } else if (CMemeticClustering::dominates(best, neighbour) != 1) {
                clusterSet.push_back(neighbour);
            }
        }

        const std::int64_t t1 = platform::tickMilliseconds();
        timeLog.Write("create_clusterset_time=" +
                      platform::formatFixed(platform::secondsBetween(t0, t1)) + " seconds\n");
        writeParamRow(paramLog, LS_count, AS, pLS);
        recordReward(window, step.index, best, member, pLS, LS_count, AS);
        CopySolution(member, best);
        const std::int64_t t2 = platform::tickMilliseconds();
        timeLog.Write("update_pLS_time=" + platform::formatFixed(platform::secondsBetween(t1, t2)) +
                      " seconds\n");
    }

    // The searched population and the incomparable moves compete for the popSize places.
    const int M = popSize + static_cast<int>(clusterSet.size());
    std::vector<CSolution> merged(static_cast<std::size_t>(M));
    for (int i = 0; i < popSize; ++i) {
        CopySolution(merged[static_cast<std::size_t>(i)], population[static_cast<std::size_t>(i)]);
    }
    for (std::size_t s = 0; s < clusterSet.size(); ++s) {
        CopySolution(merged[static_cast<std::size_t>(popSize) + s], clusterSet[s]);
    }
    clusterSet.clear();
    Pareto_RankSet(merged, M);
    eval_densSet(population, merged, M);
}

}  // namespace tavorin
