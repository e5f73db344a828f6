#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace tavorin::platform {
namespace {

TEST(TextFileTest, WritesLineFeedsAsCrLf) {
    testing::TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.Open(dir.file("a.txt"), TextFile::Mode::Truncate));
    file.Write("one\ntwo\t\n");
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(testing::ReadFileBytes(dir.file("a.txt")), "one\r\ntwo\t\r\n");
}

TEST(TextFileTest, AppendKeepsAndTruncateDiscards) {
    testing::TempDir dir;
    const auto path = dir.file("log.txt");
    {
        TextFile file;
        ASSERT_TRUE(file.Open(path, TextFile::Mode::Append));
        file.Write("a\n");
    }
    {
        TextFile file;
        ASSERT_TRUE(file.Open(path, TextFile::Mode::Append));
        file.Write("b");
    }
    EXPECT_EQ(testing::ReadFileBytes(path), "a\r\nb");
    TextFile file;
    ASSERT_TRUE(file.Open(path, TextFile::Mode::Truncate));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(testing::ReadFileBytes(path), "");
}

TEST(TextFileTest, ReportsFilesThatCannotBeOpenedOrWritten) {
    TextFile missingFolder;
    EXPECT_FALSE(missingFolder.Open("/nonexistent-folder/x.txt", TextFile::Mode::Truncate));
    missingFolder.Write("ignored");
    EXPECT_FALSE(missingFolder.Close());

    TextFile full;
    if (full.Open("/dev/full", TextFile::Mode::Append)) {
        full.Write(std::string(100000, 'x'));
        EXPECT_FALSE(full.Close());
    }
}

}  // namespace
}  // namespace tavorin::platform
