#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "platform/Random.h"
#include "tests/evolution/AlgorithmSetup.h"

namespace tavorin {
namespace {

// K = 2 centres in 3 bands; the bands span [0, 100], so the test centres need no repair.
RunGlobals wideImage() {
    return testing::MakeRunGlobals(2, 6, 1, 4, 3, {0, 100, 50, 25, 0, 100, 50, 25, 100, 0, 1, 2});
}

// Member m has gene g = 10 + 5m + g.
void fillPopulation(CMemeticClustering& algorithm) {
    for (int m = 0; m < 6; ++m) {
        CSolution& s = algorithm.population[static_cast<std::size_t>(m)];
        s.centres.clear();
        for (int g = 0; g < 6; ++g) s.centres.push_back(10.0 + 5.0 * m + g);
        s.xbIndex = m;
        s.jm = 100.0 - m;
        s.rank = 3;
    }
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(MakeTrialTest, CrossoverRateZeroChangesOnlyTheForcedGene) {
    testing::AlgorithmRun run(wideImage());
    CMemeticClustering& algorithm = run.algorithm;
    fillPopulation(algorithm);
    CSolution parent = algorithm.population[2];
    parent.CR = 0.0;
    // Seed 1: partners 2, 0, 5, 4, 1, 3 (r1 = 0, r2 = 5, r3 = 4); jrand = trunc(11478/32768 * 6)
    // = 2; neither redraw fires (29358, 26962); six gene draws.
    run.generator().Seed(1);
    CSolution trial;
    algorithm.makeTrial(parent, 2, trial);
    // (37 - 32) * 0.5 + 12
    EXPECT_EQ(trial.centres, (std::vector<double>{20, 21, 14.5, 23, 24, 25}));
    EXPECT_EQ(trial.F, 0.5);
    EXPECT_EQ(trial.CR, 0.0);
    EXPECT_EQ(trial.xbIndex, 2.0);  // still the parent's until evaluated
    EXPECT_EQ(trial.rank, 3);
    EXPECT_EQ(run.generator().Next(), 491);  // 6 + 1 + 2 + 6 draws, no repair
}

TEST(MakeTrialTest, RedrawnFactorAndRateApplyToTheSameTrial) {
    testing::AlgorithmRun run(wideImage());
    CMemeticClustering& algorithm = run.algorithm;
    fillPopulation(algorithm);
    // Seed 10: partners 2, 0, 5, 4, 3, 1; jrand = 1; both redraws fire (3012, 1899 < 3276.8):
    // F = 11726/32768 * 0.9 + 0.1, CR = 4374/32768; only gene 2's draw (1904) is below CR.
    run.generator().Seed(10);
    CSolution trial;
    algorithm.makeTrial(algorithm.population[2], 2, trial);
    EXPECT_EQ(trial.F, 0.422064208984375);
    EXPECT_EQ(trial.CR, 0.13348388671875);
    EXPECT_EQ(trial.centres,
              (std::vector<double>{20, 13.110321044921875, 14.110321044921875, 23, 24, 25}));
    EXPECT_EQ(run.generator().Next(), 13929);
    EXPECT_EQ(algorithm.population[2].centres[1], 21.0);  // the parent slot is untouched
}

TEST(MakeTrialTest, FullCrossoverRepairsGenesOutsideTheBounds) {
    testing::AlgorithmRun run(wideImage());
    CMemeticClustering& algorithm = run.algorithm;
    fillPopulation(algorithm);
    CSolution parent = algorithm.population[2];
    parent.CR = 1.0;
    parent.F = 30.0;  // (r2 - r3) * 30 = +150 pushes every gene above its upper bound
    run.generator().Seed(1);
    CSolution trial;
    algorithm.makeTrial(parent, 2, trial);
    // Every gene is redrawn downward from its upper bound by the next six draws (491, 2995,
    // 11942, 4827, 5436, and one more).
    for (std::size_t g = 0; g < trial.centres.size(); ++g) {
        EXPECT_GE(trial.centres[g], algorithm.lowerBound[g]);
        EXPECT_LE(trial.centres[g], algorithm.upperBound[g]);
    }
    EXPECT_EQ(trial.centres[0], 100.0 - 491.0 / 32768 * 100.0);
    EXPECT_EQ(trial.centres[1], 100.0 - 2995.0 / 32768 * 100.0);
    EXPECT_EQ(trial.centres[2], 100.0 - 11942.0 / 32768 * 100.0);
}

TEST(RepairBoundsTest, RedrawsFromTheViolatedBoundAndPinsConstantBands) {
    // Bands: [10, 20], constant 7, [0, 20].
    testing::AlgorithmRun run(testing::MakeRunGlobals(2, 6, 1, 2, 3, {10, 20, 7, 7, 0, 20}));
    CMemeticClustering& algorithm = run.algorithm;
    CSolution s;
    s.centres = {5, 9, 15, 25, 7, 30};
    run.generator().Seed(1);
    algorithm.repairBounds(s);
    EXPECT_EQ(s.centres[0], 10.01251220703125);  // 10 + 41/32768 * 10
    EXPECT_EQ(s.centres[1], 7.0);                // 7 - (18467/32768) * 0
    EXPECT_EQ(s.centres[2], 15.0);               // inside: no draw
    EXPECT_EQ(s.centres[3], 18.0670166015625);   // 20 - 6334/32768 * 10
    EXPECT_EQ(s.centres[4], 7.0);                // on the bound: inside
    EXPECT_EQ(s.centres[5], 3.82568359375);      // 20 - 26500/32768 * 20
    EXPECT_EQ(run.generator().Next(), 19169);

    CSolution below;
    below.centres = {10, 6, 0, 20, -1e300, 20};
    algorithm.repairBounds(below);
    EXPECT_EQ(below.centres[1], 7.0);
    EXPECT_EQ(below.centres[4], 7.0);
    EXPECT_EQ(below.centres[0], 10.0);
    EXPECT_EQ(below.centres[5], 20.0);
}

// A population from the small sample image: centres on pixels p = 37 m + 101 j.
void fillPopulationFromImage(CMemeticClustering& algorithm) {
    const std::vector<double> data = algorithm.bandData->ToDoubles();
    const auto pixels = static_cast<std::size_t>(algorithm.pixelCount());
    for (int m = 0; m < algorithm.popSize; ++m) {
        CSolution& s = algorithm.population[static_cast<std::size_t>(m)];
        s.centres.clear();
        for (int j = 0; j < algorithm.clusterNumber; ++j) {
            const auto pixel = static_cast<std::size_t>(37 * m + 1013 * j) % pixels;
            for (int k = 0; k < algorithm.bandCount; ++k) {
                s.centres.push_back(data[static_cast<std::size_t>(k) * pixels + pixel]);
            }
        }
        algorithm.Evaluate(s);
    }
}

TEST(DeMuCrTest, TrialsAreThoseOfMakeTrialThenEvaluateAndCombinedIsLaidOut) {
    testing::SampleImage image = testing::LoadSampleImage("small", 100, 100, 6);
    testing::AlgorithmRun run(testing::MakeRunGlobals(3, 8, image.lines, image.samples, image.bands,
                                                      std::move(image.bandData)));
    CMemeticClustering& algorithm = run.algorithm;
    fillPopulationFromImage(algorithm);

    run.generator().Seed(2024);
    std::vector<CSolution> expected(8);
    for (int i = 0; i < 8; ++i) {
        algorithm.makeTrial(algorithm.population[static_cast<std::size_t>(i)], i,
                            expected[static_cast<std::size_t>(i)]);
        algorithm.Evaluate(expected[static_cast<std::size_t>(i)]);
    }
    const int nextDraw = run.generator().Next();

    for (const int threads : {1, 2}) {
        run.state.evaluator.SetThreadCount(threads);
        run.generator().Seed(2024);
        algorithm.DE_MuCr();
        EXPECT_EQ(run.generator().Next(), nextDraw);
        for (std::size_t i = 0; i < 8; ++i) {
            const CSolution& trial = algorithm.offspring[i];
            EXPECT_EQ(trial.centres, expected[i].centres);
            EXPECT_TRUE(sameBits(trial.xbIndex, expected[i].xbIndex)) << i;
            EXPECT_TRUE(sameBits(trial.jm, expected[i].jm)) << i;
            EXPECT_EQ(trial.F, expected[i].F);
            EXPECT_EQ(trial.CR, expected[i].CR);
            EXPECT_EQ(algorithm.combined[i].centres, algorithm.population[i].centres);
            EXPECT_EQ(algorithm.combined[i].jm, algorithm.population[i].jm);
            EXPECT_EQ(algorithm.combined[8 + i].centres, trial.centres);
            EXPECT_EQ(algorithm.combined[8 + i].jm, trial.jm);
            for (std::size_t g = 0; g < trial.centres.size(); ++g) {
                EXPECT_GE(trial.centres[g], algorithm.lowerBound[g]);
                EXPECT_LE(trial.centres[g], algorithm.upperBound[g]);
            }
        }
    }
}

}  // namespace
}  // namespace tavorin
