#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "evolution/SearchRandom.h"
#include "image/CEnviImage.h"
#include "localsearch/StepSizeAdaptation.h"
#include "platform/Random.h"
#include "tests/localsearch/SmallRun.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;

constexpr int kLines = 4;
constexpr int kSamples = 5;
constexpr int kBands = 2;
constexpr int kPixels = kLines * kSamples;

const char* const kNonDominatedHeader =
    "The number of non-dominated solution in PF for each generation\r\n";
const char* const kParamHeader =
    "the parameters in Local search including LS_count, AS, pLS\r\n"
    "LS_count(1-4)\t\t\t\t\t\t\tAS(1-4)\t\t\t\t\t\tpLS(1-4\r\n";
const std::string kSeconds = "[0-9]+\\.[0-9]{6} seconds\r\n";
const std::string kMinutes = "[0-9]+\\.[0-9]{6} minutes\r\n";

// The lines of generation g in "ComputingTime.txt"; `searched` is a pattern for the members
// searched in it.
std::string GenerationPattern(int g, const std::string& searched) {
    return "\r\n\r\ncurrent generation=" + std::to_string(g) + "\r\nDE_MuCr_time=" + kSeconds +
           "Pareto_Rank_time=" + kSeconds + "eval_dens_time=" + kSeconds + searched +
           "LS_time=" + kMinutes;
}

std::string SearchedMemberPattern(const std::string& index) {
    return "the local search of " + index + "th individual\r\ncreate_clusterset_time=" + kSeconds +
           "update_pLS_time=" + kSeconds;
}

