#include "report/QuickLookPng.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/Saturate.h"

namespace tavorin {
namespace {

std::vector<double> FiniteValues(std::span<const double> values) {
    std::vector<double> finite;
    finite.reserve(values.size());
    for (double value : values) {
        if (std::isfinite(value)) finite.push_back(value);
    }
    return finite;
}

struct MinMax {
    double min = 0.0;
    double max = 0.0;
};

MinMax FiniteMinMax(std::span<const double> values) {
    MinMax result{INFINITY, -INFINITY};
    for (double value : values) {
        if (!std::isfinite(value)) continue;
        result.min = std::min(result.min, value);
        result.max = std::max(result.max, value);
    }
    return result;
}

}  // namespace

double Percentile(std::span<const double> values, int percent) {
    std::vector<double> finite = FiniteValues(values);
    if (finite.empty()) return NAN;
    const double position = static_cast<double>(finite.size() - 1) * percent / 100.0;
    const auto lowerRank = static_cast<std::size_t>(std::floor(position));
    const double fraction = position - static_cast<double>(lowerRank);
    // Selecting the rank instead of sorting gives the same value in linear time.
    const auto lower = finite.begin() + static_cast<std::ptrdiff_t>(lowerRank);
    std::nth_element(finite.begin(), lower, finite.end());
    const double lowerValue = *lower;
    if (fraction == 0.0 || lowerRank + 1 >= finite.size()) return lowerValue;
    const double upperValue = *std::min_element(lower + 1, finite.end());
    return lowerValue + fraction * (upperValue - lowerValue);
}

StretchRange PercentileStretchRange(std::span<const double> band) {
    StretchRange range{Percentile(band, 2), Percentile(band, 98)};
    if (range.high > range.low) return range;
    // Mostly one value with a few outliers: stretch over the whole range instead.
    const MinMax extremes = FiniteMinMax(band);
    if (extremes.max > extremes.min) return {extremes.min, extremes.max};
    return {extremes.min, extremes.min};
}

std::uint8_t StretchToByte(double value, StretchRange range) {
    if (!std::isfinite(value)) return 0;
    if (!(range.high > range.low)) return 128;
    const double scaled = (value - range.low) / (range.high - range.low) * 255.0;
    if (scaled <= 0.0) return 0;
    if (scaled >= 255.0) return 255;
    return static_cast<std::uint8_t>(platform::truncateToInt32(std::floor(scaled + 0.5)));
}

DisplayBands ChooseDisplayBands(int bandCount) {
    if (bandCount >= 4) return {{3, 2, 1}, false};
    if (bandCount == 3) return {{0, 1, 2}, false};
    return {{0, 0, 0}, true};
}

namespace {

// The stretch of a band of small integers from its histogram: the ranks Percentile selects
// give the same values without a copy of the band.
template <class T>
StretchRange histogramStretchRange(std::span<const T> band) {
    constexpr long kOffset = -static_cast<long>(std::numeric_limits<T>::min());
    std::vector<std::size_t> counts(static_cast<std::size_t>(1) << (8 * sizeof(T)));
    for (const T value : band) ++counts[static_cast<std::size_t>(value + kOffset)];
    // The value of rank r (from 0) in ascending order.
    const auto valueOfRank = [&](std::size_t rank) -> double {
        std::size_t below = 0;
        for (std::size_t v = 0; v < counts.size(); ++v) {
            below += counts[v];
            if (below > rank) return static_cast<double>(static_cast<long>(v) - kOffset);
        }
        return NAN;
    };
    const auto percentile = [&](int percent) -> double {
        if (band.empty()) return NAN;
        const double position = static_cast<double>(band.size() - 1) * percent / 100.0;
        const auto lowerRank = static_cast<std::size_t>(std::floor(position));
        const double fraction = position - static_cast<double>(lowerRank);
        const double lowerValue = valueOfRank(lowerRank);
        if (fraction == 0.0 || lowerRank + 1 >= band.size()) return lowerValue;
        return lowerValue + fraction * (valueOfRank(lowerRank + 1) - lowerValue);
    };
    StretchRange range{percentile(2), percentile(98)};
    if (range.high > range.low || band.empty()) return range;
    return {valueOfRank(0), valueOfRank(band.size() - 1)};
}

template <class T>
StretchRange stretchRangeOf(std::span<const T> band) {
    if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
        return histogramStretchRange(band);
    } else if constexpr (std::is_same_v<T, double>) {
        return PercentileStretchRange(band);
    } else {
        const std::vector<double> values(band.begin(), band.end());
        return PercentileStretchRange(values);
    }
}

template <class T>
PictureRows inputPictureRows(std::span<const T> bandData, int bands, int lines, int samples,
                             std::span<const std::uint8_t> searched) {
    const auto pixelCount = static_cast<std::size_t>(lines) * static_cast<std::size_t>(samples);
    const std::size_t shownCount = searched.empty()
                                       ? pixelCount
                                       : static_cast<std::size_t>(std::count(
                                             searched.begin(), searched.end(), std::uint8_t{1}));
    if (bands < 1 || lines < 1 || samples < 1 ||
        (!searched.empty() && searched.size() != pixelCount) ||
        bandData.size() < static_cast<std::size_t>(bands) * shownCount) {
        throw std::invalid_argument("band data does not match the image geometry");
    }
    const DisplayBands shown = ChooseDisplayBands(bands);
    std::array<std::span<const T>, 3> channels;
    std::array<StretchRange, 3> ranges;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        channels[channel] = bandData.subspan(
            static_cast<std::size_t>(shown.band[channel]) * shownCount, shownCount);
        ranges[channel] = stretchRangeOf(channels[channel]);
    }
    // Where each row's first shown pixel stands among the searched ones.
    std::vector<std::size_t> rowStart(static_cast<std::size_t>(lines));
    std::size_t shownBefore = 0;
    for (std::size_t y = 0; y < rowStart.size(); ++y) {
        rowStart[y] = shownBefore;
        const std::size_t first = y * static_cast<std::size_t>(samples);
        shownBefore += searched.empty()
                           ? static_cast<std::size_t>(samples)
                           : static_cast<std::size_t>(std::count(
                                 searched.begin() + static_cast<std::ptrdiff_t>(first),
                                 searched.begin() + static_cast<std::ptrdiff_t>(first) + samples,
                                 std::uint8_t{1}));
    }
    PictureRows rows;
    rows.width = samples;
    rows.height = lines;
    rows.fillRow = [channels, ranges, searched, samples, rowStart = std::move(rowStart)](
                       int y, std::uint8_t* row) {
        const std::size_t first = static_cast<std::size_t>(y) * static_cast<std::size_t>(samples);
        std::size_t q = rowStart[static_cast<std::size_t>(y)];
        for (std::size_t x = 0; x < static_cast<std::size_t>(samples); ++x) {
            std::uint8_t* pixel = row + x * 3;
            if (!searched.empty() && searched[first + x] == 0) {
                std::fill_n(pixel, 3, kLeftOutGrey);
                continue;
            }
            for (std::size_t channel = 0; channel < 3; ++channel) {
                pixel[channel] =
                    StretchToByte(static_cast<double>(channels[channel][q]), ranges[channel]);
            }
            ++q;
        }
    };
    return rows;
}

}  // namespace

