#include "tests/pictures/PngDecode.h"

#include <png.h>

#include <cstring>
#include <string>

namespace tavorin::testing {
namespace {

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// Walks the chunks after the signature for the IHDR colour type and the palette size.
void ReadChunkFacts(std::string_view bytes, DecodedPng& decoded) {
    std::size_t at = 8;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t length = BigEndian32(bytes, at);
        const std::string_view type = bytes.substr(at + 4, 4);
        if (type == "IHDR" && at + 8 + 10 <= bytes.size()) {
            decoded.colourType = static_cast<unsigned char>(bytes[at + 8 + 9]);
        }
        if (type == "PLTE") decoded.paletteEntries = static_cast<int>(length / 3);
        at += 12 + length;
    }
}

}  // namespace

DecodedPng DecodePng(std::string_view bytes) {
    DecodedPng decoded;
    if (bytes.size() < 8 || std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) != 0) return decoded;
    ReadChunkFacts(bytes, decoded);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return decoded;
    image.format = PNG_FORMAT_RGB;
    decoded.width = static_cast<int>(image.width);
    decoded.height = static_cast<int>(image.height);
    decoded.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, decoded.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return decoded;
    }
    decoded.ok = true;
    return decoded;
}

}  // namespace tavorin::testing
