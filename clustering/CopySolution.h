#pragma once

#include "clustering/CSolution.h"

namespace tavorin {

// Makes `destination` an exact, independent copy of `source`.
void CopySolution(CSolution& destination, const CSolution& source);

}  // namespace tavorin