PictureRows RowsOf(const Picture& picture) {
    PictureRows rows;
    rows.width = picture.width;
    rows.height = picture.height;
    rows.palette = picture.palette;
    rows.transparentIndex = picture.transparentIndex;
    const std::size_t rowBytes = rows.rowBytes();
    rows.fillRow = [&picture, rowBytes](int y, std::uint8_t* row) {
        std::copy_n(picture.pixels.begin() +
                        static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * rowBytes),
                    rowBytes, row);
    };
    return rows;
}

Picture PictureOf(const PictureRows& rows) {
    Picture picture;
    picture.width = rows.width;
    picture.height = rows.height;
    picture.palette = rows.palette;
    picture.transparentIndex = rows.transparentIndex;
    const std::size_t rowBytes = rows.rowBytes();
    picture.pixels.resize(rowBytes * static_cast<std::size_t>(rows.height));
    for (int y = 0; y < rows.height; ++y) {
        rows.fillRow(y, picture.pixels.data() + static_cast<std::size_t>(y) * rowBytes);
    }
    return picture;
}

Picture InputPicture(std::span<const double> bandData, int bands, int lines, int samples,
                     std::span<const std::uint8_t> searched) {
    return PictureOf(inputPictureRows(bandData, bands, lines, samples, searched));
}

