#include "platform/SeedText.h"

#include <algorithm>
#include <charconv>

namespace tavorin::platform {

std::optional<std::uint32_t> ParseSeed(std::string_view text) {
    // from_chars alone would take a leading '-' and stop at the first non-digit.
    const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    if (!digitsOnly) return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace tavorin::platform
