#pragma once

#include <span>

#include "clustering/CSolution.h"

namespace tavorin {

// Sorts `set` into non-dominated fronts by its two objectives (xbIndex, jm), both minimised:
// writes every member's `rank` (0 for the first front, consecutive from there) and its
// `dominatesCount`. Reads nothing but the objectives and writes nothing else.
void RankNonDominated(std::span<CSolution> set);

}  // namespace tavorin
