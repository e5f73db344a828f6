#pragma once

#include <vector>

#include "clustering/CSolution.h"

namespace tavorin {

namespace platform {
class TextFile;
}

// The local search as the generational loop sees it: once a generation, after the
// environmental selection, it refines the members whose lsMask entry is 1 and re-selects the
// population. The search of the next layer implements it.
class LocalSearchStep {
  public:
    virtual ~LocalSearchStep() = default;
    virtual void LocalSearch(std::vector<CSolution>& population, std::vector<int> lsMask,
                             std::vector<double>& pLS, std::vector<int>& LS_count,
                             std::vector<double>& AS, platform::TextFile& timeLog,
                             platform::TextFile& paramLog) = 0;
};

}  // namespace tavorin