std::vector<std::string> Percents(const std::vector<platform::ProgressState>& updates,
                                  const std::string& stage) {
    std::vector<std::string> percents;
    for (const platform::ProgressState& state : updates) {
        if (state.stageText == stage) percents.push_back(state.percentText);
    }
    return percents;
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class GenerationalLoopTest : public ::testing::Test {
  protected:
    static constexpr std::uint32_t kSeed = 20240601;

    void Prepare(int popSize, int iGenerations, double FLS) {
        image_ = testing::SeededImage(kPixels, kBands, 5);
        globals_ = testing::SmallRunGlobals(kLines, kSamples, kBands, image_, 3, popSize,
                                            iGenerations, FLS, {0.01, 0.1, 1.0, 10.0});
    }

    std::unique_ptr<testing::SearchRun> NewRun(int threadCount = 1) {
        return std::make_unique<testing::SearchRun>(globals_, kSeed, threadCount, ui_);
    }

    RunGlobals globals_;

    testing::TempDir dir_{true};
    testing::RecordingUserInterface ui_;
    std::vector<double> image_;
};

TEST_F(GenerationalLoopTest, InitialisationDrawsPixelsEvaluatesRanksAndSteps) {
    Prepare(6, 0, 0.5);
    // The pixels the initialisation must draw: one randInt(0, N) per centre.
    SearchRandom random(kSeed);
    std::vector<std::vector<double>> drawn;
    for (int i = 0; i < 6; ++i) {
        std::vector<double> centres;
        for (int c = 0; c < 3; ++c) {
            const int p = random.randInt(0, kPixels);
            for (int k = 0; k < kBands; ++k) {
                centres.push_back(image_[static_cast<std::size_t>(k * kPixels + p)]);
            }
        }
        drawn.push_back(centres);
    }
    const int nextDraw = random.generator().Next();

    auto run = NewRun();
    CMemeticClustering& algorithm = run->algorithm;
    algorithm.Initialization(CEnviImage{});
    EXPECT_EQ(run->generator().Next(), nextDraw);

    EXPECT_EQ(ui_.openedStages, std::vector<std::string>{"QUELDRA_initialization"});
    // Range 0..7 stepped 8 times: the last step starts the bar over.
    EXPECT_EQ(
        Percents(ui_.progressUpdates, "QUELDRA_initialization"),
        (std::vector<std::string>{"", "14%", "28%", "42%", "57%", "71%", "85%", "100%", "14%"}));
    EXPECT_EQ(algorithm.population[0].rank, 0);
    for (const CSolution& member : algorithm.population) {
        bool found = false;
        for (const std::vector<double>& centres : drawn) found = found || centres == member.centres;
        EXPECT_TRUE(found);
        CSolution check = member;
        algorithm.Evaluate(check);
        EXPECT_EQ(check.xbIndex, member.xbIndex);
        EXPECT_EQ(check.jm, member.jm);
        EXPECT_EQ(member.F, 0.5);
        EXPECT_EQ(member.CR, 0.9);
        EXPECT_GE(member.rank, 0);
    }
}

TEST_F(GenerationalLoopTest, DrawOfThePixelCountTakesTheLastPixel) {
    Prepare(6, 0, 0.5);
    // A seed whose first draw is 32767, the one value for which randInt(0, N) gives N.
    std::uint32_t seed = 0;
    while (platform::Random15(seed).Next() != 32767) ++seed;
    auto run = NewRun();
    CMemeticClustering& algorithm = run->algorithm;
    run->generator().Seed(seed);
    algorithm.initRandomPopulation();
    const std::vector<double>& first = algorithm.population[0].centres;
    ASSERT_EQ(first.size(), 3u * kBands);
    EXPECT_EQ(first[0], image_[kPixels - 1]);
    EXPECT_EQ(first[1], image_[2 * kPixels - 1]);
    // Still one generator call per centre: the 19th draw is the next one.
    platform::Random15 expected(seed);
    for (int call = 0; call < 18; ++call) expected.Next();
    run->generator().Seed(seed);
    algorithm.population.assign(6, CSolution{});
    algorithm.initRandomPopulation();
    EXPECT_EQ(run->generator().Next(), expected.Next());
}

TEST_F(GenerationalLoopTest, NoGenerationWritesOnlyHeadersAndTheTotal) {
    Prepare(6, 0, 0.5);
    auto run = NewRun();
    const CMemeticClustering& algorithm = run->algorithm;
    run->Run();
    EXPECT_EQ(ReadFileBytes("nNonDominated.txt"), kNonDominatedHeader);
    EXPECT_TRUE(std::regex_match(ReadFileBytes("ComputingTime.txt"), std::regex(kMinutes)));
    EXPECT_EQ(ReadFileBytes("ParamterOfLS.txt"), kParamHeader);
    EXPECT_EQ(ui_.openedStages,
              (std::vector<std::string>{"QUELDRA_initialization", "QUELDRA_GlobalandLocal"}));
    EXPECT_EQ(Percents(ui_.progressUpdates, "QUELDRA_GlobalandLocal"),
              std::vector<std::string>{""});
    EXPECT_EQ(algorithm.population[0].rank, 0);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GenerationalLoopTest, OneGenerationCountsTheInitialFrontAndStepsTwice) {
    Prepare(6, 1, 0.5);
    auto run = NewRun();
    CMemeticClustering& algorithm = run->algorithm;
    algorithm.Initialization(CEnviImage{});
    int initialFront = 0;
    for (const CSolution& member : algorithm.population) initialFront += member.rank == 0;
    algorithm.GlobalandLocal(run->localSearch);

    EXPECT_EQ(ReadFileBytes("nNonDominated.txt"),
              kNonDominatedHeader + std::to_string(initialFront) + "\r\n");
    EXPECT_EQ(Percents(ui_.progressUpdates, "QUELDRA_GlobalandLocal"),
              (std::vector<std::string>{"", "33%", "66%"}));
    std::string anyMembers = SearchedMemberPattern("[0-5]");
    anyMembers.insert(0, 1, '(');
    anyMembers.append(")*");
    const std::string pattern = GenerationPattern(0, anyMembers) + kMinutes;
    EXPECT_TRUE(std::regex_match(ReadFileBytes("ComputingTime.txt"), std::regex(pattern)));
    EXPECT_EQ(algorithm.population[0].rank, 0);
}

TEST_F(GenerationalLoopTest, HalfwayGenerationStepsTwice) {
    Prepare(6, 4, 0.5);
    auto run = NewRun();
    run->Run();
    EXPECT_EQ(Percents(ui_.progressUpdates, "QUELDRA_GlobalandLocal"),
              (std::vector<std::string>{"", "16%", "33%", "50%", "66%", "83%"}));
    const std::string counts = ReadFileBytes("nNonDominated.txt");
    EXPECT_TRUE(
        std::regex_match(counts, std::regex(std::string(kNonDominatedHeader) + "([1-6]\r\n){4}")));
}

TEST_F(GenerationalLoopTest, FrequencyZeroSearchesNobody) {
    Prepare(6, 2, 0.0);
    auto run = NewRun();
    run->Run();
    EXPECT_TRUE(std::regex_match(
        ReadFileBytes("ComputingTime.txt"),
        std::regex(GenerationPattern(0, "") + GenerationPattern(1, "") + kMinutes)));
    EXPECT_EQ(ReadFileBytes("ParamterOfLS.txt"), kParamHeader);
    EXPECT_EQ(run->localSearch.window.searchCounter, 0);
}

TEST_F(GenerationalLoopTest, FrequencyOneSearchesEveryMemberInOrder) {
    Prepare(6, 2, 1.0);
    auto run = NewRun();
    run->Run();
    std::string everyone;
    for (int i = 0; i < 6; ++i) everyone += SearchedMemberPattern(std::to_string(i));
    EXPECT_TRUE(std::regex_match(
        ReadFileBytes("ComputingTime.txt"),
        std::regex(GenerationPattern(0, everyone) + GenerationPattern(1, everyone) + kMinutes)));
    const std::string params = ReadFileBytes("ParamterOfLS.txt");
    ASSERT_EQ(params.rfind(kParamHeader, 0), 0u);
    const std::string row =
        "\r\n([0-9]+\t){4}\t(-?[0-9]+\\.[0-9]{6}\t|nan\t){4}\t(-?[0-9]+\\.[0-9]{6}\t|-?nan\t){4}";
    EXPECT_TRUE(std::regex_match(params.substr(std::string(kParamHeader).size()),
                                 std::regex("(" + row + "){12}")));
    EXPECT_EQ(run->localSearch.window.searchCounter, 12);
    // The last row has no line end.
    EXPECT_EQ(params.back(), '\t');
}

TEST_F(GenerationalLoopTest, SecondRunReplacesTheCountsAndAppendsTheOtherLogs) {
    Prepare(6, 2, 0.5);
    NewRun()->Run();
    globals_.iGenerations = 1;
    NewRun()->Run();
    EXPECT_TRUE(std::regex_match(ReadFileBytes("nNonDominated.txt"),
                                 std::regex(std::string(kNonDominatedHeader) + "[1-6]\r\n")));
    const std::string times = ReadFileBytes("ComputingTime.txt");
    EXPECT_EQ(CountOf(times, "current generation=0"), 2u);
    EXPECT_EQ(CountOf(times, "current generation=1"), 1u);
    EXPECT_EQ(CountOf(ReadFileBytes("ParamterOfLS.txt"), "LS_count(1-4)"), 2u);
}

TEST_F(GenerationalLoopTest, LogThatCannotBeOpenedIsReportedAndTheSearchGoesOn) {
    Prepare(6, 1, 1.0);
    std::filesystem::create_directory("ComputingTime.txt");
    auto run = NewRun();
    const CMemeticClustering& algorithm = run->algorithm;
    run->Run();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text,
              "Cannot open the run log \"ComputingTime.txt\"; the search goes on without it.");
    EXPECT_TRUE(std::regex_match(ReadFileBytes("nNonDominated.txt"),
                                 std::regex(std::string(kNonDominatedHeader) + "[1-6]\r\n")));
    EXPECT_EQ(CountOf(ReadFileBytes("ParamterOfLS.txt"), "\r\n"), 2u + 6u);
    EXPECT_EQ(algorithm.population[0].rank, 0);
}

