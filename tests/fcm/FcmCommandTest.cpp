#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Commands.h"
#include "tests/fcm/FcmCommandRun.h"
#include "tests/fcm/FcmTestImages.h"
#include "tests/support/TestSupport.h"

namespace tavorin::cli {
namespace {

using tavorin::testing::ReadFileBytes;
using tavorin::testing::TempDir;

// Points TAVORIN_DATA_DIR at a folder for the lifetime of the object.
class DataDirVariable {
  public:
    explicit DataDirVariable(const std::string& folder) {
        ::setenv("TAVORIN_DATA_DIR", folder.c_str(), 1);
    }
    ~DataDirVariable() { ::unsetenv("TAVORIN_DATA_DIR"); }
};

TEST(FcmCommandTest, HelpDocumentsTheSeedAndTheImageSearch) {
    const CommandResult result = RunFcm({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("--seed"), std::string::npos);
    EXPECT_NE(result.out.find("--threads"), std::string::npos);
    EXPECT_NE(result.out.find("TAVORIN_DATA_DIR"), std::string::npos);
    EXPECT_NE(result.out.find("../share/tavorin"), std::string::npos);
    EXPECT_NE(result.out.find(TAVORIN_SOURCE_DATA_DIR), std::string::npos);
}

TEST(FcmCommandTest, BadUsageExitsWithTwoAndWritesNothing) {
    TempDir work(true);
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--seed", "abc"},
                                               {"--seed", "4294967296"},
                                               {"--seed", "-1"},
                                               {"--seed", "12x"},
                                               {"--seed", " 7"},
                                               {"--seed", "+7"},
                                               {"--seed", ""},
                                               {"--seed"},
                                               {"--threads", "0"},
                                               {"--threads", "1025"},
                                               {"--threads", "2x"},
                                               {"--threads", "99999999999"},
                                               {"--threads", ""},
                                               {"--clusters", "3"},
                                               {"extra"}}) {
        const CommandResult result = RunFcm(arguments);
        EXPECT_EQ(result.status, 2) << arguments[0];
        EXPECT_NE(result.err.find("tavorin fcm: "), std::string::npos) << result.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(work.path()));
    const CommandResult seed = RunFcm({"--seed", "abc"});
    EXPECT_EQ(seed.err,
              "tavorin fcm: --seed needs a whole number from 0 to 4294967295, not 'abc'\n"
              "Run 'tavorin fcm --help' for the options.\n");
    const CommandResult threads = RunFcm({"--threads", "0"});
    EXPECT_EQ(threads.err,
              "tavorin fcm: --threads needs a whole number from 1 to 1024, not '0'\n"
              "Run 'tavorin fcm --help' for the options.\n");
}

TEST(FcmCommandTest, ThreadCountDoesNotChangeTheFiles) {
    const std::vector<std::string> names{"cencer_output_runfcm.txt", "cencer_output.txt",
                                         "small_result", "small_result.hdr"};
    std::vector<std::string> first;
    for (const char* threads : {" 1 ", "3"}) {
        TempDir work(true);
        const CommandResult result = RunFcm({"--seed", "7", "--threads", threads});
        ASSERT_EQ(result.status, 0) << result.err;
        std::vector<std::string> files;
        for (const std::string& name : names) files.push_back(ReadFileBytes(name));
        if (first.empty())
            first = files;
        else
            EXPECT_EQ(files, first);
    }
}

TEST(FcmCommandTest, SeededRunUsesTheDataFolderAndRepeats) {
    TempDir images;
    tavorin::testing::WriteThreeByTwoImage(images.path().string());
    DataDirVariable variable(images.path().string());

    std::string firstCentres;
    for (int run = 0; run < 2; ++run) {
        TempDir work(true);
        const CommandResult result = RunFcm({"--seed", "4294967295"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "Test image: " + images.file("small.img") +
                                  "\nSeed: 4294967295\nWrote cencer_output_runfcm.txt, "
                                  "cencer_output.txt, small_result and small_result.hdr.\n");
        EXPECT_EQ(ReadFileBytes("small_result").size(), 6u);
        EXPECT_TRUE(std::filesystem::exists("small_result.hdr"));
        const std::string centres = ReadFileBytes("cencer_output.txt");
        EXPECT_EQ(centres, ReadFileBytes("cencer_output_runfcm.txt"));
        if (run == 0)
            firstCentres = centres;
        else
            EXPECT_EQ(centres, firstCentres);
    }
}

TEST(FcmCommandTest, MissingHeaderFailsWithOneMessageAndNoOutput) {
    TempDir images;
    tavorin::testing::WriteSmallImage(images.path().string(), 3, 2, 2, 1, std::string(12, '\x01'),
                                      false);
    DataDirVariable variable(images.path().string());
    TempDir work(true);
    const CommandResult result = RunFcm({"--seed", "1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Please generate the file header using ENVI！ (looked for " +
                              images.file("small.hdr") + ")\n");
    EXPECT_TRUE(std::filesystem::is_empty(work.path()));
}

}  // namespace
}  // namespace tavorin::cli
