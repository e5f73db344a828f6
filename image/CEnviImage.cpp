#include "image/CEnviImage.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "image/ClassColours.h"
#include "image/EnviHeaderText.h"
#include "image/SampleDecoding.h"
#include "platform/FileOutput.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

using platform::formatInt;

constexpr const char* kMissingHeaderMessage = "Please generate the file header using ENVI！";
constexpr const char* kUnsupportedTypeMessage = "暂不处理此种数据类型！";

// Samples decoded per read while the band data are filled.
constexpr std::size_t kSamplesPerChunk = std::size_t{1} << 16;

using FilePointer = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string geometryText(const CEnviImage& image) {
    return formatInt(image.samples) + " samples, " + formatInt(image.lines) + " lines and " +
           formatInt(image.bands) + " bands";
}

// Memory in decimal gigabytes, three significant digits.
std::string gigabytesText(double bytes) {
    return platform::formatGeneral(bytes / 1e9, 3) + " GB";
}

// The bytes the image needs once held as doubles, computed without overflow.
double bandDataBytes(const CEnviImage& image) {
    return static_cast<double>(image.samples) * static_cast<double>(image.lines) *
           static_cast<double>(image.bands) * 8.0;
}

[[noreturn]] void throwTooLarge(const CEnviImage& image, const std::string& detail) {
    throw UserError("The image of " + geometryText(image) + " is too large: it would need about " +
                    gigabytesText(bandDataBytes(image)) + " of memory" + detail + ".");
}

std::optional<double> physicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::nullopt;
    return static_cast<double>(pages) * static_cast<double>(pageSize);
}

// Refuses, before anything is allocated, an image whose `bytes` exceed this computer's memory.
void checkFitsInMemory(const CEnviImage& image, double bytes) {
    const auto physical = physicalMemoryBytes();
    if (physical && bytes > *physical) {
        throwTooLarge(image, " (this computer has about " + gigabytesText(*physical) + ")");
    }
}

// Whether every byte count of the image, the doubles and the header offset included, fits a
// 64-bit size.
bool byteCountsFit(const CEnviImage& image) {
    std::int64_t values = 0, rawBytes = 0, doubleBytes = 0, lastByte = 0;
    return !__builtin_mul_overflow(image.PixelCount(), static_cast<std::int64_t>(image.bands),
                                   &values) &&
           !__builtin_mul_overflow(values,
                                   static_cast<std::int64_t>(CEnviImage::BytesPerSample(image.dataType)),
                                   &rawBytes) &&
           !__builtin_mul_overflow(values, std::int64_t{8}, &doubleBytes) &&
           !__builtin_add_overflow(rawBytes, image.headerOffset, &lastByte);
}

