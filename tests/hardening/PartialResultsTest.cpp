// A run that fails after it began writing its results tells which files exist and which are
// missing, and "FinalPF.txt" lists exactly the images that were written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/hardening/CommandRunner.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

namespace fs = std::filesystem;
using testing::CommandRequest;
using testing::CommandResult;
using testing::ReadFileBytes;
using testing::TempDir;

// On the bundled 100 x 100 sample this run's final front has four members.
std::vector<std::string> FourImageRun(bool pictures) {
    std::vector<std::string> arguments{"classify",
                                       "--input",
                                       testing::DataDir() + "/small.img",
                                       "--output",
                                       "res",
                                       "--seed",
                                       "4",
                                       "--pop-size",
                                       "8",
                                       "--generations",
                                       "2",
                                       "--clusters",
                                       "3",
                                       "--threads",
                                       "1"};
    if (!pictures) arguments.push_back("--no-pictures");
    return arguments;
}

CommandResult RunInFolder(const TempDir& work, std::vector<std::string> arguments,
                          std::optional<long long> fileSizeLimit = std::nullopt) {
    CommandRequest request;
    request.fileSizeLimitBytes = fileSizeLimit;
    request.arguments = std::move(arguments);
    request.workingDirectory = work.path();
    const CommandResult result = testing::RunTavorin(request);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0);
    EXPECT_FALSE(testing::HasSanitizerReport(result.err)) << result.err;
    return result;
}

// Standard error without the progress lines of the stages.
std::string MessageLines(const std::string& err) {
    std::istringstream lines(err);
    std::string line, message;
    while (std::getline(lines, line)) {
        if (line.rfind("QUELDRA_", 0) != 0) message += line + "\n";
    }
    return message;
}

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class PartialResults : public ::testing::Test {
  protected:
    void SetUp() override {
        const CommandResult result = RunInFolder(complete_, FourImageRun(false));
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        ASSERT_EQ(LineCount(ReadFileBytes(complete_.file("FinalPF.txt"))), 4u);
        ASSERT_FALSE(fs::exists(complete_.file("res_4")));
    }

    // The first `count` lines of the unobstructed run's list.
    std::string CompleteFrontLines(std::size_t count) const {
        const std::string list = ReadFileBytes(complete_.file("FinalPF.txt"));
        std::size_t end = 0;
        for (std::size_t i = 0; i < count; ++i) end = list.find('\n', end) + 1;
        return list.substr(0, end);
    }

    TempDir complete_;
};

TEST_F(PartialResults, FolderNamedLikeTheThirdImageStopsTheOutputAndNamesWhatExists) {
    const TempDir work;
    fs::create_directory(work.file("res_2"));
    const CommandResult result = RunInFolder(work, FourImageRun(false));

    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out.find("Finish"), std::string::npos) << result.out;
    EXPECT_EQ(MessageLines(result.err),
              "Cannot create the file \"res_2\".\n"
              "Written: \"res_0\" to \"res_1\" with their headers and \"FinalPF.txt\" (2 lines).\n"
              "Not written: \"res_2\" to \"res_3\" with their headers and \"res_summary.json\".\n");

    // The list names the two images that exist, with the values of the unobstructed run.
    EXPECT_EQ(ReadFileBytes(work.file("FinalPF.txt")), CompleteFrontLines(2));
    for (const char* name : {"res_0", "res_0.hdr", "res_1", "res_1.hdr"}) {
        EXPECT_EQ(ReadFileBytes(work.file(name)), ReadFileBytes(complete_.file(name))) << name;
    }
    EXPECT_TRUE(fs::is_directory(work.file("res_2")));
    EXPECT_TRUE(fs::is_empty(work.file("res_2")));
    for (const char* name : {"res_2.hdr", "res_3", "res_3.hdr", "res_summary.json"}) {
        EXPECT_FALSE(fs::exists(work.file(name))) << name;
    }
}

TEST_F(PartialResults, FolderNamedLikeTheFirstImageLeavesAnEmptyList) {
    const TempDir work;
    fs::create_directory(work.file("res_0"));
    const CommandResult result = RunInFolder(work, FourImageRun(false));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(MessageLines(result.err), "Cannot create the file \"res_0\".\n");
    EXPECT_EQ(ReadFileBytes(work.file("FinalPF.txt")), "");
    EXPECT_FALSE(fs::exists(work.file("res_0.hdr")));
    EXPECT_FALSE(fs::exists(work.file("res_1")));
}

TEST_F(PartialResults, FolderNamedLikeTheLastHeaderRemovesItsImageAndSkipsThePictures) {
    const TempDir work;
    fs::create_directory(work.file("res_3.hdr"));
    const CommandResult result = RunInFolder(work, FourImageRun(true));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(MessageLines(result.err),
              "Cannot create the file \"res_3.hdr\".\n"
              "Written: \"res_0\" to \"res_2\" with their headers and \"FinalPF.txt\" (3 lines).\n"
              "Not written: \"res_3\" with its header, \"res_summary.json\" and the pictures and "
              "the report page.\n");
    EXPECT_EQ(ReadFileBytes(work.file("FinalPF.txt")), CompleteFrontLines(3));
    EXPECT_FALSE(fs::exists(work.file("res_3")));
    for (const auto& entry : fs::directory_iterator(work.path())) {
        EXPECT_NE(entry.path().extension(), ".png") << entry.path();
        EXPECT_NE(entry.path().extension(), ".html") << entry.path();
    }
}

TEST_F(PartialResults, SummaryThatCannotBeWrittenKeepsTheImagesAndTheList) {
    const TempDir work;
    fs::create_directory(work.file("res_summary.json"));
    const CommandResult result = RunInFolder(work, FourImageRun(false));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(MessageLines(result.err),
              "Cannot create the file \"res_summary.json\".\n"
              "Written: \"res_0\" to \"res_3\" with their headers and \"FinalPF.txt\" (4 lines).\n"
              "Not written: \"res_summary.json\".\n");
    EXPECT_EQ(ReadFileBytes(work.file("FinalPF.txt")), CompleteFrontLines(4));
}

// Files limited to 10 KiB, as on a disk that fills: the 10,000-byte maps fit, the input's
// picture does not. The pictures of the run are removed again; maps, list and summary stay.
TEST_F(PartialResults, DiskFullDuringThePicturesKeepsTheMapsListAndSummary) {
    const TempDir work;
    const CommandResult result = RunInFolder(work, FourImageRun(true), 10240);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(MessageLines(result.err),
              "Cannot write the whole file \"res_input.png\".\n"
              "Written: \"res_0\" to \"res_3\" with their headers, \"FinalPF.txt\" (4 lines) and "
              "\"res_summary.json\".\n"
              "Not written: the pictures and the report page.\n");
    EXPECT_EQ(ReadFileBytes(work.file("FinalPF.txt")), CompleteFrontLines(4));
    EXPECT_EQ(ReadFileBytes(work.file("res_3")), ReadFileBytes(complete_.file("res_3")));
    EXPECT_TRUE(fs::exists(work.file("res_summary.json")));
    for (const char* name : {"res_0.png", "res_input.png", "res_front.svg", "res_report.html"}) {
        EXPECT_FALSE(fs::exists(work.file(name))) << name;
    }
}

}  // namespace
}  // namespace tavorin
