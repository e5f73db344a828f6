#include <cstddef>
#include <span>
#include <vector>

#include "evolution/DensitySelection.h"
#include "evolution/ParetoRanking.h"
#include "localsearch/CLocalSearch.h"

// The ranking and selection of the local search's merged set: the same non-dominated sorting
// and density selection as for `combined`, over the first M solutions of any set.
namespace tavorin {

void CLocalSearch::Pareto_RankSet(std::vector<CSolution>& set, int M) const {
    RankNonDominated(std::span<CSolution>(set).first(static_cast<std::size_t>(M)));
}

void CLocalSearch::eval_densSet(std::vector<CSolution>& destination,
                                const std::vector<CSolution>& set, int M) const {
    SelectByDensity(std::span<const CSolution>(set).first(static_cast<std::size_t>(M)),
                    std::span<CSolution>(destination).first(static_cast<std::size_t>(popSize)));
}

}  // namespace tavorin
