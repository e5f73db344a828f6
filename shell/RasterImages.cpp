#include "shell/RasterImages.h"

#include <cmath>

namespace tavorin::shell {
namespace {

// The source index of output index `i` at `step`: the middle of its block, inside `size`.
int SourceIndex(int i, int step, int size) { return std::min(i * step + step / 2, size - 1); }

int ShrunkSize(int size, int step) { return (size + step - 1) / step; }

}  // namespace

std::vector<LeftOutReason> LeftOutReasons(std::span<const double> bandData, int bands,
                                          std::size_t pixelCount,
                                          const std::vector<std::optional<double>>& bandNodata) {
    std::vector<LeftOutReason> reasons(pixelCount, LeftOutReason::None);
    bool any = false;
    const bool hasNodata = [&] {
        for (const auto& value : bandNodata)
            if (value) return true;
        return false;
    }();
    for (std::size_t p = 0; p < pixelCount; ++p) {
        bool allNodata = hasNodata;
        bool nonFinite = false;
        for (int b = 0; b < bands; ++b) {
            const double value = bandData[static_cast<std::size_t>(b) * pixelCount + p];
            if (!std::isfinite(value)) nonFinite = true;
            const auto bandIndex = static_cast<std::size_t>(b);
            if (bandIndex < bandNodata.size() && bandNodata[bandIndex] &&
                value != *bandNodata[bandIndex])
                allNodata = false;
        }
        if (nonFinite || allNodata) {
            reasons[p] = nonFinite ? LeftOutReason::NonFinite : LeftOutReason::Nodata;
            any = true;
        }
    }
    if (!any) reasons.clear();
    return reasons;
}

FalseColourStretch ChooseFalseColourStretch(std::span<const double> bandData, int bands,
                                            std::size_t pixelCount,
                                            const std::vector<LeftOutReason>& leftOut) {
    FalseColourStretch stretch;
    stretch.bands = ChooseDisplayBands(bands);
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const auto band = bandData.subspan(
            static_cast<std::size_t>(stretch.bands.band[channel]) * pixelCount, pixelCount);
        if (channel > 0 && stretch.bands.band[channel] == stretch.bands.band[channel - 1]) {
            stretch.ranges[channel] = stretch.ranges[channel - 1];
            continue;
        }
        if (leftOut.empty()) {
            stretch.ranges[channel] = PercentileStretchRange(band);
            continue;
        }
        std::vector<double> searched;
        for (std::size_t p = 0; p < pixelCount; ++p)
            if (leftOut[p] == LeftOutReason::None) searched.push_back(band[p]);
        stretch.ranges[channel] = PercentileStretchRange(searched);
    }
    return stretch;
}

int OverviewStep(int lines, int samples, int longestSide) {
    const int longest = std::max(lines, samples);
    return std::max(1, (longest + longestSide - 1) / longestSide);
}

QImage FalseColourImage(std::span<const double> bandData, int lines, int samples,
                        const std::vector<LeftOutReason>& leftOut,
                        const FalseColourStretch& stretch, int step) {
    const auto pixelCount = static_cast<std::size_t>(lines) * static_cast<std::size_t>(samples);
    QImage image(ShrunkSize(samples, step), ShrunkSize(lines, step), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto line = static_cast<std::size_t>(SourceIndex(y, step, lines));
        for (int x = 0; x < image.width(); ++x) {
            const std::size_t p = line * static_cast<std::size_t>(samples) +
                                  static_cast<std::size_t>(SourceIndex(x, step, samples));
            if (!leftOut.empty() && leftOut[p] != LeftOutReason::None) {
                row[x] = qRgb(kLeftOutGrey, kLeftOutGrey, kLeftOutGrey);
                continue;
            }
            std::array<int, 3> rgb{};
            for (std::size_t channel = 0; channel < 3; ++channel) {
                const auto band = static_cast<std::size_t>(stretch.bands.band[channel]);
                rgb[channel] =
                    StretchToByte(bandData[band * pixelCount + p], stretch.ranges[channel]);
            }
            row[x] = qRgb(rgb[0], rgb[1], rgb[2]);
        }
    }
    return image;
}

QImage ClassMapImage(std::span<const std::uint8_t> labels, int lines, int samples,
                     const std::vector<ClassColour>& labelColours, int step) {
    std::array<QRgb, 256> colours{};
    for (std::size_t label = 1; label < 256 && label < labelColours.size(); ++label) {
        const ClassColour& colour = labelColours[label];
        colours[label] = qRgb(colour.red, colour.green, colour.blue);
    }
    QImage image(ShrunkSize(samples, step), ShrunkSize(lines, step),
                 QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto line = static_cast<std::size_t>(SourceIndex(y, step, lines));
        for (int x = 0; x < image.width(); ++x)
            row[x] = colours[labels[line * static_cast<std::size_t>(samples) +
                                    static_cast<std::size_t>(SourceIndex(x, step, samples))]];
    }
    return image;
}

}  // namespace tavorin::shell