// A FIFO planted as a log would block a plain open until someone reads it.
TEST_F(GenerationalLoopTest, LogThatIsNotARegularFileIsSkippedWithoutBlocking) {
    Prepare(6, 1, 0.5);
    ASSERT_EQ(::mkfifo("nNonDominated.txt", 0600), 0);
    NewRun()->Run();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text,
              "Cannot open the run log \"nNonDominated.txt\"; the search goes on without it.");
    EXPECT_EQ(std::filesystem::status("nNonDominated.txt").type(),
              std::filesystem::file_type::fifo);
}

TEST_F(GenerationalLoopTest, SameSeedSameFinalPopulation) {
    std::vector<CSolution> results[2];
    for (auto& result : results) {
        Prepare(6, 3, 0.5);
        auto run = NewRun(&result == &results[0] ? 1 : 2);
        run->Run();
        result = run->algorithm.population;
    }
    ASSERT_EQ(results[0].size(), results[1].size());
    for (std::size_t i = 0; i < results[0].size(); ++i) {
        EXPECT_EQ(results[0][i].centres, results[1][i].centres);
        EXPECT_EQ(results[0][i].jm, results[1][i].jm);
        EXPECT_EQ(results[0][i].xbIndex, results[1][i].xbIndex);
    }
}

}  // namespace
}  // namespace tavorin
