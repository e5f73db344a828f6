#pragma once

#include <memory>
#include <span>
#include <vector>

#include "clustering/CSolution.h"
#include "clustering/CopySolution.h"
#include "clustering/Evaluator.h"
#include "evolution/RunState.h"

namespace tavorin {

class CEnviImage;
class LocalSearchStep;

// The algorithm object of the multi-objective memetic fuzzy clustering search. Its members
// are the steps of the search, each named as the run logs and progress windows name it.
// It takes its sizes, image and bounds from the run's RunGlobals and draws from the run's
// generator; the run outlives the object.
class CMemeticClustering {
  public:
    explicit CMemeticClustering(RunState& run);
    CMemeticClustering(const CMemeticClustering&) = delete;
    CMemeticClustering& operator=(const CMemeticClustering&) = delete;

    std::vector<CSolution> population;  // P, popSize members
    std::vector<CSolution> offspring;   // Q, trial i belongs to member i
    std::vector<CSolution> combined;    // R = P then Q, 2 * popSize members
    int popSize = 0;
    int iGenerations = 0;
    int bandCount = 0;      // d
    int clusterNumber = 0;  // K
    int lineCount = 0;
    int sampleCount = 0;
    int geneCount = 0;  // K * d, the length of every centre vector
    // The image, band-sequential (band k of pixel p at k * N + p), shared with RunGlobals.
    std::shared_ptr<const BandSamples> bandData;
    std::vector<double> upperBound;  // per gene, laid out like a centre vector
    std::vector<double> lowerBound;

    long long pixelCount() const { return run_.globals.pixelCount(); }
    RunState& run() const { return run_; }

    // Run and initialisation.
    void Run(const CEnviImage& description, LocalSearchStep& localSearch);
    void Initialization(const CEnviImage& description);
    void initRandomPopulation();

    // The generational loop with its three run logs; `localSearch` refines the population
    // once a generation.
    void GlobalandLocal(LocalSearchStep& localSearch);

    // Differential-evolution variation.
    void DE_MuCr();
    void makeTrial(CSolution parent, int i, CSolution& trial);
    void repairBounds(CSolution& s) const;

    // Pareto ranking of `combined`.
    void Pareto_Rank();
    // 1 if a dominates b (strictly smaller in both objectives), 4 if both objectives are
    // equal, 0 otherwise.
    static int dominates(const CSolution& a, const CSolution& b);

    // Density estimation and environmental selection from `combined` into `population`.
    void eval_dens();

    // The run's evaluation (see Evaluator).
    void Evaluate(CSolution& s) const { run_.evaluator.Evaluate(s); }
    void EvaluateAll(std::span<CSolution* const> solutions) const {
        run_.evaluator.EvaluateAll(solutions);
    }

  private:
    RunState& run_;
};

}  // namespace tavorin
