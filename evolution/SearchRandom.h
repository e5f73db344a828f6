#pragma once

#include <cstdint>
#include <vector>

#include "platform/Random.h"

namespace tavorin {

// The draws of one search: its 15-bit generator and the cached half of the normal pair, both
// owned by the run, so every run starts as a fresh process would. The formulas, the number of
// generator calls per draw and their order fix the sequence of a run, so each draw documents
// them.
class SearchRandom {
  public:
    explicit SearchRandom(std::uint32_t seed = 1) : generator_(seed) {}

    // The generator itself, for draws outside the search's formulas (tests, benchmarks).
    platform::Random15& generator() { return generator_; }

    // rand() * 2^-15: a value in [0, 32767/32768]; one generator call.
    double rand01();

    // trunc(((rand() * c) * (b - a)) + a) with c the double nearest 1/32767; a value in [a, b],
    // b only for rand() = 32767; one generator call.
    int randInt(int a, int b);

    // Writes k + 1 distinct indices of 0..n-1 to out[0..k], out[0] = first; k + 1 generator
    // calls.
    void randPickDistinct(int* out, int k, int n, int first);

    // A normal draw N(mean, sd^2) inside [lo, hi], by the polar method with one cached value.
    // lo = hi gives lo without drawing; lo > hi gives the mean clamped into [hi, lo]; a mean or
    // sd that is not finite, or 10,000,000 rejected draws in a row, give the mean clamped into
    // [lo, hi].
    double randNormalInRange(double mean, double sd, double lo, double hi);

    // An index drawn with probability proportional to its weight; one generator call. A weight
    // sum of zero or a weight that is not a number selects the first such index; -1 when no
    // index is selected (an empty vector).
    int rouletteSelect(std::vector<double> weights);

  private:
    // The cached pair of the polar method; it survives from one draw to the next of the run.
    struct NormalPairCache {
        int haveSpare = 0;
        double y1 = 0.0;
        double y2 = 0.0;
        double s = 0.0;
    };

    platform::Random15 generator_;
    NormalPairCache normalPair_;
};

}  // namespace tavorin
