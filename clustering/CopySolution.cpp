#include "evolution/CMemeticClustering.h"

namespace tavorin {

void CMemeticClustering::CopySolution(CSolution& destination, const CSolution& source) const {
    if (&destination == &source) return;
    // Vector assignment reuses the destination's storage when it is large enough.
    destination = source;
}

}  // namespace tavorin