Picture InputPicture(const BandSamples& bandData, int bands, int lines, int samples,
                     std::span<const std::uint8_t> searched) {
    return PictureOf(InputPictureRows(bandData, bands, lines, samples, searched));
}

PictureRows InputPictureRows(const BandSamples& bandData, int bands, int lines, int samples,
                             std::span<const std::uint8_t> searched) {
    return bandData.Visit([&](const auto& values) {
        return inputPictureRows(std::span(values.data(), values.size()), bands, lines, samples,
                                searched);
    });
}

PictureRows ClassMapRows(std::span<const std::uint8_t> labels, int lines, int samples, int classes,
                         bool zeroIsTransparent, std::span<const int> legend) {
    const auto pixelCount = static_cast<std::size_t>(lines) * static_cast<std::size_t>(samples);
    if (lines < 1 || samples < 1 || labels.size() < pixelCount) {
        throw std::invalid_argument("labels do not match the image geometry");
    }
    const int colours = std::clamp(classes, 1, 256);
    PictureRows rows;
    rows.width = samples;
    rows.height = lines;
    for (int c = 0; c < colours; ++c) {
        const auto label = static_cast<std::size_t>(c);
        const int shown = c >= 1 && label <= legend.size() ? legend[label - 1] : c;
        rows.palette.push_back(classColourTable[static_cast<std::size_t>(std::max(shown, 0)) %
                                                classColourTable.size()]);
    }
    if (zeroIsTransparent) rows.transparentIndex = 0;
    rows.fillRow = [labels, samples, colours](int y, std::uint8_t* row) {
        const auto width = static_cast<std::size_t>(samples);
        const std::uint8_t* from = labels.data() + static_cast<std::size_t>(y) * width;
        for (std::size_t x = 0; x < width; ++x) row[x] = from[x] < colours ? from[x] : 0;
    };
    return rows;
}

Picture ClassMapPicture(std::span<const std::uint8_t> labels, int lines, int samples, int classes,
                        bool zeroIsTransparent, std::span<const int> legend) {
    return PictureOf(ClassMapRows(labels, lines, samples, classes, zeroIsTransparent, legend));
}

Picture ScaledDown(const Picture& picture, int maxSide) {
    const int longSide = std::max(picture.width, picture.height);
    if (maxSide < 1 || longSide <= maxSide) return picture;
    return ScaledDown(RowsOf(picture), maxSide);
}

Picture ScaledDown(const PictureRows& rows, int maxSide) {
    const int longSide = std::max(rows.width, rows.height);
    if (maxSide < 1 || longSide <= maxSide) return PictureOf(rows);
    const auto scaledSide = [&](int side) {
        const long long rounded =
            (static_cast<long long>(side) * maxSide + longSide / 2) / longSide;
        return static_cast<int>(std::max(1LL, rounded));
    };
    Picture scaled;
    scaled.width = scaledSide(rows.width);
    scaled.height = scaledSide(rows.height);
    scaled.palette = rows.palette;
    scaled.transparentIndex = rows.transparentIndex;
    const std::size_t channels = rows.channels();
    scaled.pixels.resize(static_cast<std::size_t>(scaled.width) *
                         static_cast<std::size_t>(scaled.height) * channels);
    std::vector<std::uint8_t> source(static_cast<std::size_t>(rows.width) * channels);
    long long filled = -1;
    for (int y = 0; y < scaled.height; ++y) {
        // The source pixel under the centre of the target pixel.
        const long long sourceY = (2LL * y + 1) * rows.height / (2LL * scaled.height);
        if (sourceY != filled) {
            rows.fillRow(static_cast<int>(sourceY), source.data());
            filled = sourceY;
        }
        for (int x = 0; x < scaled.width; ++x) {
            const long long sourceX = (2LL * x + 1) * rows.width / (2LL * scaled.width);
            const std::size_t to =
                (static_cast<std::size_t>(y) * static_cast<std::size_t>(scaled.width) +
                 static_cast<std::size_t>(x)) *
                channels;
            std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(sourceX) *
                                             static_cast<std::ptrdiff_t>(channels),
                        channels, scaled.pixels.begin() + static_cast<std::ptrdiff_t>(to));
        }
    }
    return scaled;
}