// Refuses, before anything is allocated, a geometry that no read can serve: ReadHeader
// refuses these already, but the fields may have been set directly.
void checkReadableGeometry(const CEnviImage& image) {
    if (image.samples <= 0 || image.lines <= 0 || image.bands <= 0 || image.headerOffset < 0) {
        throw UserError("The image of " + geometryText(image) + " cannot be read: it needs at "
                        "least one sample, one line and one band.");
    }
    if (!byteCountsFit(image)) throwTooLarge(image, "");
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
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw UserError(cannotOpen);
    FilePointer file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) throw UserError(cannotOpen);

    const std::int64_t promised = image.headerOffset + image.RawByteCount();
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size < promised) {
        throw UserError("The image file " + inQuotes(path) + " is too short: it holds " +
                        formatInt(status.st_size) + " bytes, but its header promises " +
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

std::string CEnviImage::HeaderFileName(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return path + ".hdr";
    return path.substr(0, dot) + ".hdr";
}

std::string CEnviImage::OutputHeaderFileName(const std::string& path) { return path + ".hdr"; }

int CEnviImage::BytesPerSample(int dataType) {
    switch (dataType) {
        case 1: return 1;
        case 2: return 2;
        case 3: return 4;
        case 4: return 4;
        case 5: return 8;
        case 12: return 2;
        case 13: return 4;
        default: throw UserError(kUnsupportedTypeMessage);
    }
}

std::int64_t CEnviImage::PixelCount() const {
    return static_cast<std::int64_t>(lines) * static_cast<std::int64_t>(samples);
}

std::int64_t CEnviImage::RawByteCount() const {
    return PixelCount() * bands * BytesPerSample(dataType);
}

void CEnviImage::ReadHeader(const std::string& path) {
    fileName = path;
    std::string headerPath = HeaderFileName(path);
    if (!fileExists(headerPath)) {
        // ENVI writers also name the header after the whole file name.
        if (!fileExists(path + ".hdr")) throw UserError(kMissingHeaderMessage);
        headerPath = path + ".hdr";
    }
    const auto text = readWholeFile(headerPath);
    if (!text) throw UserError("Cannot read the header file " + inQuotes(headerPath) + ".");

    headerOffset = 0;
    byteOrder = 0;
    interleave = Interleave::Bsq;
    georeferenceEntries.clear();
    std::string interleaveText = "bsq";
    bool hasSamples = false, hasLines = false, hasBands = false, hasDataType = false;

    const auto intValue = [&](const EnviHeaderEntry& entry) {
        const auto value = ParseLeadingInt32(entry.value);
        if (!value) {
            throw UserError("The header " + inQuotes(headerPath) + " gives " + entry.normalizedKey +
                            " = " + entry.value + ", which is out of range.");
        }
        return *value;
    };

    for (const EnviHeaderEntry& entry : ParseEnviHeaderText(*text)) {
        const std::string& key = entry.normalizedKey;
        if (key == "samples") {
            samples = intValue(entry);
            hasSamples = true;
        } else if (key == "lines") {
            lines = intValue(entry);
            hasLines = true;
        } else if (key == "bands") {
            bands = intValue(entry);
            hasBands = true;
        } else if (key == "data type") {
            dataType = intValue(entry);
            hasDataType = true;
        } else if (key == "header offset") {
            const auto value = ParseLeadingInt64(entry.value);
            if (!value || *value < 0) {
                throw UserError("The header " + inQuotes(headerPath) + " gives header offset = " +
                                entry.value + "; it must be 0 or more bytes.");
            }
            headerOffset = *value;
        } else if (key == "byte order") {
            byteOrder = intValue(entry);
            if (byteOrder != 0 && byteOrder != 1) {
                throw UserError("The header " + inQuotes(headerPath) + " gives byte order = " +
                                entry.value + "; it must be 0 (little-endian) or 1 (big-endian).");
            }
        } else if (key == "interleave") {
            interleaveText = lowerCase(entry.value);
        } else if (key == "map info" || key == "coordinate system string" ||
                   key == "projection info") {
            georeferenceEntries.push_back(entry.key + " = " + entry.value);
        }
    }

    const std::pair<bool, const char*> requiredKeys[] = {
        {hasSamples, "samples"}, {hasLines, "lines"}, {hasBands, "bands"},
        {hasDataType, "data type"}};
    for (const auto& [present, key] : requiredKeys) {
        if (!present) {
            throw UserError("The header " + inQuotes(headerPath) + " has no \"" + key +
                            "\" entry; an ENVI header must give samples, lines, bands and "
                            "data type.");
        }
    }
    BytesPerSample(dataType);  // refuses an unsupported type

    if (samples <= 0 || lines <= 0 || bands <= 0) {
        throw UserError("The header " + inQuotes(headerPath) + " gives samples = " +
                        formatInt(samples) + ", lines = " + formatInt(lines) + " and bands = " +
                        formatInt(bands) +
                        "; an image needs at least one sample, one line and one band.");
    }
    if (interleaveText == "bsq") {
        interleave = Interleave::Bsq;
    } else if (interleaveText == "bil") {
        interleave = Interleave::Bil;
    } else if (interleaveText == "bip") {
        interleave = Interleave::Bip;
    } else {
        throw UserError("The header " + inQuotes(headerPath) + " gives interleave = " +
                        interleaveText + "; only bsq, bil and bip can be read.");
    }

    if (!byteCountsFit(*this)) throwTooLarge(*this, "");
}

std::vector<unsigned char> CEnviImage::ReadRaw() const {
    checkReadableGeometry(*this);
    const std::int64_t byteCount = RawByteCount();
    checkFitsInMemory(*this, static_cast<double>(byteCount));
    FilePointer file = openRawFile(*this);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(byteCount));
    readExactly(file.get(), buffer.data(), buffer.size(), *this);
    return buffer;
}

std::vector<double> CEnviImage::ReadBandData() const {
    checkReadableGeometry(*this);
    const int sampleBytes = BytesPerSample(dataType);
    const std::int64_t valueCount = PixelCount() * bands;
    checkFitsInMemory(*this, bandDataBytes(*this));
    FilePointer file = openRawFile(*this);

    std::vector<double> bandData(static_cast<std::size_t>(valueCount));
    std::vector<unsigned char> chunkBytes(kSamplesPerChunk * static_cast<std::size_t>(sampleBytes));
    std::vector<double> chunkValues;
    if (interleave != Interleave::Bsq) chunkValues.resize(kSamplesPerChunk);
    InterleaveCursor cursor(*this);
    const bool bigEndian = byteOrder == 1;

    for (std::int64_t done = 0; done < valueCount;) {
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(valueCount - done, static_cast<std::int64_t>(kSamplesPerChunk)));
        readExactly(file.get(), chunkBytes.data(), count * static_cast<std::size_t>(sampleBytes),
                    *this);
        if (interleave == Interleave::Bsq) {
            DecodeSamples(chunkBytes.data(), count, dataType, bigEndian,
                          bandData.data() + done);
        } else {
            DecodeSamples(chunkBytes.data(), count, dataType, bigEndian, chunkValues.data());
            for (std::size_t i = 0; i < count; ++i) {
                bandData[static_cast<std::size_t>(cursor.next())] = chunkValues[i];
            }
        }
        done += static_cast<std::int64_t>(count);
    }
    return bandData;
}

