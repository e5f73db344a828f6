#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "image/BandSamples.h"

namespace tavorin {

// The pixels an image leaves out of the classification: those without data in every band and
// those with a sample that is not a finite number. They take no part in the search and are
// labelled 0, "Unclassified", in every map.
struct LeftOutPixels {
    // Entry p is 1 for a pixel the search takes and 0 for one left out; empty when no pixel
    // is left out.
    std::vector<std::uint8_t> searched;
    long long nodataCount = 0;     // every band with a nodata value holds it
    long long nonFiniteCount = 0;  // some sample is NaN or infinite

    long long count() const { return nodataCount + nonFiniteCount; }
};

// Which nodata value a run applies: the one the image declares (ENVI's "data ignore value",
// GDAL's band nodata), none, or one given for every band.
struct NodataRule {
    enum class Source { Declared, None, Given };
    Source source = Source::Declared;
    double value = 0.0;  // the given value
};

// Each band's nodata value under `rule` for an image of `bands` bands that declares `declared`
// (one entry a band, or none); empty when no band has one.
std::vector<std::optional<double>> ApplyNodataRule(
    const NodataRule& rule, const std::vector<std::optional<double>>& declared, int bands);

// Finds the pixels to leave out of `bandData` (band-sequential, `pixelCount` pixels a band) and
// removes them: the remaining pixels move up in their order, so that `bandData` becomes the
// band-sequential image of the searched pixels alone. A pixel is left out when every band that
// has a nodata value in `bandNodata` (one entry a band, or none) holds it there, or when any of
// its samples is NaN or infinite. `bandData` is left as it is when no pixel is left out.
LeftOutPixels LeaveOutPixels(std::vector<double>& bandData, long long pixelCount, int bands,
                             const std::vector<std::optional<double>>& bandNodata);
LeftOutPixels LeaveOutPixels(BandSamples& bandData, long long pixelCount, int bands,
                             const std::vector<std::optional<double>>& bandNodata);

}  // namespace tavorin
