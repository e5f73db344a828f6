#pragma once

#include <vector>

#include "evolution/LocalSearchStep.h"
#include "evolution/RunState.h"
#include "localsearch/StepSizeAdaptation.h"

namespace tavorin {

// The adaptive Gaussian local search of one run. It draws from the run's generator,
// evaluates with the run's evaluator and keeps the run's step-size window, which starts
// fresh with the object.
class CLocalSearch : public LocalSearchStep {
  public:
    explicit CLocalSearch(RunState& run);

    // Refines every member whose lsMask entry is 1 by Gaussian moves of one centre at a time,
    // then re-selects the population from itself and the incomparable moves.
    void LocalSearch(std::vector<CSolution>& population, std::vector<int> lsMask,
                     std::vector<double>& pLS, std::vector<int>& LS_count, std::vector<double>& AS,
                     platform::TextFile& timeLog, platform::TextFile& paramLog) override;

    // Ranking and selection of the first M solutions of the merged set.
    void Pareto_RankSet(std::vector<CSolution>& set, int M) const;
    void eval_densSet(std::vector<CSolution>& destination, const std::vector<CSolution>& set,
                      int M) const;

    int popSize = 0;
    int bandCount = 0;      // d
    int clusterNumber = 0;  // K
    StepSizeWindow window;  // the frozen and adaptive phases of the step-size probabilities

  private:
    RunState& run_;
};

}  // namespace tavorin
