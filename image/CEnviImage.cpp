#include "image/CEnviImage.h"

#include <utility>

#include "image/EnviHeaderParser.h"
#include "image/EnviImageWriter.h"
#include "image/EnviRawReader.h"
#include "image/SampleDecoding.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

using platform::formatInt;

constexpr const char* kUnsupportedTypeMessage = "暂不处理此种数据类型！";

// GDAL's names of the sample types of the ENVI codes.
const char* sampleTypeOf(int dataType) {
    switch (dataType) {
        case 1:
            return "Byte";
        case 2:
            return "Int16";
        case 3:
            return "Int32";
        case 4:
            return "Float32";
        case 5:
            return "Float64";
        case 12:
            return "UInt16";
        case 13:
            return "UInt32";
        default:
            return "";
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

bool CEnviImage::HasHeader(const std::string& path) {
    return envi::detail::FindEnviHeader(path).has_value();
}

std::string CEnviImage::OutputHeaderFileName(const std::string& path) { return path + ".hdr"; }

int CEnviImage::BytesPerSample(int dataType) {
    switch (dataType) {
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return 4;
        case 4:
            return 4;
        case 5:
            return 8;
        case 12:
            return 2;
        case 13:
            return 4;
        default:
            throw UserError(kUnsupportedTypeMessage);
    }
}

std::int64_t CEnviImage::PixelCount() const {
    return static_cast<std::int64_t>(lines) * static_cast<std::int64_t>(samples);
}

std::int64_t CEnviImage::RawByteCount() const {
    return PixelCount() * bands * BytesPerSample(dataType);
}

void CEnviImage::ReadHeader(const std::string& path) {
    envi::detail::EnviHeaderRecord header = envi::detail::ParseEnviHeader(path);
    // Taken over only now that the whole header is accepted: a refused header changes nothing.
    fileName = path;
    bands = header.bands;
    lines = header.lines;
    samples = header.samples;
    dataType = header.dataType;
    headerOffset = header.headerOffset;
    byteOrder = header.byteOrder;
    interleave = header.interleave;
    georeferenceEntries = std::move(header.georeferenceEntries);
    format = "ENVI";
    sampleType = sampleTypeOf(dataType);
    georeference = {};
    bandNodata.clear();
    if (header.dataIgnoreValue)
        bandNodata.assign(static_cast<std::size_t>(bands), header.dataIgnoreValue);
}

std::vector<unsigned char> CEnviImage::ReadRaw() const {
    return envi::detail::ReadRawSamples(*this);
}

std::vector<double> CEnviImage::ReadBandData() const {
    return envi::detail::ReadBandSequential(*this);
}

SampleType CEnviImage::StoredType() const {
    if (format != "ENVI") {
        // GDAL's names of the sample types it reads.
        static const std::pair<const char*, SampleType> kGdalTypes[] = {
            {"Byte", SampleType::UInt8},      {"Int8", SampleType::Int8},
            {"UInt16", SampleType::UInt16},   {"Int16", SampleType::Int16},
            {"UInt32", SampleType::UInt32},   {"Int32", SampleType::Int32},
            {"Float32", SampleType::Float32}, {"Float64", SampleType::Float64}};
        for (const auto& [name, type] : kGdalTypes) {
            if (sampleType == name) return type;
        }
        return SampleType::Float64;
    }
    switch (dataType) {
        case 1:
            return SampleType::UInt8;
        case 2:
            return SampleType::Int16;
        case 3:
            return SampleType::Int32;
        case 4:
            return SampleType::Float32;
        case 12:
            return SampleType::UInt16;
        case 13:
            return SampleType::UInt32;
        default:
            return SampleType::Float64;
    }
}

BandSamples CEnviImage::ReadSamples() const { return envi::detail::ReadBandSamples(*this); }

BandSamples CEnviImage::ReadLineSamples(int firstLine, int lineCount) const {
    return envi::detail::ReadBandSamples(*this, firstLine, lineCount);
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
    envi::detail::WriteClassificationImage(*this, data);
}

void CEnviImage::WriteHeader() const { envi::detail::WriteImageHeader(*this); }

std::string CEnviImage::HeaderText() const { return envi::detail::ImageHeaderText(*this); }

std::string SampleTypeText(const std::string& format, int dataType, const std::string& sampleType) {
    if (format == "ENVI") return "data type " + formatInt(dataType);
    return sampleType + " samples, read by GDAL (" + format + ")";
}

std::vector<double> ConvertSamples(std::span<const unsigned char> buffer, int dataType, int bands,
                                   std::int64_t pixelCount) {
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
