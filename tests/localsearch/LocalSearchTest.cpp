#include "localsearch/CLocalSearch.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "evolution/DensitySelection.h"
#include "evolution/ParetoRanking.h"
#include "evolution/SearchRandom.h"
#include "localsearch/StepSizeAdaptation.h"
#include "platform/Random.h"
#include "platform/TextFile.h"
#include "tests/localsearch/SmallRun.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;

constexpr int kLines = 4;
constexpr int kSamples = 5;
constexpr int kBands = 2;
constexpr int kPixels = kLines * kSamples;

struct Logs {
    testing::TempDir dir;
    platform::TextFile time;
    platform::TextFile param;
    Logs() {
        time.Open(dir.file("time.txt"), platform::TextFile::Mode::Truncate);
        param.Open(dir.file("param.txt"), platform::TextFile::Mode::Truncate);
    }
    std::string TimeText() {
        time.Close();
        return ReadFileBytes(dir.file("time.txt"));
    }
    std::string ParamText() {
        param.Close();
        return ReadFileBytes(dir.file("param.txt"));
    }
};

struct AdaptiveVectors {
    std::vector<double> pLS{0.25, 0.25, 0.25, 0.25};
    std::vector<int> LS_count{0, 0, 0, 0};
    std::vector<double> AS{0.0, 0.0, 0.0, 0.0};
};

bool dominatesStrictly(const CSolution& a, const CSolution& b) {
    return a.xbIndex < b.xbIndex && a.jm < b.jm;
}

void ExpectSameSolutions(const std::vector<CSolution>& actual,
                         const std::vector<CSolution>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].centres, expected[i].centres) << "member " << i;
        EXPECT_EQ(actual[i].xbIndex, expected[i].xbIndex) << "member " << i;
        EXPECT_EQ(actual[i].jm, expected[i].jm) << "member " << i;
        EXPECT_EQ(actual[i].rank, expected[i].rank) << "member " << i;
    }
}

class LocalSearchTest : public ::testing::Test {
  protected:
    void Prepare(int clusterNumber, int popSize, std::vector<double> stepSizes) {
        globals_ = testing::SmallRunGlobals(kLines, kSamples, kBands,
                                            testing::SeededImage(kPixels, kBands, 11),
                                            clusterNumber, popSize, 1, 0.5, stepSizes);
        Restart(0);
        // Member i takes its centres from pixels 3i, 3i+1, ...: all different, all evaluated.
        const std::vector<double> image = globals_.bandData->ToDoubles();
        population_.assign(static_cast<std::size_t>(popSize), CSolution{});
        for (int i = 0; i < popSize; ++i) {
            CSolution& member = population_[static_cast<std::size_t>(i)];
            for (int c = 0; c < clusterNumber; ++c) {
                const int pixel = (3 * i + 7 * c) % kPixels;
                for (int k = 0; k < kBands; ++k) {
                    member.centres.push_back(image[static_cast<std::size_t>(k * kPixels + pixel)]);
                }
            }
            run_->evaluator.Evaluate(member);
        }
    }

    // A new run on the same image: a fresh generator with `seed`, a fresh step-size window.
    void Restart(std::uint32_t seed) {
        searcher_.reset();
        run_ = std::make_unique<RunState>(globals_, seed, 1, ui_);
        searcher_ = std::make_unique<CLocalSearch>(*run_);
    }

    platform::Random15& generator() { return run_->random.generator(); }

