#pragma once

#include <vector>

#include "clustering/CSolution.h"
#include "evolution/RunState.h"
#include "image/CEnviImage.h"

namespace tavorin {

// The search of one classification: the algorithm object and the local search of `run`,
// from the first population to the last generation. Returns the final front in the order
// that numbers the result images (see SortedFirstFront).
std::vector<CSolution> RunClassificationSearch(RunState& run, const CEnviImage& description);

// The members of `population` with rank 0, largest jm first, by the exchange sort whose
// order numbers the result images: slot i is exchanged with every later slot k holding a
// larger jm, so the order of ties follows from that procedure (not a stable sort).
std::vector<CSolution> SortedFirstFront(const std::vector<CSolution>& population);

}  // namespace tavorin