namespace {

// What the encoder's callbacks reach: the bytes written so far and the encoder's last error.
struct PngOutput {
    std::vector<std::uint8_t>* bytes = nullptr;
    char message[256] = "";
};

// The encoder's error callback: keeps the reason and returns to EncodePng (it must not return).
void onPngError(png_structp png, png_const_charp message) {
    auto* output = static_cast<PngOutput*>(png_get_error_ptr(png));
    std::snprintf(output->message, sizeof output->message, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void appendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* output = static_cast<PngOutput*>(png_get_io_ptr(png));
    bool full = false;
    try {
        output->bytes->insert(output->bytes->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        full = true;
    }
    if (full) png_error(png, "out of memory");
}

void flushPng(png_structp) {}

// Frees the encoder however EncodePng ends.
struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngWriter() = default;
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

// The bit depth of a palette of `entries` colours: the fewest bits that index them all.
int paletteBitDepth(std::size_t entries) {
    if (entries > 16) return 8;
    if (entries > 4) return 4;
    return entries > 2 ? 2 : 1;
}

// Writes the header, the rows and the end. Holds nothing of its own, since an encoder error
// leaves it by a long jump: `colours`, `alpha` and `row` are EncodePng's.
void writePng(png_structp png, png_infop info, const PictureRows& rows,
              const std::vector<png_color>& colours, const std::vector<png_byte>& alpha,
              std::uint8_t* row) {
    const bool palette = !colours.empty();
    png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width),
                 static_cast<png_uint_32>(rows.height),
                 palette ? paletteBitDepth(colours.size()) : 8,
                 palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (palette) png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    if (!alpha.empty()) {
        png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
    }
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    // Rows come one palette index a byte; the file packs them to its bit depth.
    if (palette && colours.size() <= 16) png_set_packing(png);
    for (int y = 0; y < rows.height; ++y) {
        rows.fillRow(y, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Picture& picture) {
    const std::size_t channels = picture.palette.empty() ? 3 : 1;
    if (picture.width < 1 || picture.height < 1 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) *
                                     static_cast<std::size_t>(picture.height) * channels) {
        throw std::invalid_argument("picture size does not match its pixels");
    }
    return EncodePng(RowsOf(picture));
}

std::vector<std::uint8_t> EncodePng(const PictureRows& rows) {
    if (rows.width < 1 || rows.height < 1 || rows.palette.size() > 256 || !rows.fillRow) {
        throw std::invalid_argument("picture size does not match its pixels");
    }
    std::vector<png_color> colours;
    for (const ClassColour& colour : rows.palette) {
        colours.push_back({colour.red, colour.green, colour.blue});
    }
    // Entries up to the transparent one, all opaque but it.
    std::vector<png_byte> alpha;
    if (!colours.empty() && rows.transparentIndex >= 0 &&
        static_cast<std::size_t>(rows.transparentIndex) < colours.size()) {
        alpha.assign(static_cast<std::size_t>(rows.transparentIndex) + 1, 255);
        alpha.back() = 0;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rows.width) * (colours.empty() ? 3 : 1));
    std::vector<std::uint8_t> bytes;
    PngOutput output;
    output.bytes = &bytes;
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &output, onPngError, onPngWarning);
    if (writer.png != nullptr) writer.info = png_create_info_struct(writer.png);
    if (writer.info == nullptr) throw std::runtime_error("PNG encoding failed: out of memory");
    if (setjmp(png_jmpbuf(writer.png))) {
        throw std::runtime_error(std::string("PNG encoding failed: ") + output.message);
    }
    png_set_write_fn(writer.png, &output, appendPngBytes, flushPng);
    writePng(writer.png, writer.info, rows, colours, alpha, row.data());
    return bytes;
}

}  // namespace tavorin
