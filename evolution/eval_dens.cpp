#include <algorithm>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "evolution/DensitySelection.h"

namespace tavorin {
namespace {

// The penalty of a front's extreme member in one objective: it always ranks first.
constexpr double kExtremeDensity = 1e30;

// Subtracts from density[t] the crowding contribution of one objective for the front whose
// members have the objective values value[0..n-1] (value[t] belongs to density[t]).
void addObjectiveDensity(std::vector<double> value, std::vector<double>& density) {
    const int n = static_cast<int>(value.size());
    std::vector<int> perm(value.size());
    for (int t = 0; t < n; ++t) perm[static_cast<std::size_t>(t)] = t;
    sortAscendingPrefix(value.data(), perm.data(), n, n);

    density[static_cast<std::size_t>(perm[0])] -= kExtremeDensity;
    density[static_cast<std::size_t>(perm[static_cast<std::size_t>(n - 1)])] -= kExtremeDensity;
    if (n < 3) return;
    // Normalised by the spread of the interior values, not by the full range.
    const double spread = value[static_cast<std::size_t>(n - 2)] - value[1];
    for (int k = 1; k <= n - 2; ++k) {
        const auto at = static_cast<std::size_t>(k);
        density[static_cast<std::size_t>(perm[at])] -= (value[at + 1] - value[at - 1]) / spread;
    }
}

bool overlaps(std::span<const CSolution> a, std::span<CSolution> b) {
    if (a.empty() || b.empty()) return false;
    const std::less<const CSolution*> before;
    return before(a.data(), b.data() + b.size()) && before(b.data(), a.data() + a.size());
}

}  // namespace

void sortAscendingPrefix(double* values, int* perm, int n, int limit) {
    const int end = std::min(limit, n);
    for (int pos = 0; pos < end; ++pos) {
        for (int r = pos + 1; r < n; ++r) {
            if (values[pos] > values[r]) {
                std::swap(values[pos], values[r]);
                std::swap(perm[pos], perm[r]);
            }
        }
    }
}

void SelectByDensity(std::span<const CSolution> candidates, std::span<CSolution> destination) {
    const std::size_t wanted = destination.size();
    if (wanted == 0) return;
    if (candidates.size() < wanted) {
        throw std::invalid_argument("SelectByDensity: fewer candidates than places to fill");
    }
    int highestRank = -1;
    for (const CSolution& candidate : candidates)
        highestRank = std::max(highestRank, candidate.rank);

    // Whole fronts, in rank order, while they fit with room to spare.
    std::vector<std::size_t> selected;
    selected.reserve(wanted);
    std::vector<std::size_t> lastFront;
    for (int level = 0;; ++level) {
        if (level > highestRank) {
            throw std::invalid_argument(
                "SelectByDensity: the candidates' ranks cannot fill the places");
        }
        std::vector<std::size_t> front;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (candidates[i].rank == level) front.push_back(i);
        }
        if (selected.size() + front.size() >= wanted) {
            lastFront = std::move(front);
            break;
        }
        selected.insert(selected.end(), front.begin(), front.end());
    }

    // Crowding density of the last front; smaller is better.
    const int n = static_cast<int>(lastFront.size());
    const int diff = static_cast<int>(wanted - selected.size());
    std::vector<double> density(lastFront.size(), 0.0);
    std::vector<int> order(lastFront.size());
    for (int t = 0; t < n; ++t) order[static_cast<std::size_t>(t)] = t;
    std::vector<double> value(lastFront.size());
    for (std::size_t t = 0; t < lastFront.size(); ++t) value[t] = candidates[lastFront[t]].xbIndex;
    addObjectiveDensity(value, density);
    for (std::size_t t = 0; t < lastFront.size(); ++t) value[t] = candidates[lastFront[t]].jm;
    addObjectiveDensity(value, density);

    sortAscendingPrefix(density.data(), order.data(), n, diff);
    for (int t = 0; t < diff; ++t) {
        selected.push_back(lastFront[static_cast<std::size_t>(order[static_cast<std::size_t>(t)])]);
    }

    if (overlaps(candidates, destination)) {
        std::vector<CSolution> chosen;
        chosen.reserve(wanted);
        for (const std::size_t index : selected) chosen.push_back(candidates[index]);
        std::copy(chosen.begin(), chosen.end(), destination.begin());
        return;
    }
    for (std::size_t i = 0; i < wanted; ++i) destination[i] = candidates[selected[i]];
}

void CMemeticClustering::eval_dens() { SelectByDensity(combined, population); }

}  // namespace tavorin
