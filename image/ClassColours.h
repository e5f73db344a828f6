#pragma once

#include <array>
#include <cstdint>

namespace tavorin {

// One colour of a classification's colour table, components 0..255.
struct ClassColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// The colours of classes 0..19 that every classification header declares and the quick-look
// pictures use; class 0 is the unclassified class.
inline constexpr std::array<ClassColour, 20> classColourTable{{
    {0, 0, 0},     {0, 0, 255},   {0, 255, 0},   {255, 0, 0},     {255, 255, 0},
    {0, 255, 255}, {255, 0, 255}, {46, 139, 87}, {216, 191, 216}, {255, 255, 255},
    {48, 48, 48},  {128, 0, 0},   {0, 128, 0},   {0, 0, 128},     {128, 128, 0},
    {0, 128, 128}, {128, 0, 128}, {255, 128, 0}, {128, 255, 0},   {255, 0, 128},
}};

}  // namespace tavorin
