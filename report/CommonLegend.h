#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace tavorin {

// K cluster centres of one value per band.
using ClusterCentres = std::vector<std::vector<double>>;

// The assignment of n rows to n columns with the smallest sum of `cost` (row-major n x n):
// entry i is the column of row i. Costs that are not finite, and finite costs too large to add
// up, count as the largest cost that can still be added n times. Equal sums are settled the
// same way on every run. Throws std::invalid_argument when `cost` does not hold n * n values.
std::vector<std::size_t> MinimumCostAssignment(std::span<const double> cost, std::size_t n);

// The legend class (1..K) of each cluster of `centres`: clusters are matched one to one to the
// clusters of `reference` so that the sum of the squared distances between matched centres is
// smallest, and cluster i takes the number of its match. Throws std::invalid_argument when the
// two hold different numbers of clusters.
std::vector<int> LegendClasses(const ClusterCentres& centres, const ClusterCentres& reference);

// One legend for a whole front: entry j maps the labels 1..K of member j to legend classes
// (entry j[l - 1] is the class of label l), matched to the clusters of member `reference`,
// whose labels are the legend classes themselves.
std::vector<std::vector<int>> FrontLegends(std::span<const ClusterCentres> front,
                                           std::size_t reference);

}  // namespace tavorin
