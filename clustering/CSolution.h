#pragma once

#include <vector>

namespace tavorin {

// One candidate clustering: K cluster centres in the d-dimensional band space and what the
// search knows about it. Every field has a value from construction on, because the first
// population is copied before it is ranked.
struct CSolution {
    std::vector<double> centres;  // K * d values; band k of centre j at j * d + k
    double xbIndex = 0.0;         // objective 1, Xie-Beni index (minimised)
    double jm = 0.0;              // objective 2, fuzzy c-means objective Jm (minimised)
    double F = 0.5;               // differential-evolution scale factor of this individual
    double CR = 0.9;              // crossover rate of this individual
    int rank = -1;                // non-dominated front index; -1 before ranking
    int dominatesCount = 0;       // members of the last ranked set this one dominates
};

}  // namespace tavorin
