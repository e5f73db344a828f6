#include "evolution/CMemeticClustering.h"

#include <cstddef>

#include "evolution/RunGlobals.h"
#include "platform/ThreadPool.h"

namespace tavorin {

CMemeticClustering::CMemeticClustering() {
    const RunGlobals& globals = runGlobals();
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

CMemeticClustering::~CMemeticClustering() = default;

platform::ThreadPool& CMemeticClustering::EvaluationPool() const {
    const int wanted = threadCount > 1 ? threadCount : 1;
    if (!evaluationPool_ || evaluationPool_->threadCount() != wanted) {
        evaluationPool_ = std::make_unique<platform::ThreadPool>(wanted);
    }
    return *evaluationPool_;
}

}  // namespace tavorin
