#include "evolution/SearchRandom.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/Saturate.h"

namespace tavorin {
namespace {

// rand() * kUnitStep is rand() / 32768, always below 1.
constexpr double kUnitStep = 0.000030517578125;
// The double nearest 1/32767: rand() * kClosedUnitStep reaches 1 for rand() = 32767.
constexpr double kClosedUnitStep = 0.00003051850947599719;
// Consecutive rejected normal draws after which the range is taken as out of reach.
constexpr long long kMaxRejectedDraws = 10000000;

// The value clamped into [low, high]; a NaN value gives low.
double clampInto(double value, double low, double high) {
    return std::max(low, std::min(value, high));
}

}  // namespace

double SearchRandom::rand01() { return generator_.Next() * kUnitStep; }

int SearchRandom::randInt(int a, int b) {
    // The width is formed exactly (no int overflow), then the arithmetic is double, left to right.
    const double width = static_cast<double>(static_cast<std::int64_t>(b) - a);
    const double t = ((generator_.Next() * kClosedUnitStep) * width) + a;
    return platform::truncateToInt32(t);
}

void SearchRandom::randPickDistinct(int* out, int k, int n, int first) {
    if (k < 0 || n < k + 1 || first < 0 || first >= n) {
        throw std::invalid_argument("randPickDistinct: cannot draw " + std::to_string(k + 1) +
                                    " distinct indices of " + std::to_string(n) +
                                    " starting with " + std::to_string(first));
    }
    std::vector<int> pool(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) pool[static_cast<std::size_t>(t)] = t;
    int remaining = n;
    int pos = first;
    for (int next = 0; next <= k; ++next) {
        out[next] = pool[static_cast<std::size_t>(pos)];
        remaining -= 1;
        pool[static_cast<std::size_t>(pos)] = pool[static_cast<std::size_t>(remaining)];
        // Drawn after every pick, the last one included, though that position is never used.
        pos = platform::truncateToInt32(rand01() * remaining);
    }
}

double SearchRandom::randNormalInRange(double mean, double sd, double lo, double hi) {
    if (lo == hi) return lo;
    if (lo > hi) return clampInto(mean, hi, lo);
    // A bound that is not a number admits no value; give the mean back rather than loop.
    if (std::isnan(lo) || std::isnan(hi)) return mean;
    if (!std::isfinite(mean) || !std::isfinite(sd)) return clampInto(mean, lo, hi);

    for (long long rejected = 0; rejected < kMaxRejectedDraws; ++rejected) {
        double z = 0.0;
        if (normalPair_.haveSpare == 0) {
            do {
                const double u1 = generator_.Next() * kClosedUnitStep;
                const double u2 = generator_.Next() * kClosedUnitStep;
                normalPair_.y1 = 2.0 * u1 - 1.0;
                normalPair_.y2 = 2.0 * u2 - 1.0;
                normalPair_.s = normalPair_.y2 * normalPair_.y2 + normalPair_.y1 * normalPair_.y1;
            } while (normalPair_.s >= 1.0 || normalPair_.s == 0.0);
            z = std::sqrt(-2.0 * std::log(normalPair_.s) / normalPair_.s) * normalPair_.y1;
        } else {
            z = std::sqrt(-2.0 * std::log(normalPair_.s) / normalPair_.s) * normalPair_.y2;
        }
        const double x = z * sd + mean;
        normalPair_.haveSpare = 1 - normalPair_.haveSpare;
        if (lo <= x && x <= hi) return x;
    }
    return clampInto(mean, lo, hi);
}

int SearchRandom::rouletteSelect(std::vector<double> weights) {
    double sum = 0.0;
    for (const double w : weights) sum += w;
    const double u = rand01();
    double cum = 0.0;
    const int n = static_cast<int>(weights.size());
    for (int i = 0; i < n; ++i) {
        cum += weights[static_cast<std::size_t>(i)] / sum;
        // A cumulative value that is not a number (0/0, or a NaN weight) selects its index.
        if (u < cum || std::isnan(cum)) return i;
    }
    return -1;
}

}  // namespace tavorin
