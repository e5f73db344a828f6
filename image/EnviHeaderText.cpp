#include "image/EnviHeaderText.h"

#include <limits>

namespace tavorin {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string normalizeKey(std::string_view key) {
    std::string result;
    bool pendingSpace = false;
    for (const char c : key) {
        if (isSpace(c)) {
            pendingSpace = !result.empty();
            continue;
        }
        if (pendingSpace) result += ' ';
        pendingSpace = false;
        result += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return result;
}

// The lines of `text`; LF, CR LF and a lone CR all end a line.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::optional<long long> parseLeadingInteger(std::string_view value, long long lowest,
                                             long long highest) {
    std::size_t i = 0;
    while (i < value.size() && isSpace(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Accumulated as a negative number so that the lowest value itself fits.
    long long magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        const int digit = value[i] - '0';
        if (magnitude < (std::numeric_limits<long long>::min() + digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 - digit;
    }
    if (!negative) {
        if (magnitude < -highest) return std::nullopt;
        return -magnitude;
    }
    if (magnitude < lowest) return std::nullopt;
    return magnitude;
}

}  // namespace

std::vector<EnviHeaderEntry> ParseEnviHeaderText(std::string_view text) {
    std::vector<EnviHeaderEntry> entries;
    const std::vector<std::string_view> lines = splitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, equals));
        if (key.empty()) continue;
        EnviHeaderEntry entry{std::string(key), normalizeKey(key),
                              std::string(trim(line.substr(equals + 1)))};
        if (!entry.value.empty() && entry.value.front() == '{') {
            while (entry.value.find('}') == std::string::npos && i + 1 < lines.size()) {
                const std::string_view continuation = trim(lines[++i]);
                if (continuation.empty()) continue;
                entry.value += ' ';
                entry.value += continuation;
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<int> ParseLeadingInt32(std::string_view value) {
    const auto result = parseLeadingInteger(value, std::numeric_limits<int>::min(),
                                            std::numeric_limits<int>::max());
    if (!result) return std::nullopt;
    return static_cast<int>(*result);
}

std::optional<long long> ParseLeadingInt64(std::string_view value) {
    return parseLeadingInteger(value, std::numeric_limits<long long>::min(),
                               std::numeric_limits<long long>::max());
}

}  // namespace tavorin
