// Results are put in place whole or not at all: an interrupted run, a second run in the same
// folder and a link planted at a result name all leave the earlier results as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
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
using testing::WriteFileBytes;

// The bundled 400 x 400 scene tiled 3 x 3: big enough that its output stage takes a while.
void WriteTiledScene(const TempDir& work) {
    const std::string source = ReadFileBytes(testing::DataDir() + "/landsat_scene01.img");
    std::string tiled;
    for (std::size_t band = 0; band < 6; ++band) {
        for (std::size_t line = 0; line < 1200; ++line) {
            const std::size_t row = band * 160000 + (line % 400) * 400;
            for (int repeat = 0; repeat < 3; ++repeat) tiled.append(source, row, 400);
        }
    }
    WriteFileBytes(work.file("big.img"), tiled);
    WriteFileBytes(work.file("big.hdr"),
                   "ENVI\nsamples = 1200\nlines = 1200\nbands = 6\nheader offset = 0\n"
                   "data type = 1\ninterleave = bsq\nbyte order = 0\n");
}

std::vector<std::string> Entries(const TempDir& work) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> kRun{
    "classify",   "--input", "big.img",       "--output", "res",       "--seed", "5",
    "--pop-size", "12",      "--generations", "2",        "--threads", "2"};

// Whatever moment the signal arrives, the run either finishes whole or puts nothing in place.
TEST(Commit, ASignalAtAnyMomentLeavesTheEarlierResultsOrTheWholeNewOnes) {
    int interrupted = 0;
    for (const double seconds : {0.3, 1.0, 2.0, 3.0, 4.5, 6.0}) {
        SCOPED_TRACE("signal after " + std::to_string(seconds) + " s");
        const TempDir work;
        WriteTiledScene(work);
        WriteFileBytes(work.file("FinalPF.txt"), "earlier\r\n");
        WriteFileBytes(work.file("res_0"), "earlier map");
        CommandRequest request;
        request.arguments = kRun;
        request.workingDirectory = work.path();
        const int signal = seconds == 0.3 ? SIGINT : SIGTERM;
        request.signalAfter = std::make_pair(seconds, signal);
        const CommandResult result = testing::RunTavorin(request);
        ASSERT_FALSE(result.timedOut);
        EXPECT_EQ(result.signal, 0) << result.err;
        for (const std::string& name : Entries(work)) {
            EXPECT_EQ(name.rfind(".tavorin-", 0), std::string::npos) << name;
        }
        if (result.exitStatus == 0) {
            EXPECT_NE(ReadFileBytes(work.file("FinalPF.txt")), "earlier\r\n");
            EXPECT_TRUE(fs::exists(work.file("res_report.html")));
            continue;
        }
        ++interrupted;
        EXPECT_EQ(result.exitStatus, 128 + signal);
        EXPECT_NE(result.err.find("Interrupted: nothing was written\n"), std::string::npos)
            << result.err;
        EXPECT_EQ(ReadFileBytes(work.file("FinalPF.txt")), "earlier\r\n");
        EXPECT_EQ(ReadFileBytes(work.file("res_0")), "earlier map");
        EXPECT_FALSE(fs::exists(work.file("res_summary.json")));
        EXPECT_FALSE(fs::exists(work.file("res_0.hdr")));
    }
    EXPECT_GT(interrupted, 0);
}

// The second run is refused before it reads its image; the first finishes as if alone.
TEST(Commit, ASecondRunInTheSameFolderIsRefused) {
    const TempDir work;
    WriteTiledScene(work);
    std::string command;
    for (const std::string& argument : kRun) command += " '" + argument + "'";
    const std::string first = "cd '" + work.path().string() + "' && (" + TAVORIN_EXECUTABLE_PATH +
                              command + " > first.out 2>&1; echo $? > first.rc) &";
    ASSERT_EQ(std::system(first.c_str()), 0);
    // The first run holds the folder once its logs appear.
    for (int wait = 0; wait < 400 && !fs::exists(work.file("nNonDominated.txt")); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    CommandRequest second;
    second.arguments = kRun;
    second.workingDirectory = work.path();
    const CommandResult refused = testing::RunTavorin(second);
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.err,
              "Another run is writing its results in the folder \".\"; wait until it has ended, "
              "or run in another folder.\n");
    for (int wait = 0; wait < 4800 && !fs::exists(work.file("first.rc")); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(ReadFileBytes(work.file("first.rc")), "0\n") << ReadFileBytes(work.file("first.out"));
    const std::string counts = ReadFileBytes(work.file("nNonDominated.txt"));
    EXPECT_EQ(std::count(counts.begin(), counts.end(), '\n'), 3) << counts;
}

// A short run on the bundled small image in `work`.
CommandRequest SmallRun(const TempDir& work) {
    CommandRequest request;
    request.arguments = {"classify",
                         "--input",
                         testing::DataDir() + "/small.img",
                         "--output",
                         "res",
                         "--seed",
                         "2",
                         "--pop-size",
                         "6",
                         "--generations",
                         "1",
                         "--no-pictures"};
    request.workingDirectory = work.path();
    return request;
}

// A link planted at a result name is replaced, never written through.
TEST(Commit, ALinkAtAResultNameIsReplacedAndItsTargetKept) {
    const TempDir work, elsewhere;
    WriteFileBytes(elsewhere.file("precious"), "keep me");
    fs::create_symlink(elsewhere.file("precious"), work.file("FinalPF.txt"));
    fs::create_symlink(elsewhere.file("precious"), work.file("res_0"));
    CommandRequest request = SmallRun(work);
    const CommandResult result = testing::RunTavorin(request);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(ReadFileBytes(elsewhere.file("precious")), "keep me");
    EXPECT_FALSE(fs::is_symlink(work.file("FinalPF.txt")));
    EXPECT_FALSE(fs::is_symlink(work.file("res_0")));
    EXPECT_EQ(ReadFileBytes(work.file("res_0")).size(), 10000u);
}

// In a shared sticky folder another user's links stay untouched, and so do their targets.
TEST(Commit, AnotherUsersLinksInASharedFolderAreNeitherFollowedNorReplaced) {
    if (!testing::IsRoot()) GTEST_SKIP() << "needs root to plant links as another user";
    const TempDir shared, elsewhere;
    fs::permissions(shared.path(), fs::perms::all | fs::perms::sticky_bit);
    WriteFileBytes(elsewhere.file("precious"), "keep me");
    fs::create_symlink(elsewhere.file("precious"), shared.file("FinalPF.txt"));
    fs::create_symlink(elsewhere.file("precious"), shared.file("res_0"));
    CommandRequest request = SmallRun(shared);
    request.asUnprivilegedUser = true;
    const CommandResult result = testing::RunTavorin(request);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "Cannot create the file \"FinalPF.txt\".\n");
    EXPECT_EQ(ReadFileBytes(elsewhere.file("precious")), "keep me");
    EXPECT_TRUE(fs::is_symlink(shared.file("FinalPF.txt")));
    EXPECT_TRUE(fs::is_symlink(shared.file("res_0")));
    for (const std::string& name : Entries(shared)) {
        EXPECT_EQ(name.rfind(".tavorin-", 0), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace tavorin
