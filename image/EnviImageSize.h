#pragma once

#include <cstdint>
#include <string>

#include "image/CEnviImage.h"

// The size checks that the header parser and the raw reader share: whether an image's byte
// counts fit a 64-bit size, and the message for an image that is too large. Internal to
// CEnviImage.
namespace tavorin::envi::detail {

// What sizes an image's samples.
struct SampleLayout {
    int samples = 0;
    int lines = 0;
    int bands = 0;
    int dataType = 0;
    std::int64_t headerOffset = 0;
};

SampleLayout LayoutOf(const CEnviImage& image);

// "S samples, L lines and B bands".
std::string GeometryText(const SampleLayout& layout);

// The bytes the image needs once held in memory in its own sample type, computed without
// overflow.
double BandDataBytes(const SampleLayout& layout);

// Whether every byte count of the image, the doubles and the header offset included, fits a
// 64-bit size. Throws for an unsupported data type, once the value count is known to fit.
bool ByteCountsFit(const SampleLayout& layout);

// Throws "The image of ... is too large: it would need about X GB of memory" + detail + ".".
[[noreturn]] void ThrowTooLarge(const SampleLayout& layout, const std::string& detail);

}  // namespace tavorin::envi::detail
