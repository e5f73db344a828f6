#include "image/GdalRasterReader.h"

#include <cpl_string.h>
#include <gdal.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "image/EnviImageSize.h"
#include "image/GdalSupport.h"
#include "image/Georeference.h"
#include "platform/LargeBuffer.h"
#include "platform/MemoryCheck.h"
#include "platform/NumberText.h"
#include "platform/RegularFile.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

using platform::formatInt;

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

// GDAL before 3.7 holds signed bytes as Byte bands marked SIGNEDBYTE.
bool holdsSignedBytes(GDALRasterBandH band) {
    if (GDALGetRasterDataType(band) != GDT_Byte) return false;
    const char* pixelType = GDALGetMetadataItem(band, "PIXELTYPE", "IMAGE_STRUCTURE");
    return pixelType != nullptr && std::string(pixelType) == "SIGNEDBYTE";
}

std::string sampleTypeName(GDALRasterBandH band) {
    if (holdsSignedBytes(band)) return "Int8";
    return GDALGetDataTypeName(GDALGetRasterDataType(band));
}

// The ENVI data type code whose samples hold every value of the band's type.
std::optional<int> enviCodeOf(GDALRasterBandH band) {
    if (holdsSignedBytes(band)) return 2;
    switch (GDALGetRasterDataType(band)) {
        case GDT_Byte:
            return 1;
        case GDT_Int16:
            return 2;
        case GDT_Int32:
            return 3;
        case GDT_Float32:
            return 4;
        case GDT_Float64:
            return 5;
        case GDT_UInt16:
            return 12;
        case GDT_UInt32:
            return 13;
        default:
#if GDAL_VERSION_NUM >= 3070000
            if (GDALGetRasterDataType(band) == GDT_Int8) return 2;
#endif
            return std::nullopt;
    }
}

// The band's nodata value as its samples hold it: a float band's samples are floats, so the
// value is rounded to one as well.
std::optional<double> nodataOf(GDALRasterBandH band) {
    int hasNodata = FALSE;
    const double value = GDALGetRasterNoDataValue(band, &hasNodata);
    if (!hasNodata) return std::nullopt;
    if (GDALGetRasterDataType(band) == GDT_Float32 && std::isfinite(value)) {
        return static_cast<double>(static_cast<float>(value));
    }
    return value;
}

[[noreturn]] void refuseEmpty(GDALDatasetH dataset, const std::string& path) {
    char** subdatasets = GDALGetMetadata(dataset, "SUBDATASETS");
    const char* first = CSLFetchNameValue(subdatasets, "SUBDATASET_1_NAME");
    if (first != nullptr) {
        throw UserError("The file " + inQuotes(path) + " holds no raster band of its own but " +
                        formatInt(CSLCount(subdatasets) / 2) +
                        " subdatasets; give one of them as the input, for example " +
                        inQuotes(first) + ".");
    }
    throw UserError("The file " + inQuotes(path) + " holds no raster band to classify.");
}

}  // namespace

