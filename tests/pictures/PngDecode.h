#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavorin::testing {

// A PNG file decoded by libpng, whatever its colour type, as 8-bit RGB.
struct DecodedPng {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    int colourType = -1;     // from IHDR: 2 RGB, 3 palette
    int paletteEntries = 0;  // PLTE chunk length / 3
};

DecodedPng DecodePng(std::string_view bytes);

}  // namespace tavorin::testing
