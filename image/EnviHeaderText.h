#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavorin {

// One "key = value" entry of an ENVI header.
struct EnviHeaderEntry {
    std::string key;            // as written, surrounding spaces removed
    std::string normalizedKey;  // lower case, runs of spaces made one space: "data type"
    std::string value;          // surrounding spaces removed; a braced value spanning lines
                                // has its lines joined by single spaces
};

// The entries of an ENVI header text, in file order. A line without '=' outside braces (the
// leading "ENVI", blank lines) is not an entry; a value opened with '{' runs to the line that
// holds the closing '}'. Lines may end in LF, CR LF or CR.
std::vector<EnviHeaderEntry> ParseEnviHeaderText(std::string_view text);

// A header value read as C's atoi reads it (leading spaces, an optional sign, then the leading
// digits; 0 when there are none), but with no overflow: nothing when the number leaves the
// 32-bit range.
std::optional<int> ParseLeadingInt32(std::string_view value);

// A 64-bit variant for byte offsets.
std::optional<long long> ParseLeadingInt64(std::string_view value);

}  // namespace tavorin
