#include "report/QuickLookPng.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
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
Picture inputPicture(std::span<const T> bandData, int bands, int lines, int samples,
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
    Picture picture;
    picture.width = samples;
    picture.height = lines;
    picture.pixels.resize(pixelCount * 3);
    for (int channel = 0; channel < 3; ++channel) {
        const auto band = bandData.subspan(
            static_cast<std::size_t>(shown.band[channel]) * shownCount, shownCount);
        const StretchRange range = stretchRangeOf(band);
        std::size_t q = 0;
        for (std::size_t p = 0; p < pixelCount; ++p) {
            const bool left = !searched.empty() && searched[p] == 0;
            picture.pixels[p * 3 + static_cast<std::size_t>(channel)] =
                left ? kLeftOutGrey : StretchToByte(static_cast<double>(band[q++]), range);
        }
    }
    return picture;
}

}  // namespace

Picture InputPicture(std::span<const double> bandData, int bands, int lines, int samples,
                     std::span<const std::uint8_t> searched) {
    return inputPicture(bandData, bands, lines, samples, searched);
}

Picture InputPicture(const BandSamples& bandData, int bands, int lines, int samples,
                     std::span<const std::uint8_t> searched) {
    return bandData.Visit([&](const auto& values) {
        return inputPicture(std::span(values.data(), values.size()), bands, lines, samples,
                            searched);
    });
}

Picture ClassMapPicture(std::span<const std::uint8_t> labels, int lines, int samples, int classes,
                        bool zeroIsTransparent, std::span<const int> legend) {
    const auto pixelCount = static_cast<std::size_t>(lines) * static_cast<std::size_t>(samples);
    if (lines < 1 || samples < 1 || labels.size() < pixelCount) {
        throw std::invalid_argument("labels do not match the image geometry");
    }
    const int colours = std::clamp(classes, 1, 256);
    Picture picture;
    picture.width = samples;
    picture.height = lines;
    for (int c = 0; c < colours; ++c) {
        const auto label = static_cast<std::size_t>(c);
        const int shown = c >= 1 && label <= legend.size() ? legend[label - 1] : c;
        picture.palette.push_back(classColourTable[static_cast<std::size_t>(std::max(shown, 0)) %
                                                   classColourTable.size()]);
    }
    if (zeroIsTransparent) picture.transparentIndex = 0;
    picture.pixels.resize(pixelCount);
    for (std::size_t p = 0; p < pixelCount; ++p) {
        picture.pixels[p] = labels[p] < colours ? labels[p] : 0;
    }
    return picture;
}

Picture ScaledDown(const Picture& picture, int maxSide) {
    const int longSide = std::max(picture.width, picture.height);
    if (maxSide < 1 || longSide <= maxSide) return picture;
    const auto scaledSide = [&](int side) {
        const long long rounded =
            (static_cast<long long>(side) * maxSide + longSide / 2) / longSide;
        return static_cast<int>(std::max(1LL, rounded));
    };
    Picture scaled;
    scaled.width = scaledSide(picture.width);
    scaled.height = scaledSide(picture.height);
    scaled.palette = picture.palette;
    scaled.transparentIndex = picture.transparentIndex;
    const std::size_t channels = picture.palette.empty() ? 3 : 1;
    scaled.pixels.resize(static_cast<std::size_t>(scaled.width) * scaled.height * channels);
    for (int y = 0; y < scaled.height; ++y) {
        // The source pixel under the centre of the target pixel.
        const long long sourceY = (2LL * y + 1) * picture.height / (2LL * scaled.height);
        for (int x = 0; x < scaled.width; ++x) {
            const long long sourceX = (2LL * x + 1) * picture.width / (2LL * scaled.width);
            const std::size_t from =
                static_cast<std::size_t>(sourceY * picture.width + sourceX) * channels;
            const std::size_t to = (static_cast<std::size_t>(y) * scaled.width + x) * channels;
            std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(from), channels,
                        scaled.pixels.begin() + static_cast<std::ptrdiff_t>(to));
        }
    }
    return scaled;
}

std::vector<std::uint8_t> EncodePng(const Picture& picture) {
    const std::size_t channels = picture.palette.empty() ? 3 : 1;
    if (picture.width < 1 || picture.height < 1 || picture.palette.size() > 256 ||
        picture.pixels.size() !=
            static_cast<std::size_t>(picture.width) * picture.height * channels) {
        throw std::invalid_argument("picture size does not match its pixels");
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    std::vector<std::uint8_t> colourMap;
    if (picture.palette.empty()) {
        image.format = PNG_FORMAT_RGB;
    } else {
        const bool transparent = picture.transparentIndex >= 0;
        image.format = transparent ? PNG_FORMAT_RGBA_COLORMAP : PNG_FORMAT_RGB_COLORMAP;
        image.colormap_entries = static_cast<png_uint_32>(picture.palette.size());
        for (std::size_t c = 0; c < picture.palette.size(); ++c) {
            const ClassColour& colour = picture.palette[c];
            colourMap.insert(colourMap.end(), {colour.red, colour.green, colour.blue});
            if (transparent) {
                const bool clear = static_cast<int>(c) == picture.transparentIndex;
                colourMap.push_back(clear ? std::uint8_t{0} : std::uint8_t{255});
            }
        }
    }
    // Enough for the pixels stored uncompressed; retried with the size the encoder asks for.
    png_alloc_size_t size =
        picture.pixels.size() + static_cast<std::size_t>(picture.height) * 8 + 4096;
    std::vector<std::uint8_t> bytes(size);
    const void* colourMapData = colourMap.empty() ? nullptr : colourMap.data();
    int written = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.pixels.data(),
                                            0, colourMapData);
    if (!written && size > bytes.size()) {
        bytes.resize(size);
        image.opaque = nullptr;
        written = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.pixels.data(),
                                            0, colourMapData);
    }
    if (!written) {
        const std::string reason = image.message;
        png_image_free(&image);
        throw std::runtime_error("PNG encoding failed: " + reason);
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace tavorin
