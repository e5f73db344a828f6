#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "image/BandSamples.h"
#include "image/ClassColours.h"

namespace tavorin {

// A picture ready to be encoded: rows top to bottom, pixels left to right.
struct Picture {
    int width = 0;
    int height = 0;
    // Three bytes (red, green, blue) per pixel, or one palette index per pixel.
    std::vector<std::uint8_t> pixels;
    std::vector<ClassColour> palette;  // empty for an RGB picture
    int transparentIndex = -1;         // a palette entry drawn fully transparent; -1: none
};

// A picture made a row at a time, so that no whole copy of it is held: `fillRow(y, row)` writes
// row y (from the top) as three bytes a pixel, or one palette index a pixel with a palette.
struct PictureRows {
    int width = 0;
    int height = 0;
    std::vector<ClassColour> palette;  // empty for an RGB picture
    int transparentIndex = -1;
    std::function<void(int y, std::uint8_t* row)> fillRow;

    // Bytes a pixel (three for RGB, one palette index) and a row.
    std::size_t channels() const { return palette.empty() ? 3 : 1; }
    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * channels(); }
};

// The rows of a whole picture (which must outlive them), and the picture of rows.
PictureRows RowsOf(const Picture& picture);
Picture PictureOf(const PictureRows& rows);

// The values of one band that are stretched to 0 and 255.
struct StretchRange {
    double low = 0.0;
    double high = 0.0;
};

// The bands shown as red, green and blue (the same band three times for a grey picture).
struct DisplayBands {
    std::array<int, 3> band{0, 0, 0};
    bool grey = false;
};

// The `percent` percentile of the finite values, interpolated linearly between the two
// nearest ranks: position (n - 1) * percent / 100 in the sorted values. NaN when no value is
// finite.
double Percentile(std::span<const double> values, int percent);

// The 2nd and 98th percentile of a band; when they coincide, its minimum and maximum.
StretchRange PercentileStretchRange(std::span<const double> band);

// `value` mapped linearly from the range to 0..255, clamped and rounded half up; a range that
// is a single value maps it to 128; a value that is not finite gives 0.
std::uint8_t StretchToByte(double value, StretchRange range);

// For 4 bands or more, bands 4, 3, 2 (counted from 1); for 3 bands, bands 1, 2, 3; otherwise
// band 1 as grey.
DisplayBands ChooseDisplayBands(int bandCount);

// How many of an image's bands, counted from the first, the input picture reads: the shown
// bands of ChooseDisplayBands are among the first four.
inline int InputPictureBands(int bandCount) { return bandCount < 4 ? bandCount : 4; }

// The grey that stands for a pixel left out of the classification in the input picture.
inline constexpr std::uint8_t kLeftOutGrey = 128;

// A colour picture of a band-sequential image (band b of pixel p at b * N + p), each shown
// band stretched between its 2nd and 98th percentile. With `searched` (entry p is 0 for a pixel
// left out), `bandData` holds the searched pixels alone, in order, and the others are grey.
Picture InputPicture(std::span<const double> bandData, int bands, int lines, int samples,
                     std::span<const std::uint8_t> searched = {});
Picture InputPicture(const BandSamples& bandData, int bands, int lines, int samples,
                     std::span<const std::uint8_t> searched = {});
// The same picture a row at a time; the rows read `bandData` and `searched`, which must
// outlive them.
PictureRows InputPictureRows(const BandSamples& bandData, int bands, int lines, int samples,
                             std::span<const std::uint8_t> searched = {});

// A classification map coloured with the colours of classes 0..`classes`-1 (beyond the table's
// twenty they repeat, as in the headers); a label outside them is shown as class 0, which is
// transparent when `zeroIsTransparent` (it marks pixels left out). With `legend`, label l >= 1
// takes the colour of class legend[l - 1] instead (the pixels keep their labels as palette
// indices: only the palette changes).
Picture ClassMapPicture(std::span<const std::uint8_t> labels, int lines, int samples, int classes,
                        bool zeroIsTransparent = false, std::span<const int> legend = {});
// The same map a row at a time; the rows read `labels`, which must outlive them.
PictureRows ClassMapRows(std::span<const std::uint8_t> labels, int lines, int samples, int classes,
                         bool zeroIsTransparent = false, std::span<const int> legend = {});

// The picture shrunk by nearest-neighbour sampling so that neither side exceeds `maxSide`,
// keeping its proportions; a picture that already fits is returned unchanged.
Picture ScaledDown(const Picture& picture, int maxSide);
Picture ScaledDown(const PictureRows& rows, int maxSide);

// The picture as the bytes of a PNG file (palette PNG when it has a palette). Throws
// std::runtime_error with the encoder's reason on failure.
std::vector<std::uint8_t> EncodePng(const Picture& picture);
// The same for a picture made a row at a time: only its encoded bytes are held.
std::vector<std::uint8_t> EncodePng(const PictureRows& rows);

// The longest side a PNG picture may have here (the PNG library's limit for width and height).
constexpr int kLargestPngSide = 1000000;

}  // namespace tavorin