std::optional<CEnviImage> DescribeGdalRaster(const std::string& path) {
    if (gdal::IsSpecialFile(path)) {
        throw UserError("The image file " + inQuotes(path) + " is not a regular file.");
    }
    const gdal::QuietErrors quiet;
    const gdal::Dataset dataset = gdal::OpenRaster(path);
    if (!dataset) {
        GDALDriverH driver = GDALIdentifyDriver(path.c_str(), nullptr);
        if (driver == nullptr) return std::nullopt;
        throw UserError("GDAL cannot open the image " + inQuotes(path) + ": " +
                        gdal::LastErrorMessage(std::string("it looks like a ") +
                                               GDALGetDriverLongName(driver) +
                                               " file, but is damaged or incomplete") +
                        ".");
    }
    const int bands = GDALGetRasterCount(dataset.get());
    if (bands < 1) refuseEmpty(dataset.get(), path);

    CEnviImage image;
    image.fileName = path;
    image.format = GDALGetDriverShortName(GDALGetDatasetDriver(dataset.get()));
    image.samples = GDALGetRasterXSize(dataset.get());
    image.lines = GDALGetRasterYSize(dataset.get());
    image.bands = bands;
    image.sampleType = sampleTypeName(GDALGetRasterBand(dataset.get(), 1));
    for (int b = 1; b <= bands; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(dataset.get(), b);
        const std::string typeName = sampleTypeName(band);
        const std::optional<int> code = enviCodeOf(band);
        if (!code) {
            const bool complex = GDALDataTypeIsComplex(GDALGetRasterDataType(band)) != 0;
            throw UserError("Band " + formatInt(b) + " of the image " + inQuotes(path) + " holds " +
                            (complex ? "complex " : "") + "samples of type " + typeName +
                            ", which cannot be classified; the sample types read are Byte, "
                            "Int8, UInt16, Int16, UInt32, Int32, Float32 and Float64.");
        }
        if (b == 1) {
            image.dataType = *code;
        } else if (typeName != image.sampleType) {
            // Bands of different types meet in doubles, which hold each of them exactly.
            image.dataType = 5;
            image.sampleType = "mixed";
        }
        image.bandNodata.push_back(nodataOf(band));
    }
    bool anyNodata = false;
    for (const auto& value : image.bandNodata) anyNodata = anyNodata || value.has_value();
    if (!anyNodata) image.bandNodata.clear();

    const envi::detail::SampleLayout layout{image.samples, image.lines, image.bands, image.dataType,
                                            0};
    if (!envi::detail::ByteCountsFit(layout)) envi::detail::ThrowTooLarge(layout, "");
    if (const auto exceeded =
            platform::ExceedsPhysicalMemory(envi::detail::BandDataBytes(layout))) {
        envi::detail::ThrowTooLarge(layout, *exceeded);
    }

    image.georeference = GeoreferenceOf(dataset.get());
    image.georeferenceEntries = EnviGeoreferenceEntries(image.georeference);
    return image;
}

bool IsSelfDescribingRaster(const std::string& path) {
    // Judged by the file's first bytes alone: GDAL's drivers would also open the header beside
    // it, which may be anything.
    const platform::RegularFile file = platform::OpenRegularFile(path);
    if (!file.file) return false;
    char start[16] = {};  // the longest signature fits
    const std::size_t read = std::fread(start, 1, sizeof start, file.file.get());
    const std::string_view bytes(start, read);
    for (const std::string_view signature :
         {std::string_view("II*\0", 4), std::string_view("MM\0*", 4),        // TIFF
          std::string_view("II+\0", 4), std::string_view("MM\0+", 4),        // BigTIFF
          std::string_view("\0\0\0\x0CjP  ", 8),                             // JPEG 2000
          std::string_view("\xFF\x4F\xFF\x51", 4),                           // JPEG 2000 stream
          std::string_view("<VRTDataset"), std::string_view("\x89HDF\r\n"),  // VRT, HDF5
          std::string_view("CDF\x01"), std::string_view("CDF\x02"),          // NetCDF
          std::string_view("\x89PNG"), std::string_view("\xFF\xD8\xFF"),     // PNG, JPEG
          std::string_view("EHFA_HEADER_TAG")}) {                            // ERDAS Imagine
        if (bytes.substr(0, signature.size()) == signature) return true;
    }
    return false;
}

namespace {

// The buffer type GDAL converts the samples to: that of the samples themselves. Signed
// bytes marked SIGNEDBYTE are read as bytes, whose bits they are.
GDALDataType bufferTypeOf(SampleType type) {
    switch (type) {
        case SampleType::Float32:
            return GDT_Float32;
        case SampleType::UInt8:
            return GDT_Byte;
        case SampleType::Int8:
#if GDAL_VERSION_NUM >= 3070000
            return GDT_Int8;
#else
            return GDT_Byte;
#endif
        case SampleType::UInt16:
            return GDT_UInt16;
        case SampleType::Int16:
            return GDT_Int16;
        case SampleType::UInt32:
            return GDT_UInt32;
        case SampleType::Int32:
            return GDT_Int32;
        case SampleType::Float64:
            break;
    }
    return GDT_Float64;
}

}  // namespace

