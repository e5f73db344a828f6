#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/BandSamples.h"
#include "image/Georeference.h"
#include "image/SampleType.h"

namespace tavorin {

// An ENVI image: its geometry, data type, class count and raw file name, with reading of the
// text header and the raw samples, and writing of classification images with their headers.
// Every failure is thrown as a UserError carrying the message for the user.
class CEnviImage {
  public:
    enum class Interleave { Bsq, Bil, Bip };

    CEnviImage() = default;
    virtual ~CEnviImage() = default;
    CEnviImage(const CEnviImage&) = default;
    CEnviImage& operator=(const CEnviImage&) = default;

    int bands = 1;
    int lines = 100;
    int samples = 100;
    int classes = 0;  // > 0: the object describes a classification image
    std::string fileName;
    int dataType = 1;

    // Keys that change what the raw bytes mean.
    std::int64_t headerOffset = 0;
    int byteOrder = 0;  // 0 little-endian, 1 big-endian
    Interleave interleave = Interleave::Bsq;

    // The input header's "map info", "coordinate system string" and "projection info"
    // entries, each as one line "key = value" (a value spanning lines joined by spaces).
    // WriteHeader writes them after its own lines, so results keep the input's georeference.
    std::vector<std::string> georeferenceEntries;

    // Where the image lies, as GDAL reads it (for an ENVI input, from its header's entries);
    // the GeoTIFF maps carry it, the ENVI headers `georeferenceEntries`.
    Georeference georeference;
    // "ENVI" for an image read through its header; GDAL's driver name ("GTiff", "VRT", ...) for
    // one read through GDAL, and GDAL's name of its sample type ("UInt16"; "mixed" when the
    // bands differ).
    std::string format = "ENVI";
    std::string sampleType;
    // Each band's declared nodata value (ENVI's "data ignore value" holds for every band);
    // empty when the image declares none.
    std::vector<std::optional<double>> bandNodata;

    // Sets `fileName` and reads the header found beside it. Throws when there is no header
    // ("Please generate the file header using ENVI！") or it cannot be used; a refused header
    // leaves every field as it was.
    void ReadHeader(const std::string& path);

    // Whether a header lies beside the raw file `path` (by HeaderFileName, or `path` + ".hdr").
    static bool HasHeader(const std::string& path);

    // The header path of a raw file path: the extension of the last path component replaced
    // by ".hdr", or ".hdr" appended when it has none.
    static std::string HeaderFileName(const std::string& path);

    // The header path of a written image: the image path followed by ".hdr", so that images
    // whose names differ only after a dot never share one header.
    static std::string OutputHeaderFileName(const std::string& path);

    // Bytes per sample of an ENVI data type code; throws "暂不处理此种数据类型！" for an
    // unsupported code.
    static int BytesPerSample(int dataType);

    // lines * samples, and the samples' byte count bands * lines * samples * BytesPerSample.
    std::int64_t PixelCount() const;
    std::int64_t RawByteCount() const;

    // The raw file's samples (after the header offset), bands * lines * samples of them, as
    // stored. Throws when the file cannot be read or is shorter than the header promises.
    std::vector<unsigned char> ReadRaw() const;

    // The whole image as band-sequential doubles (band b of pixel p at b * N + p), whatever
    // the file's interleave and byte order. The file is read piecewise, so the doubles are
    // the only full copy of the image held.
    std::vector<double> ReadBandData() const;

    // The type the samples are held in once read: the file's own (a GDAL image of bands of
    // different types: doubles).
    SampleType StoredType() const;
    // The whole image band-sequentially in its own sample type: a byte image costs its raw
    // size. ENVI images only; GDAL images are read by ReadGdalSamples.
    BandSamples ReadSamples() const;
    // The lines firstLine .. firstLine + lineCount - 1 alone, band-sequentially in the image's
    // own type (band b of the slice's pixel p at b * lineCount * samples + p); only those
    // lines' samples are read from the file.
    BandSamples ReadLineSamples(int firstLine, int lineCount) const;

    // Sets the geometry and file name of an output image; `classes` keeps its value.
    void SetGeometry(int bands, int lines, int samples, int dataType, const std::string& fileName);

    // Writes the raw file under `fileName`, then its header. Throws when either cannot be
    // written completely; the incomplete files are then removed.
    void WriteClassification(const unsigned char* data) const;
    // Writes the header under OutputHeaderFileName(fileName).
    void WriteHeader() const;
    // The text WriteHeader writes, line feeds as '\n' (stored as CR LF).
    std::string HeaderText() const;
};

// How an image's samples are named to the user: "data type 12" for an ENVI image, "UInt16
// samples, read by GDAL (GTiff)" for one GDAL read.
std::string SampleTypeText(const std::string& format, int dataType, const std::string& sampleType);

// Converts band-sequential little-endian samples of `dataType` to doubles, in the same order.
std::vector<double> ConvertSamples(std::span<const unsigned char> buffer, int dataType, int bands,
                                   std::int64_t pixelCount);

}  // namespace tavorin
