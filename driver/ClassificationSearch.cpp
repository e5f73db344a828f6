#include "driver/ClassificationSearch.h"

#include <cstddef>

#include "evolution/CMemeticClustering.h"
#include "localsearch/CLocalSearch.h"

namespace tavorin {

std::vector<CSolution> RunClassificationSearch(RunState& run, const CEnviImage& description) {
    CMemeticClustering algorithm(run);
    CLocalSearch localSearch(run);
    algorithm.Run(description, localSearch);
    return SortedFirstFront(algorithm.population);
}

std::vector<CSolution> SortedFirstFront(const std::vector<CSolution>& population) {
    std::vector<CSolution> front;
    for (const CSolution& member : population) {
        if (member.rank == 0) front.push_back(member);
    }
    for (std::size_t i = 0; i < front.size(); ++i) {
        for (std::size_t k = i + 1; k < front.size(); ++k) {
            if (front[i].jm < front[k].jm) {
                const CSolution held = front[i];
                front[i] = front[k];
                front[k] = held;
            }
        }
    }
    return front;
}

}  // namespace tavorin