BandSamples ReadGdalSamples(const CEnviImage& description) {
    return ReadGdalLineSamples(description, 0, description.lines);
}

BandSamples ReadGdalLineSamples(const CEnviImage& description, int firstLine, int lineCount) {
    if (firstLine < 0 || lineCount < 0 || firstLine > description.lines - lineCount) {
        throw std::invalid_argument("ReadGdalLineSamples: lines outside the image");
    }
    const gdal::QuietErrors quiet;
    const std::string& path = description.fileName;
    const gdal::Dataset dataset = gdal::OpenRaster(path);
    if (!dataset) {
        throw UserError("GDAL cannot open the image " + inQuotes(path) + ": " +
                        gdal::LastErrorMessage() + ".");
    }
    if (GDALGetRasterXSize(dataset.get()) != description.samples ||
        GDALGetRasterYSize(dataset.get()) != description.lines ||
        GDALGetRasterCount(dataset.get()) != description.bands) {
        throw UserError("The image " + inQuotes(path) + " changed while it was being read.");
    }
    const std::size_t pixels =
        static_cast<std::size_t>(lineCount) * static_cast<std::size_t>(description.samples);
    const SampleType type = description.StoredType();
    BandSamples samples =
        BandSamples::Zeroed(type, pixels * static_cast<std::size_t>(description.bands));
    auto* data = static_cast<unsigned char*>(samples.data());
    const auto sampleBytes = static_cast<GSpacing>(SampleBytes(type));
    // Windows of whole lines across every band, each sample straight into its band-sequential
    // place, so that a pixel-interleaved file is read once and not once per band.
    const GSpacing lineBytes = sampleBytes * description.samples;
    const GSpacing bandBytes = sampleBytes * static_cast<GSpacing>(pixels);
    int windowLines = 0, blockSamples = 0;
    GDALGetBlockSize(GDALGetRasterBand(dataset.get(), 1), &blockSamples, &windowLines);
    windowLines = std::max(1, std::min(description.lines, std::max(windowLines, 256)));
    const int endLine = firstLine + lineCount;
    for (int line = firstLine; line < endLine; line += windowLines) {
        const int count = std::min(windowLines, endLine - line);
        unsigned char* target =
            data + static_cast<std::size_t>(line - firstLine) * static_cast<std::size_t>(lineBytes);
        CPLErrorReset();
        const CPLErr result = GDALDatasetRasterIOEx(
            dataset.get(), GF_Read, 0, line, description.samples, count, target,
            description.samples, count, bufferTypeOf(type), description.bands, nullptr, sampleBytes,
            lineBytes, bandBytes, nullptr);
        // A driver may report a damaged block as an error and still return success.
        if (result != CE_None || CPLGetLastErrorType() >= CE_Failure) {
            throw UserError("Cannot read the image " + inQuotes(path) + " (from line " +
                            formatInt(line + 1) + "): " + gdal::LastErrorMessage() + ".");
        }
    }
    if (type != SampleType::Float64) return samples;
    // Doubles of bands of mixed types: signed bytes came as their unsigned bits.
    auto* values = reinterpret_cast<double*>(data);
    for (int b = 0; b < description.bands; ++b) {
        if (!holdsSignedBytes(GDALGetRasterBand(dataset.get(), b + 1))) continue;
        double* band = values + static_cast<std::size_t>(b) * pixels;
        for (std::size_t p = 0; p < pixels; ++p) {
            if (band[p] > 127.0) band[p] -= 256.0;
        }
    }
    return samples;
}

std::vector<double> ReadGdalBandData(const CEnviImage& description) {
    return ReadGdalSamples(description).ToDoubles();
}

}  // namespace tavorin
