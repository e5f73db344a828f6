#pragma once

#include <vector>

#include "image/BandSamples.h"

// The reference evaluation beside the fast one (Evaluator): what the tests compare the fast
// evaluation with bit for bit, and the baseline of the benchmarks.
namespace tavorin::detail {

// How the literal evaluation raises to a power: as a product (x * x, the correctly rounded
// square, for comparisons bit for bit) or with std::pow and the run-time exponent (the plain
// general-power reading, a timing baseline).
enum class PowerMode { Products, LibraryPow };

struct ObjectivePair {
    double xbIndex = 0.0;
    double jm = 0.0;
};

struct LiteralImage {
    const BandSamples* bandData = nullptr;  // band k of pixel p at k * pixelCount + p
    long long pixelCount = 0;
    int bandCount = 0;
};

// The Xie-Beni index and Jm of `centres` (K * d values) computed step by step: full N x K
// distance and membership matrices, the squared distances of Jm computed afresh. Products mode
// supports the fuzzifier 2 only.
ObjectivePair LiteralEvaluate(const LiteralImage& image, int clusterNumber,
                              const std::vector<double>& centres, double fuzzifier, PowerMode mode);

}  // namespace tavorin::detail
