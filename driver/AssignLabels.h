#pragma once

#include "clustering/CSolution.h"
#include "clustering/Evaluator.h"
#include "evolution/RunGlobals.h"

namespace tavorin {

// Crisp labels 1..K (0 where no membership is positive) of every pixel of the run's image,
// from the fuzzy memberships of `solution`'s centres; `labels` holds one byte per pixel of the
// image, and pixels left out of the search get 0. `evaluator` evaluates the run's image and
// lends its threads.
void AssignLabels(const RunGlobals& globals, const Evaluator& evaluator, const CSolution& solution,
                  unsigned char* labels);

}  // namespace tavorin