    // What the search must produce, worked out step by step from the same generator state:
    // the draws of every searched member in order, the acceptance rule, then the merged set
    // ranked and selected by the core's ranking and selection.
    std::vector<CSolution> ReplayedSearch(std::vector<CSolution> population,
                                          const std::vector<int>& mask, AdaptiveVectors& v,
                                          SearchRandom& random) {
        const RunGlobals& g = globals_;
        StepSizeWindow window;
        const int K = g.clusterNumber;
        std::vector<CSolution> clusterSet;
        for (std::size_t i = 0; i < population.size(); ++i) {
            if (mask[i] != 1) continue;
            const CSolution member = population[i];
            const double u = random.rand01();
            double cumulative = 0.0;
            int j = 0;
            for (; j < 4; ++j) {
                cumulative += v.pLS[static_cast<std::size_t>(j)] / 1.0;
                if (u < cumulative) break;
            }
            const double sigma = g.GLS_delta[static_cast<std::size_t>(j)];
            std::vector<CSolution> neighbours;
            for (int c = 0; c < K; ++c) {
                CSolution neighbour = member;
                for (int k = 0; k < kBands; ++k) {
                    const std::size_t gene = static_cast<std::size_t>(c * kBands + k);
                    neighbour.centres[gene] = random.randNormalInRange(
                        member.centres[gene], sigma, g.lowerBound[k], g.upperBound[k]);
                }
                neighbours.push_back(neighbour);
            }
            CSolution best = member;
            for (CSolution& neighbour : neighbours) {
                run_->evaluator.Evaluate(neighbour);
                if (dominatesStrictly(neighbour, best)) {
                    best = neighbour;
                } else if (!dominatesStrictly(best, neighbour)) {
                    clusterSet.push_back(neighbour);
                }
            }
            recordReward(window, j, best, member, v.pLS, v.LS_count, v.AS);
            population[i] = best;
        }
        std::vector<CSolution> merged = population;
        merged.insert(merged.end(), clusterSet.begin(), clusterSet.end());
        RankNonDominated(merged);
        SelectByDensity(merged, population);
        return population;
    }

    testing::RecordingUserInterface ui_;
    RunGlobals globals_;
    std::unique_ptr<RunState> run_;
    std::unique_ptr<CLocalSearch> searcher_;
    std::vector<CSolution> population_;
};

TEST_F(LocalSearchTest, NoMemberMaskedOnlyReselects) {
    Prepare(3, 6, {0.01, 0.1, 1.0, 10.0});
    Logs logs;
    AdaptiveVectors v;
    std::vector<CSolution> expected = population_;
    RankNonDominated(expected);
    std::vector<CSolution> selected(expected.size());
    SelectByDensity(expected, selected);

    generator().Seed(99);
    searcher_->LocalSearch(population_, std::vector<int>(6, 0), v.pLS, v.LS_count, v.AS, logs.time,
                           logs.param);
    ExpectSameSolutions(population_, selected);
    EXPECT_EQ(logs.TimeText(), "");
    EXPECT_EQ(logs.ParamText(), "");
    EXPECT_EQ(v.pLS, AdaptiveVectors{}.pLS);
    EXPECT_EQ(v.LS_count, AdaptiveVectors{}.LS_count);
    EXPECT_EQ(searcher_->window.searchCounter, 0);
    // Nothing was drawn.
    generator().Seed(99);
    searcher_->LocalSearch(population_, std::vector<int>(6, 2), v.pLS, v.LS_count, v.AS, logs.time,
                           logs.param);
    EXPECT_EQ(generator().Next(), platform::Random15(99).Next());
}

TEST_F(LocalSearchTest, SearchMatchesTheReplayedDraws) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Prepare(3, 6, {0.05, 0.5, 2.0, 6.0});
        const std::vector<int> mask{1, 0, 1, 1, 0, static_cast<int>(seed % 2)};
        AdaptiveVectors expectedVectors;
        SearchRandom replayRandom(seed);
        const std::vector<CSolution> expected =
            ReplayedSearch(population_, mask, expectedVectors, replayRandom);
        const int nextDraw = replayRandom.generator().Next();

        Restart(seed);
        Logs logs;
        AdaptiveVectors v;
        searcher_->LocalSearch(population_, mask, v.pLS, v.LS_count, v.AS, logs.time, logs.param);
        ExpectSameSolutions(population_, expected);
        EXPECT_EQ(v.LS_count, expectedVectors.LS_count);
        EXPECT_EQ(v.AS, expectedVectors.AS);
        EXPECT_EQ(v.pLS, expectedVectors.pLS);
        EXPECT_EQ(generator().Next(), nextDraw);

        // Three lines per searched member, in member order.
        std::string pattern;
        for (std::size_t i = 0; i < mask.size(); ++i) {
            if (mask[i] != 1) continue;
            pattern += "the local search of " + std::to_string(i) +
                       "th individual\r\ncreate_clusterset_time=[0-9]+\\.[0-9]{6} seconds\r\n"
                       "update_pLS_time=[0-9]+\\.[0-9]{6} seconds\r\n";
        }
        EXPECT_TRUE(std::regex_match(logs.TimeText(), std::regex(pattern)));
        // One row per searched member; the first shows the fresh vectors.
        const std::string param = logs.ParamText();
        EXPECT_EQ(param.rfind("\r\n0\t0\t0\t0\t\t0.000000\t0.000000\t0.000000\t0.000000\t\t"
                              "0.250000\t0.250000\t0.250000\t0.250000\t",
                              0),
                  0u);
        std::size_t rows = 0;
        for (std::size_t at = param.find("\r\n"); at != std::string::npos;
             at = param.find("\r\n", at + 1)) {
            ++rows;
        }
        EXPECT_EQ(rows, 3u + seed % 2);
    }
}

