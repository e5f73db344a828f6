#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/CClassificationDriver.h"
#include "driver/PixelSlices.h"
#include "driver/SliceProcess.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

// The processes of a split run inside one process: process 0 is the driver, the others are
// SliceProcess objects that work when process 0 waits for their answers. Sums pass through
// one queue a process.
struct Chain {
    int processes = 1;
    std::vector<std::deque<std::vector<double>>> inbox;  // inbox[0]: finished sums
    std::vector<std::unique_ptr<SliceProcess>> others;   // entry 0 unused
    std::vector<long long> places;
    std::vector<double> batch;
    std::size_t values = 0;
    bool batchWaiting = false;
};

class ChainLink : public SliceLink {
  public:
    ChainLink(Chain& chain, int process) : chain_(chain), process_(process) {}
    int processCount() const override { return chain_.processes; }
    int process() const override { return process_; }
    void ShareBatch(const double* const* centres, std::size_t count, std::size_t values) override {
        chain_.batch.clear();
        for (std::size_t s = 0; s < count; ++s) {
            chain_.batch.insert(chain_.batch.end(), centres[s], centres[s] + values);
        }
        chain_.values = values;
        chain_.batchWaiting = true;
    }
    void TakeSums(std::span<double> sums) override { take(process_, sums); }
    void PassSums(std::span<const double> sums) override {
        chain_.inbox[static_cast<std::size_t>((process_ + 1) % chain_.processes)].emplace_back(
            sums.begin(), sums.end());
    }
    void FinishedSums(std::span<double> sums) override {
        if (chain_.batchWaiting) {
            chain_.batchWaiting = false;
            for (int r = 1; r < chain_.processes; ++r) {
                chain_.others[static_cast<std::size_t>(r)]->Evaluate(chain_.batch, chain_.values);
            }
        }
        take(0, sums);
    }
    void GatherPixelSamples(std::span<const long long> pixels, int bands,
                            std::span<double> samples) override {
        const auto width = static_cast<std::size_t>(bands);
        for (std::size_t r = 1; r < chain_.others.size(); ++r) {
            const std::vector<double> answer = chain_.others[r]->Samples(pixels);
            std::size_t at = 0;
            for (std::size_t i = 0; i < pixels.size(); ++i) {
                if (pixels[i] < chain_.places[r] || pixels[i] >= chain_.places[r + 1]) continue;
                for (std::size_t k = 0; k < width; ++k) samples[i * width + k] = answer[at++];
            }
        }
    }

  private:
    void take(int process, std::span<double> sums) {
        auto& queue = chain_.inbox[static_cast<std::size_t>(process)];
        ASSERT_FALSE(queue.empty());
        ASSERT_EQ(queue.front().size(), sums.size());
        std::copy(queue.front().begin(), queue.front().end(), sums.begin());
        queue.pop_front();
    }
    Chain& chain_;
    int process_;
};

class InProcessSlices : public PixelSlices {
  public:
    InProcessSlices(int processes, RunParameters parameters, RunOptions options)
        : parameters_(std::move(parameters)), options_(options) {
        chain_.processes = processes;
        chain_.inbox.resize(static_cast<std::size_t>(processes));
        chain_.others.resize(static_cast<std::size_t>(processes));
        for (int r = 0; r < processes; ++r) links_.push_back(std::make_unique<ChainLink>(chain_, r));
    }
    int processCount() const override { return chain_.processes; }
    void StartReading() override {
        for (int r = 1; r < chain_.processes; ++r) {
            chain_.others[static_cast<std::size_t>(r)] =
                std::make_unique<SliceProcess>(parameters_, options_, r, chain_.processes);
        }
    }
    std::vector<SliceSummary> GatherSummaries(const SliceSummary& own) override {
        std::vector<SliceSummary> summaries{own};
        for (std::size_t r = 1; r < chain_.others.size(); ++r) {
            summaries.push_back(chain_.others[r]->Read());
        }
        return summaries;
    }
    void Begin(std::span<const long long> searchedBefore, long long searched) override {
        chain_.places.assign(searchedBefore.begin(), searchedBefore.end());
        chain_.places.push_back(searched);
        for (std::size_t r = 1; r < chain_.others.size(); ++r) {
            chain_.others[r]->Begin(chain_.places, *links_[r]);
        }
    }
    std::vector<std::uint8_t> GatherSearched(std::span<const std::uint8_t> own) override {
        std::vector<std::uint8_t> all(own.begin(), own.end());
        for (std::size_t r = 1; r < chain_.others.size(); ++r) {
            const std::vector<std::uint8_t> part = chain_.others[r]->Searched();
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }
    void GatherLabels(const CSolution& solution, std::span<const unsigned char> own,
                      unsigned char* labels) override {
        std::vector<unsigned char> all(own.begin(), own.end());
        for (std::size_t r = 1; r < chain_.others.size(); ++r) {
            const std::vector<unsigned char> part = chain_.others[r]->Labels(solution.centres);
            all.insert(all.end(), part.begin(), part.end());
        }
        std::copy(all.begin(), all.end(), labels);
    }
    std::vector<unsigned char> GatherBand(int band, std::span<const unsigned char> own) override {
        std::vector<unsigned char> all(own.begin(), own.end());
        for (std::size_t r = 1; r < chain_.others.size(); ++r) {
            const std::vector<unsigned char> part = chain_.others[r]->Band(band);
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }
    SliceLink& link() override { return *links_[0]; }

  private:
    RunParameters parameters_;
    RunOptions options_;
    Chain chain_;
    std::vector<std::unique_ptr<ChainLink>> links_;
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
