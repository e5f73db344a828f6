#include "image/EnviRawReader.h"

#include <sys/stat.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "image/EnviImageSize.h"
#include "image/SampleDecoding.h"
#include "platform/LargeBuffer.h"
#include "platform/MemoryCheck.h"
#include "platform/NumberText.h"
#include "platform/RegularFile.h"
#include "platform/UserError.h"

namespace tavorin::envi::detail {
namespace {

using platform::formatInt;

// Samples decoded per read while the band data are filled.
constexpr std::size_t kSamplesPerChunk = std::size_t{1} << 16;

using FilePointer = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

// Refuses, before anything is allocated, an image whose `bytes` exceed this computer's memory.
void checkFitsInMemory(const SampleLayout& layout) {
    if (const std::optional<std::string> exceeded =
            platform::ExceedsPhysicalMemory(BandDataBytes(layout))) {
        ThrowTooLarge(layout, *exceeded);
    }
}

// Refuses, before anything is allocated, a geometry that no read can serve: ReadHeader
// refuses these already, but the fields may have been set directly.
void checkReadableGeometry(const CEnviImage& image) {
    const SampleLayout layout = LayoutOf(image);
    if (image.samples <= 0 || image.lines <= 0 || image.bands <= 0 || image.headerOffset < 0) {
        throw UserError("The image of " + GeometryText(layout) +
                        " cannot be read: it needs at "
                        "least one sample, one line and one band.");
    }
    if (!ByteCountsFit(layout)) ThrowTooLarge(layout, "");
}

// Maps the file-order index of each sample to its band-sequential index, one sample after the
// other, without a division per sample.
class InterleaveCursor {
  public:
    InterleaveCursor(const CEnviImage& image)
        : interleave_(image.interleave),
          bands_(image.bands),
          samples_(image.samples),
          pixelCount_(image.PixelCount()) {}

    std::int64_t next() {
        std::int64_t target = 0;
        switch (interleave_) {
            case CEnviImage::Interleave::Bsq:
                target = position_++;
                break;
            case CEnviImage::Interleave::Bip:
                // File order: pixel, then band.
                target = band_ * pixelCount_ + pixel_;
                if (++band_ == bands_) {
                    band_ = 0;
                    ++pixel_;
                }
                break;
            case CEnviImage::Interleave::Bil:
                // File order: line, then band, then sample.
                target = band_ * pixelCount_ + line_ * samples_ + sample_;
                if (++sample_ == samples_) {
                    sample_ = 0;
                    if (++band_ == bands_) {
                        band_ = 0;
                        ++line_;
                    }
                }
                break;
        }
        return target;
    }

  private:
    CEnviImage::Interleave interleave_;
    std::int64_t bands_;
    std::int64_t samples_;
    std::int64_t pixelCount_;
    std::int64_t position_ = 0;
    std::int64_t pixel_ = 0;
    std::int64_t band_ = 0;
    std::int64_t line_ = 0;
    std::int64_t sample_ = 0;
};

// The raw file of `image`, positioned at its first sample, once it is known to hold every
// sample the header promises.
FilePointer openRawFile(const CEnviImage& image) {
    const std::string& path = image.fileName;
    const std::string cannotOpen = "Cannot open the image file " + inQuotes(path) + ".";
    platform::RegularFile raw = platform::OpenRegularFile(path);
    if (raw.problem == platform::RegularFile::Problem::NotRegular) {
        throw UserError("The image file " + inQuotes(path) + " is not a regular file.");
    }
    if (!raw.file) throw UserError(cannotOpen);
    FilePointer file(raw.file.release(), &std::fclose);

    const std::int64_t promised = image.headerOffset + image.RawByteCount();
    if (raw.size < promised) {
        throw UserError("The image file " + inQuotes(path) + " is too short: it holds " +
                        formatInt(raw.size) + " bytes, but its header promises " +
                        formatInt(promised) + " bytes.");
    }
    if (::fseeko(file.get(), static_cast<off_t>(image.headerOffset), SEEK_SET) != 0) {
        throw UserError("Cannot read the image file " + inQuotes(path) + ".");
    }
    return file;
}

void readExactly(std::FILE* file, unsigned char* buffer, std::size_t count,
                 const CEnviImage& image) {
    if (count == 0) return;
    if (std::fread(buffer, 1, count, file) != count) {
        throw UserError("Cannot read the image file " + inQuotes(image.fileName) +
                        ": it ended before the " + formatInt(image.RawByteCount()) +
                        " bytes its header promises.");
    }
}

}  // namespace

std::vector<unsigned char> ReadRawSamples(const CEnviImage& image) {
    checkReadableGeometry(image);
    const std::int64_t byteCount = image.RawByteCount();
    checkFitsInMemory(LayoutOf(image));
    FilePointer file = openRawFile(image);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(byteCount));
    readExactly(file.get(), buffer.data(), buffer.size(), image);
    return buffer;
}