void CEnviImage::SetGeometry(int newBands, int newLines, int newSamples, int newDataType,
                             const std::string& newFileName) {
    bands = newBands;
    lines = newLines;
    samples = newSamples;
    dataType = newDataType;
    fileName = newFileName;
}

void CEnviImage::WriteClassification(const unsigned char* data) const {
    const auto byteCount = static_cast<std::size_t>(RawByteCount());
    platform::WriteWholeFile(fileName, {reinterpret_cast<const char*>(data), byteCount});
    try {
        WriteHeader();
    } catch (const UserError&) {
        // An image without its header is no result.
        platform::RemoveIncompleteFile(fileName);
        throw;
    }
}

void CEnviImage::WriteHeader() const {
    const std::string headerPath = OutputHeaderFileName(fileName);
    std::string text = "ENVI\n";
    text += "description = {\n";
    text += "  File Imported into ENVI.}\n";
    text += "samples = " + formatInt(samples) + "\n";
    text += "lines   = " + formatInt(lines) + "\n";
    text += "bands   = " + formatInt(bands) + "\n";
    text += "header offset = 0\n";
    if (classes > 0) text += "file type = ENVI Classification\n";
    text += "data type = " + formatInt(dataType) + "\n";
    text += "interleave = bsq\n";
    text += "sensor type = Unknown\n";
    if (classes > 0) {
        text += "classes = " + formatInt(classes) + "\n";
        text += "class lookup = {\n";
        text += "\t";
        for (int c = 0; c < classes; ++c) {
            // Classes beyond the table's twenty repeat its colours.
            const ClassColour& colour = classColourTable[static_cast<std::size_t>(c) %
                                                         classColourTable.size()];
            for (const int component : {colour.red, colour.green, colour.blue}) {
                if (text.back() != '\t') text += " ,";
                text += formatInt(component);
            }
        }
        text += "}\n";
    }
    text += "byte order = 0\n";
    text += "wavelength units = Unknown\n";
    for (const std::string& entry : georeferenceEntries) text += entry + "\n";

    platform::TextFile file;
    if (!file.Open(headerPath, platform::TextFile::Mode::Truncate)) {
        throw UserError(platform::CannotCreateFileMessage(headerPath));
    }
    file.Write(text);
    if (!file.Close()) {
        platform::RemoveIncompleteFile(headerPath);
        throw UserError(platform::CannotWriteWholeFileMessage(headerPath));
    }
}

std::vector<double> ConvertSamples(std::span<const unsigned char> buffer, int dataType,
                                   int bands, std::int64_t pixelCount) {
    const auto count = static_cast<std::size_t>(pixelCount * bands);
    const auto sampleBytes = static_cast<std::size_t>(CEnviImage::BytesPerSample(dataType));
    if (buffer.size() < count * sampleBytes) {
        throw UserError("The image data hold " + formatInt(static_cast<long long>(buffer.size())) +
                        " bytes, fewer than the " +
                        formatInt(static_cast<long long>(count * sampleBytes)) + " needed.");
    }
    std::vector<double> values(count);
    DecodeSamples(buffer.data(), count, dataType, false, values.data());
    return values;
}

}  // namespace tavorin
