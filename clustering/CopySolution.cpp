#include "clustering/CopySolution.h"

namespace tavorin {

void CopySolution(CSolution& destination, const CSolution& source) {
    if (&destination == &source) return;
    // Vector assignment reuses the destination's storage when it is large enough.
    destination = source;
}

}  // namespace tavorin
