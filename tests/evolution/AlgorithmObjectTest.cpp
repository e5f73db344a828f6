#include "evolution/CMemeticClustering.h"

#include <gtest/gtest.h>

#include <vector>

#include "evolution/RunGlobals.h"
#include "tests/evolution/AlgorithmSetup.h"

namespace tavorin {
namespace {

TEST(AlgorithmObjectTest, ConstructionCopiesRunGlobalsAndSharesTheImage) {
    // 2 lines x 3 samples x 2 bands.
    RunGlobals globals =
        testing::MakeRunGlobals(3, 6, 2, 3, 2, {1, 2, 3, 4, 5, 6, 60, 50, 40, 30, 20, 10});
    globals.iGenerations = 9;
    testing::AlgorithmRun run(globals);
    CMemeticClustering& algorithm = run.algorithm;
    EXPECT_EQ(run.state.evaluator.fuzzifier, 2.0);
    EXPECT_EQ(algorithm.popSize, 6);
    EXPECT_EQ(algorithm.iGenerations, 9);
    EXPECT_EQ(algorithm.clusterNumber, 3);
    EXPECT_EQ(algorithm.bandCount, 2);
    EXPECT_EQ(algorithm.lineCount, 2);
    EXPECT_EQ(algorithm.sampleCount, 3);
    EXPECT_EQ(algorithm.geneCount, 6);
    EXPECT_EQ(algorithm.pixelCount(), 6);
    EXPECT_EQ(algorithm.population.size(), 6u);
    EXPECT_EQ(algorithm.offspring.size(), 6u);
    EXPECT_EQ(algorithm.combined.size(), 12u);
    EXPECT_EQ(algorithm.bandData.get(), globals.bandData.get());  // held once
    EXPECT_EQ(run.state.evaluator.image().bandData.get(), globals.bandData.get());
    EXPECT_EQ(algorithm.lowerBound, (std::vector<double>{1, 10, 1, 10, 1, 10, 1, 10}));
    EXPECT_EQ(algorithm.upperBound, (std::vector<double>{6, 60, 6, 60, 6, 60, 6, 60}));
    const CSolution& fresh = algorithm.population[0];
    EXPECT_TRUE(fresh.centres.empty());
    EXPECT_EQ(fresh.F, 0.5);
    EXPECT_EQ(fresh.CR, 0.9);
    EXPECT_EQ(fresh.rank, -1);
    EXPECT_EQ(fresh.dominatesCount, 0);
}

CSolution sample() {
    CSolution s;
    s.centres = {1.5, -2.25, 3.0, 1e300};
    s.xbIndex = 0.125;
    s.jm = 1234.5;
    s.F = 0.3;
    s.CR = 0.7;
    s.rank = 4;
    s.dominatesCount = 9;
    return s;
}

void expectSameFields(const CSolution& a, const CSolution& b) {
    EXPECT_EQ(a.centres, b.centres);
    EXPECT_EQ(a.xbIndex, b.xbIndex);
    EXPECT_EQ(a.jm, b.jm);
    EXPECT_EQ(a.F, b.F);
    EXPECT_EQ(a.CR, b.CR);
    EXPECT_EQ(a.rank, b.rank);
    EXPECT_EQ(a.dominatesCount, b.dominatesCount);
}

TEST(CopySolutionTest, CopiesEveryFieldIndependently) {
    const CSolution source = sample();
    CSolution destination;
    destination.centres = {9, 9, 9, 9, 9, 9, 9, 9};
    CopySolution(destination, source);
    expectSameFields(destination, source);
    destination.centres[0] = 77.0;
    EXPECT_EQ(source.centres[0], 1.5);

    CSolution self = sample();
    CopySolution(self, self);
    expectSameFields(self, sample());

    CSolution empty;
    empty.rank = 2;
    CopySolution(destination, empty);
    EXPECT_TRUE(destination.centres.empty());
    EXPECT_EQ(destination.rank, 2);
    EXPECT_EQ(destination.xbIndex, 0.0);
}

TEST(CopySolutionTest, SlotsStayIndependent) {
    testing::AlgorithmRun run(testing::MakeRunGlobals(2, 6, 1, 2, 1, {0.0, 1.0}));
    CMemeticClustering& algorithm = run.algorithm;
    algorithm.population[0] = sample();
    CopySolution(algorithm.combined[3], algorithm.population[0]);
    CopySolution(algorithm.offspring[1], algorithm.combined[3]);
    algorithm.offspring[1].centres[1] = 0.0;
    algorithm.combined[3].centres[2] = 0.0;
    expectSameFields(algorithm.population[0], sample());
    EXPECT_EQ(algorithm.combined[3].centres[1], -2.25);
    EXPECT_EQ(algorithm.combined.size(), 12u);
}

}  // namespace
}  // namespace tavorin
