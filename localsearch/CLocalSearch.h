#pragma once

#include <vector>

#include "evolution/CMemeticClustering.h"

namespace tavorin {

namespace platform {
class TextFile;
}

// The object the local search runs on: the algorithm object with its own popSize, bandCount
// and clusterNumber; it adds no data.
class CLocalSearch : public CMemeticClustering {
public:
    CLocalSearch(int popSize, int bandCount, int clusterNumber);
    ~CLocalSearch() override;

    // Refines every member whose lsMask entry is 1 by Gaussian moves of one centre at a time,
    // then re-selects the population from itself and the incomparable moves.
    void LocalSearch(std::vector<CSolution>& population, std::vector<int> lsMask,
                     std::vector<double>& pLS, std::vector<int>& LS_count, std::vector<double>& AS,
                     platform::TextFile& timeLog, platform::TextFile& paramLog);
};

}  // namespace tavorin
