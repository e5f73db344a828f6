#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/CClassificationDriver.h"
#include "driver/PixelSlices.h"
#include "driver/SliceProcess.h"
#include "tests/support/SliceChain.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

// The other processes of a split run as SliceProcess objects in this process.
class InProcessSlices : public PixelSlices {
  public:
    InProcessSlices(int processes, RunParameters parameters, RunOptions options)
        : parameters_(std::move(parameters)),
          options_(options),
          chain_(processes),
          others_(static_cast<std::size_t>(processes)) {
        for (int r = 0; r < processes; ++r) {
            links_.push_back(std::make_unique<testing::SliceChainLink>(chain_, r));
        }
        chain_.evaluateOthers = [this] {
            for (std::size_t r = 1; r < others_.size(); ++r) {
                others_[r]->Evaluate(chain_.batch, chain_.values);
            }
        };
        chain_.samplesOf = [this](int r, std::span<const long long> pixels) {
            return others_[static_cast<std::size_t>(r)]->Samples(pixels);
        };
    }
    int processCount() const override { return chain_.processes; }
    void StartReading() override {
        for (int r = 1; r < chain_.processes; ++r) {
            others_[static_cast<std::size_t>(r)] =
                std::make_unique<SliceProcess>(parameters_, options_, r, chain_.processes);
        }
    }
    std::vector<SliceSummary> GatherSummaries(const SliceSummary& own) override {
        std::vector<SliceSummary> summaries{own};
        for (std::size_t r = 1; r < others_.size(); ++r) summaries.push_back(others_[r]->Read());
        return summaries;
    }
    void Begin(std::span<const long long> searchedBefore, long long searched) override {
        chain_.places.assign(searchedBefore.begin(), searchedBefore.end());
        chain_.places.push_back(searched);
        for (std::size_t r = 1; r < others_.size(); ++r) {
            others_[r]->Begin(chain_.places, *links_[r]);
        }
    }
    std::vector<std::uint8_t> GatherSearched(std::span<const std::uint8_t> own) override {
        return gather(own, [](const SliceProcess& other) { return other.Searched(); });
    }
    void GatherLabels(const CSolution& solution, std::span<const unsigned char> own,
                      unsigned char* labels) override {
        const std::vector<unsigned char> all =
            gather(own, [&](const SliceProcess& other) { return other.Labels(solution.centres); });
        std::copy(all.begin(), all.end(), labels);
    }
    std::vector<unsigned char> GatherBand(int band, std::span<const unsigned char> own) override {
        return gather(own, [&](const SliceProcess& other) { return other.Band(band); });
    }
    SliceLink& link() override { return *links_[0]; }

  private:
    template <class Answer>
    std::vector<unsigned char> gather(std::span<const unsigned char> own, Answer answer) const {
        std::vector<unsigned char> all(own.begin(), own.end());
        for (std::size_t r = 1; r < others_.size(); ++r) {
            const std::vector<unsigned char> part = answer(*others_[r]);
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }

    RunParameters parameters_;
    RunOptions options_;
    testing::SliceChain chain_;
    std::vector<std::unique_ptr<SliceProcess>> others_;
    std::vector<std::unique_ptr<testing::SliceChainLink>> links_;
};

// small.img with zeros in every band of lines 30 to 69, as nodata.
std::string WriteHoledImage(const TempDir& folder) {
    std::string raw = ReadFileBytes(testing::DataDir() + "/small.img");
    for (std::size_t band = 0; band < 6; ++band) {
        std::fill_n(raw.begin() + static_cast<std::ptrdiff_t>(band * 10000 + 3000), 4000, '\0');
    }
    testing::WriteFileBytes(folder.file("holes.img"), raw);
    testing::WriteFileBytes(folder.file("holes.hdr"),
                            "ENVI\nsamples = 100\nlines = 100\nbands = 6\ndata type = 1\n"
                            "interleave = bsq\nbyte order = 0\ndata ignore value = 0\n");
    return folder.file("holes.img");
}

// Every file a run writes, by name, with the summary's timings left out.
std::map<std::string, std::string> RunFiles(const TempDir& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        const std::string name = entry.path().filename().string();
        if (name == "ComputingTime.txt") continue;
        std::string bytes = ReadFileBytes(entry.path().string());
        if (name.ends_with("_summary.json")) {
            std::string kept, line;
            std::istringstream lines(bytes);
            while (std::getline(lines, line)) {
                if (line.find("Seconds") == std::string::npos) kept += line + "\n";
            }
            bytes = kept;
        }
        files[name] = bytes;
    }
    return files;
}

std::map<std::string, std::string> Classify(const std::string& input, int processes) {
    TempDir folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    RunParameters parameters;
    parameters.inputPath = input;
    parameters.outputPath = "map";
    parameters.popSize = 8;
    parameters.iGenerations = 2;
    RunOptions options;
    options.seed = 5;
    options.threads = 2;
    testing::RecordingUserInterface ui;
    bool finished = false;
    if (processes == 0) {
        finished = CClassificationDriver().Run(parameters, options, ui);
    } else {
        InProcessSlices slices(processes, parameters, options);
        finished = CClassificationDriver().Run(parameters, options, ui, &slices);
    }
    std::filesystem::current_path(previous);
    EXPECT_TRUE(finished) << (ui.messages.empty() ? "" : ui.messages.front().text);
    return RunFiles(folder);
}

TEST(SlicedRun, GivesEveryFileOfTheWholeImageWhateverTheProcessCount) {
    TempDir data;
    // With 3 processes, process 1 holds lines 34 to 66: no searched pixel at all.
    for (const std::string& input : {testing::DataDir() + "/small.img", WriteHoledImage(data)}) {
        const auto whole = Classify(input, 0);
        ASSERT_GT(whole.size(), 10u);
        for (const int processes : {1, 3, 7}) {
            EXPECT_TRUE(Classify(input, processes) == whole) << input << ", " << processes;
        }
    }
}

TEST(SlicedRun, SplitsLinesEvenlyInOrder) {
    EXPECT_EQ(OwnLines(10, 0, 3).first, 0);
    EXPECT_EQ(OwnLines(10, 0, 3).count, 4);
    EXPECT_EQ(OwnLines(10, 1, 3).first, 4);
    EXPECT_EQ(OwnLines(10, 2, 3).first, 7);
    EXPECT_EQ(OwnLines(10, 2, 3).count, 3);
    // More processes than lines: the last ones hold none.
    EXPECT_EQ(OwnLines(2, 3, 4).count, 0);
    EXPECT_EQ(OwnLines(2, 3, 4).first, 2);
}

}  // namespace
}  // namespace tavorin
