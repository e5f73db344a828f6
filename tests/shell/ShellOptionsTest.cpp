#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/ShellOptions.h"
#include "tests/support/TestSupport.h"

namespace tavorin::shell {
namespace {

TEST(ShellOptionsTest, SeedInBothSpellingsAndAtTheLimits) {
    EXPECT_EQ(ParseShellOptions({"--seed", "42"}).seed, 42u);
    EXPECT_EQ(ParseShellOptions({"--seed=42"}).seed, 42u);
    EXPECT_EQ(ParseShellOptions({"--seed", "0"}).seed, 0u);
    EXPECT_EQ(ParseShellOptions({"--seed", "4294967295"}).seed, 4294967295u);
    const ShellOptions none = ParseShellOptions({});
    EXPECT_FALSE(none.seed.has_value());
    EXPECT_FALSE(none.screenshotDir.has_value());
    EXPECT_TRUE(none.error.empty());
}

TEST(ShellOptionsTest, BadSeedsAreRefusedWithOneMessage) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--seed", "4294967296"},
                                               {"--seed", "-1"},
                                               {"--seed", "+5"},
                                               {"--seed", " 5"},
                                               {"--seed", "5x"},
                                               {"--seed", ""},
                                               {"--seed="},
                                               {"--seed"}}) {
        const ShellOptions options = ParseShellOptions(arguments);
        EXPECT_EQ(options.error, "--seed needs a whole number from 0 to 4294967295")
            << arguments.back();
        EXPECT_FALSE(options.seed.has_value());
    }
}

TEST(ShellOptionsTest, VersionPrintsTheProjectVersionAndQuits) {
    EXPECT_TRUE(ParseShellOptions({"--version"}).version);
    EXPECT_NE(ShellUsage().find("  --version "), std::string::npos);
    const testing::TempDir dir;
    const std::string out = dir.file("version.txt");
    const int status =
        std::system(("'" TAVORIN_GUI_EXECUTABLE_PATH "' --version >'" + out + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(testing::ReadFileBytes(out), "tavorin-gui " TAVORIN_VERSION "\n");
}

TEST(ShellOptionsTest, ScreenshotFolderHelpAndUnknownOptions) {
    EXPECT_EQ(ParseShellOptions({"--screenshot", "shots"}).screenshotDir, "shots");
    EXPECT_EQ(ParseShellOptions({"--screenshot=a b"}).screenshotDir, "a b");
    EXPECT_EQ(ParseShellOptions({"--screenshot"}).error, "--screenshot needs a folder");
    EXPECT_TRUE(ParseShellOptions({"--help"}).help);
    EXPECT_TRUE(ParseShellOptions({"-h"}).help);
    EXPECT_EQ(ParseShellOptions({"--seeds", "1"}).error, "unknown option '--seeds'");
    EXPECT_EQ(ParseShellOptions({"input.img"}).error, "unknown option 'input.img'");
    const ShellOptions both = ParseShellOptions({"--screenshot", "d", "--seed", "9"});
    EXPECT_EQ(both.seed, 9u);
    EXPECT_EQ(both.screenshotDir, "d");
}

}  // namespace
}  // namespace tavorin::shell
