// Fewer threads than asked for: the run goes on with those the system grants and says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "tests/hardening/CommandRunner.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::CommandRequest;
using testing::CommandResult;
using testing::TempDir;

// The process limit holds only for an unprivileged user, so the run drops to one.
CommandResult RunLimited(const TempDir& work, std::vector<std::string> arguments,
                         std::optional<long long> processLimit) {
    CommandRequest request;
    request.arguments = std::move(arguments);
    request.workingDirectory = work.path();
    request.asUnprivilegedUser = true;
    request.processLimit = processLimit;
    request.timeoutSeconds = 60;
    const CommandResult result = testing::RunTavorin(request);
    EXPECT_FALSE(result.timedOut) << "hung";
    EXPECT_EQ(result.signal, 0) << result.err;
    return result;
}

const std::regex kFewer(
    "Only [1-7] of the 8 threads asked for could be started; the run goes on with [1-7]\\.\n");

TEST(ThreadLimit, ClassifyAndFcmGoOnWithTheThreadsTheyGet) {
    if (!testing::IsRoot()) GTEST_SKIP() << "needs root to run as another user with a limit";
    const std::vector<std::string> classify{"classify",
                                            "--input",
                                            testing::DataDir() + "/small.img",
                                            "--output",
                                            "res",
                                            "--seed",
                                            "3",
                                            "--pop-size",
                                            "6",
                                            "--generations",
                                            "1",
                                            "--threads",
                                            "8",
                                            "--no-pictures"};
    const TempDir limited, free;
    std::filesystem::permissions(limited.path(), std::filesystem::perms::all);
    std::filesystem::permissions(free.path(), std::filesystem::perms::all);
    const CommandResult result = RunLimited(limited, classify, 3);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(std::regex_search(result.out, kFewer)) << result.out;
    ASSERT_EQ(RunLimited(free, classify, std::nullopt).exitStatus, 0);
    EXPECT_EQ(testing::ReadFileBytes(limited.file("FinalPF.txt")),
              testing::ReadFileBytes(free.file("FinalPF.txt")));

    const CommandResult fcm = RunLimited(limited, {"fcm", "--seed", "2", "--threads", "8"}, 3);
    EXPECT_EQ(fcm.exitStatus, 0) << fcm.err;
    EXPECT_TRUE(std::regex_search(fcm.out + fcm.err, kFewer)) << fcm.out << fcm.err;
}

}  // namespace
}  // namespace tavorin
