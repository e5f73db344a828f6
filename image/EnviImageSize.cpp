#include "image/EnviImageSize.h"

#include "platform/MemoryCheck.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin::envi::detail {

using platform::formatInt;

SampleLayout LayoutOf(const CEnviImage& image) {
    return {image.samples, image.lines, image.bands, image.dataType, image.headerOffset};
}

std::string GeometryText(const SampleLayout& layout) {
    return formatInt(layout.samples) + " samples, " + formatInt(layout.lines) + " lines and " +
           formatInt(layout.bands) + " bands";
}

double BandDataBytes(const SampleLayout& layout) {
    // Samples are held in their own type; a type the reader refuses counts as doubles.
    int sampleBytes = 8;
    for (const int code : {1, 2, 3, 4, 5, 12, 13}) {
        if (layout.dataType == code) sampleBytes = CEnviImage::BytesPerSample(code);
    }
    return static_cast<double>(layout.samples) * static_cast<double>(layout.lines) *
           static_cast<double>(layout.bands) * sampleBytes;
}

bool ByteCountsFit(const SampleLayout& layout) {
    const std::int64_t pixelCount =
        static_cast<std::int64_t>(layout.lines) * static_cast<std::int64_t>(layout.samples);
    std::int64_t values = 0, rawBytes = 0, doubleBytes = 0, lastByte = 0;
    // The data type is looked at only when the value count fits: a geometry that overflows is
    // refused as too large whatever its type.
    return !__builtin_mul_overflow(pixelCount, static_cast<std::int64_t>(layout.bands), &values) &&
           !__builtin_mul_overflow(
               values, static_cast<std::int64_t>(CEnviImage::BytesPerSample(layout.dataType)),
               &rawBytes) &&
           !__builtin_mul_overflow(values, std::int64_t{8}, &doubleBytes) &&
           !__builtin_add_overflow(rawBytes, layout.headerOffset, &lastByte);
}

void ThrowTooLarge(const SampleLayout& layout, const std::string& detail) {
    // Samples that fit but an offset that pushes them past any file size: the memory needed is
    // not the problem, so the message names the offset.
    const std::int64_t pixelCount =
        static_cast<std::int64_t>(layout.lines) * static_cast<std::int64_t>(layout.samples);
    std::int64_t values = 0, rawBytes = 0, lastByte = 0;
    if (!__builtin_mul_overflow(pixelCount, static_cast<std::int64_t>(layout.bands), &values) &&
        !__builtin_mul_overflow(
            values, static_cast<std::int64_t>(CEnviImage::BytesPerSample(layout.dataType)),
            &rawBytes) &&
        __builtin_add_overflow(rawBytes, layout.headerOffset, &lastByte)) {
        throw UserError("The header offset of " + formatInt(layout.headerOffset) +
                        " bytes leaves no room for the image's " + formatInt(rawBytes) +
                        " bytes of samples: no file can be that large.");
    }
    throw UserError("The image of " + GeometryText(layout) + " is too large: it would need about " +
                    platform::GigabytesText(BandDataBytes(layout)) + " of memory" + detail + ".");
}

}  // namespace tavorin::envi::detail
