#pragma once

#include <vector>

#include "clustering/CSolution.h"
#include "evolution/SearchRandom.h"
#include "platform/UserInterface.h"

namespace tavorin {

namespace platform {
class TextFile;
}

// The adaptive choice among the four local-search step sizes. `pLS` holds the probability of
// drawing each step size, `LS_count` how many searches used it since the last reset and `AS`
// the mean reward of those searches; entry j belongs to step size j.

// The window of one run that alternates every 20 searched individuals between a frozen phase
// (pLS left alone) and an adaptive phase (pLS recomputed by every update).
struct StepSizeWindow {
    int searchCounter = 0;  // individuals searched so far in the run
    int pLSFrozen = 1;      // 1 while updates leave pLS unchanged
};

// The step size of one searched individual.
struct StepSizeChoice {
    bool valid = false;  // false: the draw gave no usable index ("wrong LS_num!" was shown)
    int index = 0;       // j in 0..3
    double sigma = 0.0;  // stepSizes[j]
};

// Draws j by roulette over a copy of `pLS` (one generator call). An index outside 0..3 or
// outside `stepSizes` shows "wrong LS_num!" and gives an invalid choice.
StepSizeChoice drawStepSize(SearchRandom& random, platform::IUserInterface& ui,
                            const std::vector<double>& pLS, const std::vector<double>& stepSizes);

// Writes "\n", the counts ("%d\t" each), "\t", the rewards ("%f\t" each), "\t" and the
// probabilities ("%f\t" each): the vectors as they stand before the individual's update.
void writeParamRow(platform::TextFile& paramLog, const std::vector<int>& LS_count,
                   const std::vector<double>& AS, const std::vector<double>& pLS);

// The reward of a search that ended with `best` from `member`: the whole-number changes of
// both objectives, each relative to the objective of `best`. A term whose divisor is 0
// contributes 0.
double stepReward(const CSolution& best, const CSolution& member);

// Advances `window`, records the reward of step size j (0..3) in its running mean and, in
// the adaptive phase, recomputes pLS from the mean rewards.
void recordReward(StepSizeWindow& window, int j, const CSolution& best, const CSolution& member,
                  std::vector<double>& pLS, std::vector<int>& LS_count, std::vector<double>& AS);

}  // namespace tavorin