namespace {

// A stretch of the raw file's samples, `start` counted from the first sample.
struct SampleRun {
    std::int64_t start;
    std::int64_t count;
};

// Where the lines firstLine .. firstLine + lineCount - 1 lie in the file: one stretch a band
// for a band-sequential file, one stretch of whole lines for the interleaved ones.
std::vector<SampleRun> lineRuns(const CEnviImage& image, int firstLine, int lineCount) {
    const std::int64_t lineSamples = image.samples;
    if (image.interleave != CEnviImage::Interleave::Bsq) {
        const std::int64_t perLine = lineSamples * image.bands;
        return {{firstLine * perLine, lineCount * perLine}};
    }
    std::vector<SampleRun> runs;
    for (std::int64_t b = 0; b < image.bands; ++b) {
        runs.push_back({b * image.PixelCount() + firstLine * lineSamples, lineCount * lineSamples});
    }
    return runs;
}

// Reads the lines firstLine .. firstLine + lineCount - 1 band-sequentially into `values` (one
// per sample), whatever the file's interleave and byte order; `decode` turns a run of the
// file's samples into values.
template <class T, class Decode>
void readBandSequential(const CEnviImage& image, int firstLine, int lineCount,
                        std::vector<T>& values, Decode decode) {
    const int sampleBytes = CEnviImage::BytesPerSample(image.dataType);
    CEnviImage slice = image;
    slice.lines = lineCount;
    const std::int64_t valueCount = slice.PixelCount() * image.bands;
    FilePointer file = openRawFile(image);

    values = platform::LargeZeroed<T>(static_cast<std::size_t>(valueCount));
    std::vector<unsigned char> chunkBytes(kSamplesPerChunk * static_cast<std::size_t>(sampleBytes));
    std::vector<T> chunkValues;
    if (image.interleave != CEnviImage::Interleave::Bsq) chunkValues.resize(kSamplesPerChunk);
    InterleaveCursor cursor(slice);
    const bool bigEndian = image.byteOrder == 1;

    std::int64_t done = 0;
    std::int64_t filePosition = 0;  // in samples after the header offset
    for (const SampleRun& run : lineRuns(image, firstLine, lineCount)) {
        if (run.start != filePosition) {
            const std::int64_t at = image.headerOffset + run.start * sampleBytes;
            if (::fseeko(file.get(), static_cast<off_t>(at), SEEK_SET) != 0) {
                throw UserError("Cannot read the image file " + inQuotes(image.fileName) + ".");
            }
        }
        for (std::int64_t left = run.count; left > 0;) {
            const auto count = static_cast<std::size_t>(
                std::min<std::int64_t>(left, static_cast<std::int64_t>(kSamplesPerChunk)));
            readExactly(file.get(), chunkBytes.data(),
                        count * static_cast<std::size_t>(sampleBytes), image);
            if (image.interleave == CEnviImage::Interleave::Bsq) {
                decode(chunkBytes.data(), count, image.dataType, bigEndian, values.data() + done);
            } else {
                decode(chunkBytes.data(), count, image.dataType, bigEndian, chunkValues.data());
                for (std::size_t i = 0; i < count; ++i) {
                    values[static_cast<std::size_t>(cursor.next())] = chunkValues[i];
                }
            }
            done += static_cast<std::int64_t>(count);
            left -= static_cast<std::int64_t>(count);
        }
        filePosition = run.start + run.count;
    }
}

}  // namespace

std::vector<double> ReadBandSequential(const CEnviImage& image) {
    checkReadableGeometry(image);
    // Held as doubles, whatever the file's type.
    SampleLayout doubles = LayoutOf(image);
    doubles.dataType = 5;
    checkFitsInMemory(doubles);
    std::vector<double> values;
    readBandSequential(image, 0, image.lines, values, DecodeSamples);
    return values;
}

BandSamples ReadBandSamples(const CEnviImage& image) {
    return ReadBandSamples(image, 0, image.lines);
}

BandSamples ReadBandSamples(const CEnviImage& image, int firstLine, int lineCount) {
    checkReadableGeometry(image);
    if (firstLine < 0 || lineCount < 0 || firstLine > image.lines - lineCount) {
        throw std::invalid_argument("ReadBandSamples: lines outside the image");
    }
    CEnviImage slice = image;
    slice.lines = lineCount;
    checkFitsInMemory(LayoutOf(slice));
    BandSamples samples = BandSamples::Zeroed(image.StoredType(), 0);
    samples.Visit([&](auto& values) {
        readBandSequential(
            image, firstLine, lineCount, values,
            [](const unsigned char* bytes, std::size_t count, int dataType, bool bigEndian,
               auto* out) { DecodeNativeSamples(bytes, count, dataType, bigEndian, out); });
    });
    return samples;
}

}  // namespace tavorin::envi::detail
