#include "image/LeftOutPixels.h"

#include <cmath>
#include <cstddef>
#include <type_traits>
#include <utility>

namespace tavorin {
namespace {

constexpr std::uint8_t kNoData = 1;     // every band with a nodata value holds it so far
constexpr std::uint8_t kNotFinite = 2;  // some sample is NaN or infinite

}  // namespace

std::vector<std::optional<double>> ApplyNodataRule(
    const NodataRule& rule, const std::vector<std::optional<double>>& declared, int bands) {
    switch (rule.source) {
        case NodataRule::Source::None:
            return {};
        case NodataRule::Source::Given:
            return std::vector<std::optional<double>>(static_cast<std::size_t>(bands), rule.value);
        case NodataRule::Source::Declared:
            break;
    }
    for (const auto& value : declared) {
        if (value) return declared;
    }
    return {};
}

namespace {

template <class T>
LeftOutPixels leaveOut(std::vector<T>& bandData, long long pixelCount, int bands,
                       const std::vector<std::optional<double>>& bandNodata) {
    constexpr bool kMayBeNonFinite = std::is_floating_point_v<T>;
    const auto pixels = static_cast<std::size_t>(pixelCount);
    const auto bandTotal = static_cast<std::size_t>(bands);
    bool anyNodata = false;
    for (const auto& value : bandNodata) anyNodata = anyNodata || value.has_value();
    // Integer samples are always finite: without a nodata value nothing is left out.
    if (!anyNodata && !kMayBeNonFinite) return {};

    // One pass per band, in the order the samples lie.
    std::vector<std::uint8_t> state(pixels, anyNodata ? kNoData : 0);
    for (std::size_t b = 0; b < bandTotal; ++b) {
        const T* band = bandData.data() + b * pixels;
        const bool hasNodata = b < bandNodata.size() && bandNodata[b].has_value();
        const double nodata = hasNodata ? *bandNodata[b] : 0.0;
        for (std::size_t p = 0; p < pixels; ++p) {
            const double value = static_cast<double>(band[p]);
            if (kMayBeNonFinite && !std::isfinite(value)) state[p] |= kNotFinite;
            if (hasNodata && value != nodata) state[p] &= static_cast<std::uint8_t>(~kNoData);
        }
    }

    LeftOutPixels leftOut;
    for (const std::uint8_t s : state) {
        if (s & kNotFinite) {
            ++leftOut.nonFiniteCount;
        } else if (s & kNoData) {
            ++leftOut.nodataCount;
        }
    }
    if (leftOut.count() == 0) return leftOut;

    for (std::uint8_t& s : state) s = s == 0 ? 1 : 0;
    const std::size_t kept = pixels - static_cast<std::size_t>(leftOut.count());
    // Every sample moves to an index no greater than its own, so one forward pass suffices.
    std::size_t target = 0;
    for (std::size_t b = 0; b < bandTotal; ++b) {
        const std::size_t source = b * pixels;
        for (std::size_t p = 0; p < pixels; ++p) {
            if (state[p] != 0) bandData[target++] = bandData[source + p];
        }
    }
    bandData.resize(kept * bandTotal);
    bandData.shrink_to_fit();
    leftOut.searched = std::move(state);
    return leftOut;
}

}  // namespace

LeftOutPixels LeaveOutPixels(std::vector<double>& bandData, long long pixelCount, int bands,
                             const std::vector<std::optional<double>>& bandNodata) {
    return leaveOut(bandData, pixelCount, bands, bandNodata);
}

LeftOutPixels LeaveOutPixels(BandSamples& bandData, long long pixelCount, int bands,
                             const std::vector<std::optional<double>>& bandNodata) {
    return bandData.Visit(
        [&](auto& values) { return leaveOut(values, pixelCount, bands, bandNodata); });
}

}  // namespace tavorin
