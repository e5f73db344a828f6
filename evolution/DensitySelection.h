#pragma once

#include <span>

#include "clustering/CSolution.h"

namespace tavorin {

// Sorts the first `limit` positions of values[0..n-1] into ascending order by exchanges,
// carrying perm along: position pos takes the smallest of pos..n-1, an entry being swapped out
// only for a strictly smaller one (ties keep their order; a NaN never moves).
void sortAscendingPrefix(double* values, int* perm, int n, int limit);

// Environmental selection: copies destination.size() members of the ranked `candidates` into
// `destination`, whole fronts in rank order first, then the members of the front that does not
// fit whole in ascending crowding density. `candidates` must hold at least as many members as
// `destination` and carry ranks from RankNonDominated.
void SelectByDensity(std::span<const CSolution> candidates, std::span<CSolution> destination);

}  // namespace tavorin
