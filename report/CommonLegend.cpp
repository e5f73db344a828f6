#include "report/CommonLegend.h"

#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>

namespace tavorin {
namespace {

double SquaredDistance(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k) {
        const double difference = a[k] - b[k];
        sum += difference * difference;
    }
    return sum;
}

}  // namespace

std::vector<std::size_t> MinimumCostAssignment(std::span<const double> cost, std::size_t n) {
    if (cost.size() != n * n) throw std::invalid_argument("the cost matrix is not n x n");
    // Any n of these still add up to a finite sum, so the potentials below stay finite.
    const double ceiling = std::numeric_limits<double>::max() / static_cast<double>(n + 1);
    const auto at = [&](std::size_t row, std::size_t column) {
        const double value = cost[(row - 1) * n + (column - 1)];
        return std::isfinite(value) && value < ceiling ? value : ceiling;
    };
    // The Hungarian method with row and column potentials (rows and columns counted from 1;
    // column 0 holds the row being added): n shortest augmenting paths, O(n^3).
    std::vector<double> rowPotential(n + 1, 0.0), columnPotential(n + 1, 0.0);
    std::vector<std::size_t> rowOfColumn(n + 1, 0), previousColumn(n + 1, 0);
    for (std::size_t row = 1; row <= n; ++row) {
        rowOfColumn[0] = row;
        std::size_t column = 0;
        std::vector<double> slack(n + 1, std::numeric_limits<double>::infinity());
        std::vector<bool> used(n + 1, false);
        do {
            used[column] = true;
            const std::size_t current = rowOfColumn[column];
            double delta = std::numeric_limits<double>::infinity();
            std::size_t next = 0;
            for (std::size_t c = 1; c <= n; ++c) {
                if (used[c]) continue;
                const double reduced = at(current, c) - rowPotential[current] - columnPotential[c];
                if (reduced < slack[c]) {
                    slack[c] = reduced;
                    previousColumn[c] = column;
                }
                if (slack[c] < delta) {
                    delta = slack[c];
                    next = c;
                }
            }
            for (std::size_t c = 0; c <= n; ++c) {
                if (used[c]) {
                    rowPotential[rowOfColumn[c]] += delta;
                    columnPotential[c] -= delta;
                } else {
                    slack[c] -= delta;
                }
            }
            column = next;
        } while (rowOfColumn[column] != 0);
        do {
            const std::size_t previous = previousColumn[column];
            rowOfColumn[column] = rowOfColumn[previous];
            column = previous;
        } while (column != 0);
    }
    std::vector<std::size_t> columnOfRow(n, 0);
    for (std::size_t c = 1; c <= n; ++c) columnOfRow[rowOfColumn[c] - 1] = c - 1;
    return columnOfRow;
}

std::vector<int> LegendClasses(const ClusterCentres& centres, const ClusterCentres& reference) {
    const std::size_t k = centres.size();
    if (reference.size() != k) {
        throw std::invalid_argument("a legend needs the same number of clusters in both maps");
    }
    std::vector<double> cost(k * k);
    for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t r = 0; r < k; ++r)
            cost[i * k + r] = SquaredDistance(centres[i], reference[r]);
    }
    std::vector<int> classes;
    for (std::size_t match : MinimumCostAssignment(cost, k)) {
        classes.push_back(static_cast<int>(match) + 1);
    }
    return classes;
}

std::vector<std::vector<int>> FrontLegends(std::span<const ClusterCentres> front,
                                           std::size_t reference) {
    std::vector<std::vector<int>> legends;
    for (std::size_t j = 0; j < front.size(); ++j) {
        if (j == reference) {
            // Its own labels, even where two of its centres coincide.
            std::vector<int> identity(front[j].size());
            std::iota(identity.begin(), identity.end(), 1);
            legends.push_back(std::move(identity));
        } else {
            legends.push_back(LegendClasses(front[j], front[reference]));
        }
    }
    return legends;
}

}  // namespace tavorin
