#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Header-only: the driver's source list is shared, and these two small helpers serve both the
// front plot and the report page.
namespace tavorin {

namespace markup_detail {

inline bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at the start of `text` that XML may carry, or 0.
inline std::size_t AcceptedSequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        const bool allowedControl = lead == '\t' || lead == '\n' || lead == '\r';
        return (lead >= 0x20 || allowedControl) ? 1 : 0;
    }
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) secondLow = 0xA0;   // no overlong forms
        if (lead == 0xED) secondHigh = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) secondLow = 0x90;
        if (lead == 0xF4) secondHigh = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    if (byte(1) < secondLow || byte(1) > secondHigh) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuationByte(byte(i))) return 0;
    }
    // U+FFFE and U+FFFF are not XML characters.
    if (length == 3 && lead == 0xEF && byte(1) == 0xBF && (byte(2) == 0xBE || byte(2) == 0xBF)) {
        return 0;
    }
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
