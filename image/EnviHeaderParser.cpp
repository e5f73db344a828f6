#include "image/EnviHeaderParser.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

#include "image/EnviHeaderText.h"
#include "image/EnviImageSize.h"
#include "platform/NumberText.h"
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

}  // namespace

EnviHeaderRecord ParseEnviHeader(const std::string& path) {
    std::string headerPath = CEnviImage::HeaderFileName(path);
    if (!fileExists(headerPath)) {
        // ENVI writers also name the header after the whole file name.
        if (!fileExists(path + ".hdr")) throw UserError(kMissingHeaderMessage);
        headerPath = path + ".hdr";
    }
    const auto text = readWholeFile(headerPath);
    if (!text) throw UserError("Cannot read the header file " + inQuotes(headerPath) + ".");

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

    for (const EnviHeaderEntry& entry : ParseEnviHeaderText(*text)) {
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
    return header;
}

}  // namespace tavorin::envi::detail
