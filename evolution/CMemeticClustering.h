#pragma once

#include <memory>
#include <span>
#include <vector>

#include "evolution/CSolution.h"

namespace tavorin {

class CEnviImage;

namespace platform {
class ThreadPool;
}

// The algorithm object of the multi-objective memetic fuzzy clustering search. Its members
// are the steps of the search, each named as the run logs and progress windows name it.
// The constructor takes everything from the process-wide RunGlobals, which must be filled.
class CMemeticClustering {
public:
    CMemeticClustering();
    virtual ~CMemeticClustering();
    CMemeticClustering(const CMemeticClustering&) = delete;
    CMemeticClustering& operator=(const CMemeticClustering&) = delete;

    double fuzzifier = 2.0;            // m of the memberships; nothing changes it
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
    std::shared_ptr<const std::vector<double>> bandData;
    std::vector<double> upperBound;  // per gene, laid out like a centre vector
    std::vector<double> lowerBound;
    int threadCount = 1;  // evaluations that may run side by side; results never depend on it

    long long pixelCount() const { return static_cast<long long>(lineCount) * sampleCount; }

    // Run and initialisation.
    void Run(const CEnviImage& description);
    void Initialization(const CEnviImage& description);
    void initRandomPopulation();

    // The generational loop with its three run logs.
    void GlobalandLocal();

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

    // Ranking and selection of an arbitrary set (the local search's merged set).
    void Pareto_RankSet(std::vector<CSolution>& set, int M) const;
    void eval_densSet(std::vector<CSolution>& destination, const std::vector<CSolution>& set,
                      int M) const;

    // Writes the Xie-Beni index and Jm of `s` for its centres. Reads only this object's
    // image and sizes, so evaluations of different solutions may run at the same time.
    void Evaluate(CSolution& s) const;
    // Evaluates every solution of `solutions`, up to `threadCount` of them side by side; the
    // results are those of evaluating them one after the other.
    void EvaluateAll(std::span<CSolution* const> solutions) const;
    // Evaluates the neighbours of `member`, neighbour c being `member` with only centre c
    // moved: the distances to the unchanged centres are computed once for all of them. The
    // results are bit for bit those of Evaluate; a neighbour that differs from `member` in
    // any other centre is evaluated on its own.
    void EvaluateNeighbours(const CSolution& member, std::span<CSolution* const> neighbours) const;

    // Makes `destination` an exact, independent copy of `source`.
    void CopySolution(CSolution& destination, const CSolution& source) const;

private:
    // The workers of the side-by-side evaluations, made on first use and kept for the run
    // (remade only when threadCount changes).
    platform::ThreadPool& EvaluationPool() const;
    mutable std::unique_ptr<platform::ThreadPool> evaluationPool_;
};

}  // namespace tavorin
