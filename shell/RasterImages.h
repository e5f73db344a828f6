#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QImage>

#include "image/ClassColours.h"
#include "report/QuickLookPng.h"

namespace tavorin::shell {

// Why a pixel takes no part in the classification.
enum class LeftOutReason : std::uint8_t { None = 0, Nodata = 1, NonFinite = 2 };

// The reason of every pixel of a band-sequential image (band b of pixel p at b * N + p): a pixel
// is left out when every band with a nodata value in `bandNodata` holds it, or when a sample is
// NaN or infinite. Empty when no pixel is left out.
std::vector<LeftOutReason> LeftOutReasons(std::span<const double> bandData, int bands,
                                          std::size_t pixelCount,
                                          const std::vector<std::optional<double>>& bandNodata);

// The stretch of the red, green and blue bands of the input picture: each shown band between
// its 2nd and 98th percentile of the pixels not left out.
struct FalseColourStretch {
    DisplayBands bands;
    std::array<StretchRange, 3> ranges;
};
FalseColourStretch ChooseFalseColourStretch(std::span<const double> bandData, int bands,
                                            std::size_t pixelCount,
                                            const std::vector<LeftOutReason>& leftOut);

// Every `step`-th pixel of every `step`-th line (the one at the middle of each step by step
// block), so that a large picture can be shown at once.
int OverviewStep(int lines, int samples, int longestSide = 1024);

// The input in false colour, one pixel per `step` by `step` block; left-out pixels are grey.
QImage FalseColourImage(std::span<const double> bandData, int lines, int samples,
                        const std::vector<LeftOutReason>& leftOut,
                        const FalseColourStretch& stretch, int step = 1);

// The map in the colours of its labels, one pixel per `step` by `step` block; label 0 (no
// class) is transparent, so that the input shows through.
QImage ClassMapImage(std::span<const std::uint8_t> labels, int lines, int samples,
                     const std::vector<ClassColour>& labelColours, int step = 1);

}  // namespace tavorin::shell
