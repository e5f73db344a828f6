#include "platform/NumberText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace tavorin::platform {
namespace {

std::string_view trimSpaces(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

// from_chars takes a leading '-' but no '+'; drop one '+' unless another sign follows it.
std::string_view withoutPlusSign(std::string_view text) {
    if (text.size() >= 2 && text[0] == '+' && text[1] != '-' && text[1] != '+') {
        text.remove_prefix(1);
    }
    return text;
}

std::optional<std::string> nonFiniteText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return std::nullopt;
}

template <typename... Format>
std::string toChars(double value, Format... format) {
    if (auto text = nonFiniteText(value)) return *text;
    // Large enough for "%f" of the largest double (309 integer digits and 6 decimals).
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format...);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string formatFixed(double value) { return toChars(value, std::chars_format::fixed, 6); }

std::string formatGeneral(double value, int significantDigits) {
    return toChars(value, std::chars_format::general, significantDigits);
}

std::string formatRoundTrip(double value) { return toChars(value); }

std::string formatInt(long long value) { return std::to_string(value); }

std::optional<int> parseInt32(std::string_view text) {
    text = withoutPlusSign(trimSpaces(text));
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseDouble(std::string_view text) {
    text = withoutPlusSign(trimSpaces(text));
    if (text.empty()) return std::nullopt;
    double value = 0.0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ptr != text.data() + text.size()) return std::nullopt;
    // A number beyond the double range is refused rather than turned into infinity.
    if (result.ec != std::errc()) return std::nullopt;
    return value;
}

}  // namespace tavorin::platform
