#include "platform/SeedText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace tavorin::platform {
namespace {

TEST(SeedText, DecimalDigitsOfAnUnsigned32BitValueOnly) {
    struct Case {
        std::string_view text;
        std::optional<std::uint32_t> seed;
    };
    for (const Case& c :
         {Case{"0", 0u}, Case{"7", 7u}, Case{"007", 7u}, Case{"4294967295", 4294967295u},
          Case{"4294967296", std::nullopt}, Case{"99999999999999999999", std::nullopt},
          Case{"-1", std::nullopt}, Case{"+1", std::nullopt}, Case{"1.0", std::nullopt},
          Case{"", std::nullopt}, Case{"0x10", std::nullopt}, Case{" 7", std::nullopt},
          Case{"7 ", std::nullopt}, Case{"\t7", std::nullopt}, Case{"1e3", std::nullopt}}) {
        EXPECT_EQ(ParseSeed(c.text), c.seed) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace tavorin::platform
