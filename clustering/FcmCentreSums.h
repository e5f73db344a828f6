#pragma once

#include <vector>

namespace tavorin::fcm {

// The sums of a centre update: per cluster j the weights u_ij^m summed over the pixels, and
// per band k and cluster j (at k * K + j) the weighted band values, each summed over the
// pixels in index order.
struct CentreSums {
    std::vector<double> weights;
    std::vector<double> weighted;
};

}  // namespace tavorin::fcm
