#include "image/EnviHeaderParser.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "image/EnviHeaderText.h"
#include "image/EnviImageSize.h"
#include "platform/NumberText.h"
#include "platform/RegularFile.h"
#include "platform/UserError.h"

namespace tavorin::envi::detail {
namespace {

using platform::formatInt;

constexpr const char* kMissingHeaderMessage = "Please generate the file header using ENVI！";

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// A header is a short text; anything far larger is some other file given by mistake.
constexpr std::int64_t kLargestHeaderBytes = 16 * 1024 * 1024;

// The most bands an image may have: far beyond any imaging spectrometer or time stack.
constexpr int kMostBands = 1000000;

std::string readHeaderText(const std::string& headerPath) {
    const platform::RegularFile header = platform::OpenRegularFile(headerPath);
    if (header.problem == platform::RegularFile::Problem::NotRegular) {
        throw UserError("The header " + inQuotes(headerPath) +
                        " is not a regular file; give the path of an ENVI image whose header "
                        "is a text file beside it.");
    }
    if (!header.file) throw UserError("Cannot read the header file " + inQuotes(headerPath) + ".");
    if (header.size > kLargestHeaderBytes) {
        throw UserError("The header " + inQuotes(headerPath) + " holds " +
                        platform::formatInt(header.size) +
                        " bytes; an ENVI header is a short text (at most 16 MB), so this file "
                        "is not one.");
    }
    std::string text(static_cast<std::size_t>(header.size), '\0');
    const std::size_t read = std::fread(text.data(), 1, text.size(), header.file.get());
    if (read != text.size() || std::ferror(header.file.get())) {
        throw UserError("Cannot read the header file " + inQuotes(headerPath) + ".");
    }
    return text;
}

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

std::optional<std::string> FindEnviHeader(const std::string& path) {
    const std::string headerPath = CEnviImage::HeaderFileName(path);
    if (fileExists(headerPath)) return headerPath;
    // ENVI writers also name the header after the whole file name.
    if (fileExists(path + ".hdr")) return path + ".hdr";
    return std::nullopt;
}

EnviHeaderRecord ParseEnviHeader(const std::string& path) {
    const std::optional<std::string> found = FindEnviHeader(path);
    if (!found) throw UserError(kMissingHeaderMessage);
    const std::string& headerPath = *found;
    const std::string text = readHeaderText(headerPath);

    EnviHeaderRecord header;
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

    for (const EnviHeaderEntry& entry : ParseEnviHeaderText(text)) {
        const std::string& key = entry.normalizedKey;
        if (key == "samples") {
            header.samples = intValue(entry);
            hasSamples = true;
        } else if (key == "lines") {
            header.lines = intValue(entry);
            hasLines = true;
        } else if (key == "bands") {
            header.bands = intValue(entry);
            hasBands = true;
        } else if (key == "data type") {
            header.dataType = intValue(entry);
            hasDataType = true;
        } else if (key == "header offset") {
            const auto value = ParseLeadingInt64(entry.value);
            if (!value || *value < 0) {
                throw UserError("The header " + inQuotes(headerPath) + " gives header offset = " +
                                entry.value + "; it must be 0 or more bytes.");
            }
            header.headerOffset = *value;
        } else if (key == "byte order") {
            header.byteOrder = intValue(entry);
            if (header.byteOrder != 0 && header.byteOrder != 1) {
                throw UserError("The header " + inQuotes(headerPath) + " gives byte order = " +
                                entry.value + "; it must be 0 (little-endian) or 1 (big-endian).");
            }
        } else if (key == "interleave") {
            interleaveText = lowerCase(entry.value);
        } else if (key == "map info" || key == "coordinate system string" ||
                   key == "projection info") {
            header.georeferenceEntries.push_back(entry.key + " = " + entry.value);
        } else if (key == "data ignore value") {
            header.dataIgnoreValue = platform::parseDouble(entry.value);
            if (!header.dataIgnoreValue) {
                throw UserError("The header " + inQuotes(headerPath) +
                                " gives data ignore value = " + entry.value +
                                ", which is not a number.");
            }
        }
    }

    const std::pair<bool, const char*> requiredKeys[] = {{hasSamples, "samples"},
                                                         {hasLines, "lines"},
                                                         {hasBands, "bands"},
                                                         {hasDataType, "data type"}};
    for (const auto& [present, key] : requiredKeys) {
        if (!present) {
            throw UserError("The header " + inQuotes(headerPath) + " has no \"" + key +
                            "\" entry; an ENVI header must give samples, lines, bands and "
                            "data type.");
        }
    }
    CEnviImage::BytesPerSample(header.dataType);  // refuses an unsupported type

    if (header.samples <= 0 || header.lines <= 0 || header.bands <= 0) {
        throw UserError(
            "The header " + inQuotes(headerPath) + " gives samples = " + formatInt(header.samples) +
            ", lines = " + formatInt(header.lines) + " and bands = " + formatInt(header.bands) +
            "; an image needs at least one sample, one line and one band.");
    }
    if (interleaveText == "bsq") {
        header.interleave = CEnviImage::Interleave::Bsq;
    } else if (interleaveText == "bil") {
        header.interleave = CEnviImage::Interleave::Bil;
    } else if (interleaveText == "bip") {
        header.interleave = CEnviImage::Interleave::Bip;
    } else {
        throw UserError("The header " + inQuotes(headerPath) + " gives interleave = " +
                        interleaveText + "; only bsq, bil and bip can be read.");
    }

    const SampleLayout layout{header.samples, header.lines, header.bands, header.dataType,
                              header.headerOffset};
    if (!ByteCountsFit(layout)) ThrowTooLarge(layout, "");
    // Each band carries an entry of its own (its nodata value): a band count no sensor or stack
    // comes near must not make the header reader allocate gigabytes.
    if (header.bands > kMostBands) {
        throw UserError("The header " + inQuotes(headerPath) +
                        " gives bands = " + formatInt(header.bands) +
                        "; an image may have at most " + formatInt(kMostBands) + " bands.");
    }
    return header;
}

}  // namespace tavorin::envi::detail
