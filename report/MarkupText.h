#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/Utf8Text.h"

// Header-only: the driver's source list is shared, and these two small helpers serve both the
// front plot and the report page.
namespace tavorin {

namespace markup_detail {

// The length of the valid UTF-8 sequence at the start of `text` that XML may carry, or 0.
inline std::size_t AcceptedSequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        const bool allowedControl = lead == '\t' || lead == '\n' || lead == '\r';
        return (lead >= 0x20 || allowedControl) ? 1 : 0;
    }
    const std::size_t length = platform::Utf8SequenceLength(text);
    // U+FFFE and U+FFFF are not XML characters.
    if (length == 3 && text.substr(0, 3) == "\xEF\xBF\xBE") return 0;
    if (length == 3 && text.substr(0, 3) == "\xEF\xBF\xBF") return 0;
    return length;
}

}  // namespace markup_detail

// Text made safe for HTML and SVG (XML) content and attribute values: the five markup
// characters become entities, and what XML cannot carry (bytes that are not valid UTF-8,
// control characters other than tab, line feed and carriage return, U+FFFE and U+FFFF) becomes
// U+FFFD, so that a file name in any encoding still gives a well-formed page.
inline std::string EscapeMarkup(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = markup_detail::AcceptedSequenceLength(text.substr(i));
        if (length == 0) {
            escaped += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (length == 1) {
            switch (text[i]) {
                case '&':
                    escaped += "&amp;";
                    break;
                case '<':
                    escaped += "&lt;";
                    break;
                case '>':
                    escaped += "&gt;";
                    break;
                case '"':
                    escaped += "&quot;";
                    break;
                case '\'':
                    escaped += "&#39;";
                    break;
                default:
                    escaped += text[i];
                    break;
            }
        } else {
            escaped.append(text.substr(i, length));
        }
        i += length;
    }
    return escaped;
}

// Standard base64 (RFC 4648, with '=' padding, no line breaks), for data: URIs.
inline std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        encoded += alphabet[(group >> 18) & 63];
        encoded += alphabet[(group >> 12) & 63];
        encoded += alphabet[(group >> 6) & 63];
        encoded += alphabet[group & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = std::uint32_t{bytes[i]} << 16;
        if (rest == 2) group |= std::uint32_t{bytes[i + 1]} << 8;
        encoded += alphabet[(group >> 18) & 63];
        encoded += alphabet[(group >> 12) & 63];
        encoded += rest == 2 ? alphabet[(group >> 6) & 63] : '=';
        encoded += '=';
    }
    return encoded;
}

inline std::string EncodeBase64(std::string_view bytes) {
    return EncodeBase64(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace tavorin
