#include "clustering/FcmKernels.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tavorin::fcm::detail {

void FourClusterMembershipsOfPixel(const double* x, const double* centres, std::size_t bands,
                                   double* out) {
    std::array<double, 4> powered{};
    std::size_t coincident = 4;
    for (std::size_t j = 0; j < 4; ++j) {
        double squareSum = 0.0;
        for (std::size_t k = 0; k < bands; ++k) {
            const double difference = x[k] - centres[j * bands + k];
            squareSum += difference * difference;
        }
        const double distance = std::sqrt(squareSum);
        if (distance == 0.0 || std::isnan(distance)) coincident = j;
        powered[j] = distance * distance;
    }
    if (coincident < 4) {
        std::fill(out, out + 4, 0.0);
        out[coincident] = 1.0;
        return;
    }
    double inverseSum = 0.0;
    for (std::size_t l = 0; l < 4; ++l) inverseSum += 1.0 / powered[l];
    for (std::size_t j = 0; j < 4; ++j) out[j] = 1.0 / (powered[j] * inverseSum);
}

}  // namespace tavorin::fcm::detail
