#include "driver/OutputTargets.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/UserError.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

TEST(FreeSpace, OneMapWithItsHeaderMustFit) {
    EXPECT_EQ(FreeSpaceProblem("out", 10000 + 4096, 10000), std::nullopt);
    EXPECT_EQ(FreeSpaceProblem("out", 10000 + 4095, 10000),
              "The output folder \"out\" has 14095 bytes free, but even one classification map "
              "of this image needs 14096 bytes.");
    // The real file system: no folder has room for a map of 2^60 pixels.
    testing::TempDir dir;
    EXPECT_NO_THROW(CheckFreeSpace(dir.file("res"), 10000));
    try {
        CheckFreeSpace(dir.file("res"), 1LL << 60);
        FAIL() << "no refusal";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what())
                      .rfind("The output folder \"" + dir.path().string() + "\" has ", 0),
                  0u)
            << error.what();
    }
}

}  // namespace
}  // namespace tavorin
