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

// A folder in the way of any result is found before the search: the run writes nothing.
TEST_F(PartialResults, FolderInTheWayOfAnyResultIsRefusedBeforeTheSearch) {
    for (const char* name : {"res_0", "res_2", "res_3.hdr", "res_7", "res_summary.json"}) {
        SCOPED_TRACE(name);
        const TempDir work;
        fs::create_directory(work.file(name));
        const CommandResult result = RunInFolder(work, FourImageRun(true));
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(MessageLines(result.err),
                  "Cannot create the file \"" + std::string(name) + "\".\n");
        EXPECT_EQ(result.err.find("QUELDRA_initialization"), std::string::npos) << result.err;
        std::vector<std::string> entries;
        for (const auto& entry : fs::directory_iterator(work.path())) {
            entries.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(entries, std::vector<std::string>{name});
    }
}

// Files limited to 10 KiB, as on a disk that fills: the 10,000-byte maps fit, the input's
// picture does not. Nothing of the run is put in place and no temporary file is left.
TEST_F(PartialResults, DiskFullDuringThePicturesKeepsTheEarlierResults) {
    const TempDir work;
    testing::WriteFileBytes(work.file("FinalPF.txt"), "earlier\r\n");
    testing::WriteFileBytes(work.file("res_0"), "earlier map");
    const CommandResult result = RunInFolder(work, FourImageRun(true), 10240);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(MessageLines(result.err),
              "Cannot write the whole file \"res_input.png\".\n"
              "No result was written; earlier results in the folder are as they were.\n");
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(work.path())) {
        entries.push_back(entry.path().filename().string());
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries,
              (std::vector<std::string>{"ComputingTime.txt", "FinalPF.txt", "ParamterOfLS.txt",
                                        "nNonDominated.txt", "res_0"}));
    EXPECT_EQ(ReadFileBytes(work.file("FinalPF.txt")), "earlier\r\n");
    EXPECT_EQ(ReadFileBytes(work.file("res_0")), "earlier map");
}

}  // namespace
}  // namespace tavorin
