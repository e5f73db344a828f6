#pragma once

#include <cstdint>
#include <span>

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

// Moves the labels of the searched pixels, held in order at the start of `labels`, to their
// pixels, and labels 0 the pixels left out: `searched` holds one entry a pixel (1: searched).
void SpreadLabels(std::span<const std::uint8_t> searched, long long searchedCount,
                  unsigned char* labels);

}  // namespace tavorin
