// Runs the `tavorin` executable as a user would and checks its exit status and output.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

struct Outcome {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

// Runs `tavorin <arguments>` inside `dir`.
Outcome RunTavorin(const TempDir& dir, const std::string& arguments) {
    const std::string command = "cd '" + dir.path().string() +
                                "' && '" TAVORIN_EXECUTABLE_PATH "' " + arguments +
                                " >stdout.txt 2>stderr.txt";
    const int status = std::system(command.c_str());
    Outcome outcome;
    if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    outcome.out = ReadFileBytes(dir.file("stdout.txt"));
    outcome.err = ReadFileBytes(dir.file("stderr.txt"));
    std::filesystem::remove(dir.file("stdout.txt"));
    std::filesystem::remove(dir.file("stderr.txt"));
    return outcome;
}

Outcome RunClassify(const TempDir& dir, const std::string& arguments) {
    return RunTavorin(dir, "classify " + arguments);
}

std::size_t FileCount(const TempDir& dir) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++count;
    }
    return count;
}

TEST(ClassifyCommand, MissingHeaderIsReportedAndNothingWritten) {
    TempDir dir;
    WriteFileBytes(dir.file("scene.img"), std::string(600, '\1'));
    const Outcome outcome = RunClassify(dir, "--input scene.img --output res --seed 7");
    EXPECT_NE(outcome.exitStatus, 0);
    EXPECT_NE(outcome.exitStatus, -1);
    EXPECT_EQ(outcome.out, "Seed: 7\n");
    EXPECT_NE(outcome.err.find("Please generate the file header using ENVI！"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(FileCount(dir), 1u);
}

TEST(ClassifyCommand, BadOptionExitsWithUsageStatus) {
    TempDir dir;
    Outcome outcome = RunClassify(dir, "--input scene.img --clusters 40");
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.err,
              "tavorin classify: --clusters must be an integer from 2 to 19, not 40.\n");
    EXPECT_EQ(outcome.out, "");

    outcome = RunClassify(dir, "--clusters 4");
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.err,
              "tavorin classify: --input PATH is required: the image file to classify.\n");
    EXPECT_EQ(FileCount(dir), 0u);
}

TEST(ClassifyCommand, HelpExitsWithSuccess) {
    TempDir dir;
    const Outcome outcome = RunClassify(dir, "--help");
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_NE(outcome.out.find("--gls-delta"), std::string::npos);
}

TEST(TavorinCommand, VersionIsTheProjectVersion) {
    TempDir dir;
    const Outcome outcome = RunTavorin(dir, "--version");
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.out, "tavorin " TAVORIN_VERSION "\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_NE(RunTavorin(dir, "--help").out.find("tavorin --version\n"), std::string::npos);
}

TEST(ClassifyCommand, RefusedImageWritesNothing) {
    TempDir dir;
    WriteFileBytes(dir.file("flat.hdr"),
                   "ENVI\nsamples = 2\nlines = 2\nbands = 1\ndata type = 1\n");
    WriteFileBytes(dir.file("flat.img"), std::string(4, '\5'));
    const Outcome outcome = RunClassify(dir, "--input flat.img --output res --seed 3");
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_EQ(outcome.out,
              "Seed: 3\nImage: flat.img: 2 samples x 2 lines x 1 bands, data type 1\n");
    EXPECT_NE(outcome.err.find("nothing to classify"), std::string::npos) << outcome.err;
    EXPECT_EQ(FileCount(dir), 2u);
}

TEST(ClassifyCommand, ReportsTheGeometryAndFinishes) {
    TempDir dir;
    const Outcome outcome = RunClassify(
        dir, "--input '" + testing::DataDir() +
                 "/small.img' --output res --seed 5 --pop-size 6 --generations 0 --no-pictures");
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "Seed: 5\nImage: " + testing::DataDir() +
                               "/small.img: 100 samples x 100 lines x 6 bands, data type 1\n"
                               "Recommended: res_2 (knee of the front)\n"
                               "Finish\n");
    EXPECT_FALSE(ReadFileBytes(dir.file("FinalPF.txt")).empty());
    EXPECT_FALSE(ReadFileBytes(dir.file("res_0.hdr")).empty());
}

std::string SmallRun(const std::string& options) {
    return "--input '" + testing::DataDir() + "/small.img' --output res --seed 5 --pop-size 6 " +
           "--generations 4 --no-pictures " + options;
}

TEST(ClassifyCommand, ProgressInALogComesOncePerTenthAndEndsAtOneHundred) {
    TempDir dir;
    const Outcome outcome = RunClassify(dir, SmallRun(""));
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    // Stage -> its percentages, in the order written.
    std::map<std::string, std::vector<int>> stages;
    std::istringstream lines(outcome.err);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        ASSERT_NE(line.find("% "), std::string::npos) << line;
        ASSERT_NE(line.find(" elapsed"), std::string::npos) << line;
        stages[line.substr(0, space)].push_back(std::stoi(line.substr(space)));
    }
    // 7 steps over 0 to 7 (the eighth starts the bar over); 5 steps over 0 to 6, then the end.
    EXPECT_EQ(stages["QUELDRA_initialization"], (std::vector<int>{14, 28, 42, 57, 71, 85, 100}));
    EXPECT_EQ(stages["QUELDRA_GlobalandLocal"], (std::vector<int>{16, 33, 50, 66, 83, 100}));
    const std::vector<int>& output = stages["QUELDRA_output"];
    ASSERT_FALSE(output.empty());
    EXPECT_LE(output.size(), 11u);
    EXPECT_EQ(output.back(), 100);
    EXPECT_EQ(stages.size(), 3u) << outcome.err;
}

TEST(ClassifyCommand, QuietWritesOnlyErrorsAndAClosedPipeDoesNotEndTheRun) {
    TempDir dir;
    Outcome outcome = RunClassify(dir, SmallRun("--quiet"));
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.out + outcome.err, "");
    EXPECT_FALSE(ReadFileBytes(dir.file("res_0.hdr")).empty());
    outcome = RunClassify(dir, "--quiet --input absent.img");
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_EQ(outcome.err, "The input image \"absent.img\" does not exist.\n");

    // The reader of both outputs is gone before the first line: every write fails.
    TempDir piped;
    const std::string command = "cd '" + piped.path().string() +
                                "' && ( '" TAVORIN_EXECUTABLE_PATH "' classify " + SmallRun("") +
                                "; echo $? >status.txt ) 2>&1 | :";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(piped.file("status.txt")), "0\n");
    EXPECT_FALSE(ReadFileBytes(piped.file("FinalPF.txt")).empty());
}

TEST(ClassifyCommand, HeaderAsInputAndVersion) {
    TempDir dir;
    WriteFileBytes(dir.file("scene.hdr"), "ENVI\nsamples = 2\nlines = 2\nbands = 1\n");
    WriteFileBytes(dir.file("scene.img"), std::string(4, '\5'));
    Outcome outcome = RunClassify(dir, "--input scene.hdr --seed 1");
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err,
              "The input \"scene.hdr\" is an ENVI header; give the raw image beside it instead: "
              "\"scene.img\".\n");
    EXPECT_EQ(FileCount(dir), 2u);
    for (const char* command : {"classify --version", "fcm --version"}) {
        outcome = RunTavorin(dir, command);
        EXPECT_EQ(outcome.exitStatus, 0);
        EXPECT_EQ(outcome.out, "tavorin " TAVORIN_VERSION "\n");
    }
}

}  // namespace
}  // namespace tavorin
