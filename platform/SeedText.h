#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavorin::platform {

// The whole text as a seed: decimal digits only (no sign, blanks or other characters) of a
// value from 0 to 4294967295. Every front end reads --seed with this one rule.
std::optional<std::uint32_t> ParseSeed(std::string_view text);

}  // namespace tavorin::platform
