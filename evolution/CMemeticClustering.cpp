#include "evolution/CMemeticClustering.h"

#include <cstddef>

namespace tavorin {

CMemeticClustering::CMemeticClustering(RunState& run) : run_(run) {
    const RunGlobals& globals = run.globals;
    popSize = globals.popSize;
    iGenerations = globals.iGenerations;
    bandCount = globals.bandCount;
    clusterNumber = globals.clusterNumber;
    lineCount = globals.lineCount;
    sampleCount = globals.sampleCount;
    geneCount = clusterNumber * bandCount;
    // The image is large and never changes during a run: share it instead of copying it.
    bandData = globals.bandData;
    upperBound = globals.upperBound;
    lowerBound = globals.lowerBound;

    const std::size_t members = popSize > 0 ? static_cast<std::size_t>(popSize) : 0;
    population.resize(members);
    offspring.resize(members);
    combined.resize(2 * members);
}

}  // namespace tavorin