TEST_F(LocalSearchTest, ZeroStepSizeCopiesTheMemberIntoTheClusterSet) {
    Prepare(3, 6, {0.0, 0.0, 0.0, 0.0});
    const CSolution searched = population_[2];
    const std::vector<CSolution> before = population_;
    std::vector<int> mask(6, 0);
    mask[2] = 1;
    Logs logs;
    AdaptiveVectors v;
    searcher_->LocalSearch(population_, mask, v.pLS, v.LS_count, v.AS, logs.time, logs.param);
    // The member's three unchanged copies join the merged set after the population.
    std::vector<CSolution> merged = before;
    for (int copy = 0; copy < 3; ++copy) merged.push_back(searched);
    RankNonDominated(merged);
    std::vector<CSolution> selected(6);
    SelectByDensity(merged, selected);
    ExpectSameSolutions(population_, selected);
    int counted = 0;
    for (int count : v.LS_count) counted += count;
    EXPECT_EQ(counted, 1);
    EXPECT_EQ(v.AS, AdaptiveVectors{}.AS);
    EXPECT_EQ(searcher_->window.searchCounter, 1);
}

TEST_F(LocalSearchTest, MovesStayInsideTheBandBounds) {
    Prepare(4, 6, {25.0, 25.0, 25.0, 25.0});
    const RunGlobals& g = globals_;
    Logs logs;
    AdaptiveVectors v;
    for (int round = 0; round < 5; ++round) {
        searcher_->LocalSearch(population_, std::vector<int>(6, 1), v.pLS, v.LS_count, v.AS,
                               logs.time, logs.param);
    }
    for (const CSolution& member : population_) {
        ASSERT_EQ(member.centres.size(), 4u * kBands);
        for (std::size_t gene = 0; gene < member.centres.size(); ++gene) {
            const std::size_t band = gene % kBands;
            EXPECT_GE(member.centres[gene], g.lowerBound[band]);
            EXPECT_LE(member.centres[gene], g.upperBound[band]);
        }
    }
}

TEST_F(LocalSearchTest, UnusableStepSizeSkipsTheMember) {
    Prepare(3, 6, {0.01, 0.1, 1.0, 10.0});
    std::vector<CSolution> before = population_;
    Logs logs;
    std::vector<double> pLS{0.0, 0.0, 0.0, 0.0, 1.0};  // always draws index 4
    std::vector<int> LS_count{0, 0, 0, 0};
    std::vector<double> AS{0.0, 0.0, 0.0, 0.0};
    std::vector<int> mask{0, 1, 0, 1, 0, 0};
    searcher_->LocalSearch(population_, mask, pLS, LS_count, AS, logs.time, logs.param);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].text, "wrong LS_num!");
    EXPECT_EQ(ui_.messages[1].text, "wrong LS_num!");
    EXPECT_EQ(LS_count, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(searcher_->window.searchCounter, 0);
    EXPECT_EQ(logs.ParamText(), "");
    EXPECT_EQ(logs.TimeText(),
              "the local search of 1th individual\r\nthe local search of 3th individual\r\n");
    // The members are only re-selected.
    RankNonDominated(before);
    std::vector<CSolution> selected(before.size());
    SelectByDensity(before, selected);
    ExpectSameSolutions(population_, selected);
}

}  // namespace
}  // namespace tavorin
