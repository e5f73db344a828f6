// Rasters read through GDAL, pixels left out of the search, and the georeferenced maps.
#include <cpl_string.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "clustering/LiteralEvaluation.h"
#include "driver/CClassificationDriver.h"
#include "image/GdalSupport.h"
#include "tavorin/tavorin.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

constexpr int kSamples = 9;
constexpr int kLines = 7;
constexpr int kBands = 3;
constexpr int kPixels = kSamples * kLines;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kTransform[6] = {500000.0, 30.0, 0.0, 4600000.0, 0.0, -30.0};

// Three groups of pixels around different spectra, band-sequential; `scale` spreads them over
// the range of wider sample types.
std::vector<double> Scene(double scale) {
    const int base[3][kBands] = {{20, 50, 80}, {120, 30, 200}, {60, 160, 10}};
    std::vector<double> values(kPixels * kBands);
    for (int b = 0; b < kBands; ++b) {
        for (int p = 0; p < kPixels; ++p) {
            values[static_cast<std::size_t>(b * kPixels + p)] =
                scale * (base[(p / 4) % 3][b] + (p * 7 + b * 3) % 11);
        }
    }
    return values;
}

struct Raster {
    std::vector<double> values;  // band-sequential
    GDALDataType type = GDT_Byte;
    double nodata = kNaN;  // NaN: none declared
    bool georeferenced = false;
};

void WriteGeoTiff(const std::string& path, const Raster& raster) {
    gdal::RegisterDrivers();
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), kSamples, kLines,
                                      kBands, raster.type, nullptr);
    ASSERT_NE(dataset, nullptr);
    for (int b = 0; b < kBands; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(dataset, b + 1);
        if (!std::isnan(raster.nodata)) GDALSetRasterNoDataValue(band, raster.nodata);
        std::vector<double> values(raster.values.begin() + b * kPixels,
                                   raster.values.begin() + (b + 1) * kPixels);
        ASSERT_EQ(GDALRasterIO(band, GF_Write, 0, 0, kSamples, kLines, values.data(), kSamples,
                               kLines, GDT_Float64, 0, 0),
                  CE_None);
    }
    if (raster.georeferenced) {
        double transform[6];
        std::memcpy(transform, kTransform, sizeof transform);
        GDALSetGeoTransform(dataset, transform);
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, 32633);
        GDALSetSpatialRef(dataset, srs);
        OSRDestroySpatialReference(srs);
    }
    GDALClose(dataset);
}

// The same values as a raw ENVI image of data type `dataType` (1 or 12).
void WriteEnvi(const std::string& base, const std::vector<double>& values, int dataType) {
    std::string raw;
    for (const double value : values) {
        const auto word = static_cast<std::uint16_t>(value);
        raw += static_cast<char>(word & 0xFF);
        if (dataType == 12) raw += static_cast<char>(word >> 8);
    }
    testing::WriteFileBytes(base + ".img", raw);
    testing::WriteFileBytes(base + ".hdr", "ENVI\nsamples = " + std::to_string(kSamples) +
                                               "\nlines = " + std::to_string(kLines) +
                                               "\nbands = " + std::to_string(kBands) +
                                               "\ndata type = " + std::to_string(dataType) +
                                               "\ninterleave = bsq\nbyte order = 0\n");
}

RunParameters Parameters(const std::string& input, const std::string& output) {
    RunParameters parameters;
    parameters.inputPath = input;
    parameters.outputPath = output;
    parameters.clusterNumber = 3;
    parameters.popSize = 6;
    parameters.iGenerations = 3;
    return parameters;
}

// One classification in its own folder, the working folder while it runs.
struct Outcome {
    bool finished = false;
    std::vector<testing::RecordingUserInterface::Message> messages;
};

Outcome Classify(const TempDir& folder, const std::string& input, RunOptions options = {}) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    testing::RecordingUserInterface ui;
    options.seed = 11;
    options.pictures = false;
    Outcome outcome;
    outcome.finished = CClassificationDriver().Run(Parameters(input, "map"), options, ui);
    outcome.messages = ui.messages;
    std::filesystem::current_path(previous);
    return outcome;
}

std::string Message(const Outcome& outcome) {
    std::string text;
    for (const auto& message : outcome.messages) text += message.text + "\n";
    return text;
}

nlohmann::json Summary(const TempDir& folder) {
    return nlohmann::json::parse(ReadFileBytes(folder.file("map_summary.json")));
}

// A GeoTIFF holding the samples of an ENVI image gives the same maps, front and summary front.
TEST(GdalInput, GivesTheFilesOfTheSameSamplesInEnvi) {
    for (const auto& [type, code, scale] :
         {std::tuple{GDT_Byte, 1, 1.0}, std::tuple{GDT_UInt16, 12, 250.0}}) {
        const TempDir data, viaEnvi, viaGdal;
        const std::vector<double> values = Scene(scale);
        WriteEnvi(data.file("scene"), values, code);
        WriteGeoTiff(data.file("scene.tif"), {values, type});
        ASSERT_TRUE(Classify(viaEnvi, data.file("scene.img")).finished);
        const Outcome gdal = Classify(viaGdal, data.file("scene.tif"));
        ASSERT_TRUE(gdal.finished) << Message(gdal);
        EXPECT_TRUE(Message(gdal).starts_with("Recommended: map_")) << Message(gdal);
        EXPECT_TRUE(Message(gdal).ends_with(" (knee of the front)\nFinish\n")) << Message(gdal);

        EXPECT_EQ(ReadFileBytes(viaGdal.file("FinalPF.txt")),
                  ReadFileBytes(viaEnvi.file("FinalPF.txt")));
        const nlohmann::json front = Summary(viaEnvi)["front"];
        ASSERT_FALSE(front.empty());
        EXPECT_EQ(Summary(viaGdal)["front"], front);
        for (std::size_t j = 0; j < front.size(); ++j) {
            const std::string map = "map_" + std::to_string(j);
            EXPECT_EQ(ReadFileBytes(viaGdal.file(map)), ReadFileBytes(viaEnvi.file(map)));
            EXPECT_EQ(ReadFileBytes(viaGdal.file(map + ".hdr")),
                      ReadFileBytes(viaEnvi.file(map + ".hdr")));
        }
        EXPECT_EQ(Summary(viaGdal)["image"]["format"], "GTiff");
        EXPECT_EQ(Summary(viaGdal)["image"]["sampleType"], code == 1 ? "Byte" : "UInt16");
    }
}

// NaN holes and a nodata border: those pixels are unclassified in every map, the maps keep the
// input's georeference, and both formats say that 0 is nodata.
TEST(GdalInput, LeavesOutHolesAndBorderAndKeepsTheGeoreference) {
    const TempDir data, envi, geoTiff;
    Raster raster{Scene(1.5), GDT_Float32, -9999.0, true};
    std::vector<bool> leftOut(kPixels, false);
    for (int p = 0; p < kPixels; ++p) {
        if (p % kSamples == 0) {  // the first column: nodata in every band
            for (int b = 0; b < kBands; ++b) raster.values[b * kPixels + p] = -9999.0;
            leftOut[p] = true;
        }
    }
    for (const int p : {10, 31, 47}) {  // holes in one band
        raster.values[2 * kPixels + p] = kNaN;
        leftOut[p] = true;
    }
    raster.values[kPixels + 20] = -9999.0;  // nodata in one band only: the pixel stays
    WriteGeoTiff(data.file("scene.tif"), raster);

    const Outcome outcome = Classify(envi, data.file("scene.tif"));
    ASSERT_TRUE(outcome.finished) << Message(outcome);
    EXPECT_EQ(Message(outcome),
              "10 pixels of 63 are left out of the classification and labelled 0, "
              "\"Unclassified\": 7 hold the nodata value -9999 in every band and 3 have a "
              "sample that is NaN or infinite.\nRecommended: map_1 (knee of the front)\nFinish\n");
    const std::string map = ReadFileBytes(envi.file("map_0"));
    ASSERT_EQ(map.size(), static_cast<std::size_t>(kPixels));
    for (int p = 0; p < kPixels; ++p) {
        if (leftOut[p]) {
            EXPECT_EQ(map[p], 0) << p;
        } else {
            EXPECT_GE(map[p], 1) << p;
        }
    }
    const std::string header = ReadFileBytes(envi.file("map_0.hdr"));
    EXPECT_NE(header.find("wavelength units = Unknown\r\ndata ignore value = 0\r\n"
                          "map info = {UTM, 1, 1, 500000, 4600000, 30, 30, 33, North,WGS-84}\r\n"
                          "coordinate system string = {PROJCS[\"WGS_1984_UTM_Zone_33N\""),
              std::string::npos)
        << header;
    const nlohmann::json pixels = Summary(envi)["pixels"];
    EXPECT_EQ(pixels["classified"], 53);
    EXPECT_EQ(pixels["leftOut"]["nodata"], 7);
    EXPECT_EQ(pixels["leftOut"]["nonFinite"], 3);

    RunOptions options;
    options.format = MapFormat::GeoTiff;
    ASSERT_TRUE(Classify(geoTiff, data.file("scene.tif"), options).finished);
    EXPECT_EQ(ReadFileBytes(geoTiff.file("FinalPF.txt")), ReadFileBytes(envi.file("FinalPF.txt")));
    EXPECT_FALSE(std::filesystem::exists(geoTiff.file("map_0")));
    EXPECT_EQ(Summary(geoTiff)["front"][0]["file"], "map_0.tif");

    // Both maps as GDAL reads them.
    for (const std::string& path : {envi.file("map_0"), geoTiff.file("map_0.tif")}) {
        GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
        ASSERT_NE(dataset, nullptr) << path;
        double transform[6];
        ASSERT_EQ(GDALGetGeoTransform(dataset, transform), CE_None);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(transform[i], kTransform[i]) << path;
        OGRSpatialReferenceH expected = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(expected, 32633);
        EXPECT_TRUE(OSRIsSame(GDALGetSpatialRef(dataset), expected)) << path;
        OSRDestroySpatialReference(expected);
        GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
        int hasNodata = 0;
        EXPECT_EQ(GDALGetRasterNoDataValue(band, &hasNodata), 0.0);
        EXPECT_TRUE(hasNodata) << path;
        std::vector<std::uint8_t> labels(kPixels);
        ASSERT_EQ(GDALRasterIO(band, GF_Read, 0, 0, kSamples, kLines, labels.data(), kSamples,
                               kLines, GDT_Byte, 0, 0),
                  CE_None);
        EXPECT_EQ(std::string(labels.begin(), labels.end()), map) << path;
        GDALClose(dataset);
    }
    ASSERT_TRUE(std::filesystem::exists(geoTiff.file("map_0.tif.aux.xml")));
    GDALDatasetH dataset = GDALOpen(geoTiff.file("map_0.tif").c_str(), GA_ReadOnly);
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    // GDAL reads the side file once the dataset's own metadata is first asked for.
    GDALGetMetadata(dataset, nullptr);
    char** structure = GDALGetMetadata(dataset, "IMAGE_STRUCTURE");
    EXPECT_STREQ(CSLFetchNameValue(structure, "COMPRESSION"), "DEFLATE");
    char** names = GDALGetRasterCategoryNames(band);
    ASSERT_EQ(CSLCount(names), 4);
    EXPECT_STREQ(names[0], "Unclassified");
    EXPECT_STREQ(names[3], "Class 3");
    GDALColorTableH colours = GDALGetRasterColorTable(band);
    ASSERT_NE(colours, nullptr);
    const GDALColorEntry* blue = GDALGetColorEntry(colours, 1);
    EXPECT_EQ((std::vector<short>{blue->c1, blue->c2, blue->c3}), (std::vector<short>{0, 0, 255}));
    const GDALColorEntry* green = GDALGetColorEntry(colours, 2);
    EXPECT_EQ((std::vector<short>{green->c1, green->c2, green->c3}),
              (std::vector<short>{0, 255, 0}));
    int blockX = 0, blockY = 0;
    GDALGetBlockSize(band, &blockX, &blockY);
    EXPECT_EQ(blockX, 256);  // tiled
    GDALClose(dataset);
}

// The search over an image with left-out pixels is the search over its other pixels alone: the
// same front, objectives the literal evaluation gives over those pixels, and labels 0 at the
// pixels left out.
TEST(GdalInput, LeftOutPixelsTakeNoPartInTheObjectives) {
    Image whole;
    whole.lines = kLines;
    whole.samples = kSamples;
    whole.bands = kBands;
    whole.bandData = Scene(1.0);
    whole.bandNodata = {0.0, 0.0, 0.0};
    std::vector<bool> leftOut(kPixels, false);
    for (const int p : {0, 5, 6, 30, 62}) {
        for (int b = 0; b < kBands; ++b) whole.bandData[b * kPixels + p] = 0.0;
        leftOut[p] = true;
    }
    whole.bandData[kPixels + 40] = std::numeric_limits<double>::infinity();
    leftOut[40] = true;

    Image kept;
    kept.lines = 1;
    kept.bands = kBands;
    for (int b = 0; b < kBands; ++b) {
        for (int p = 0; p < kPixels; ++p) {
            if (!leftOut[p]) kept.bandData.push_back(whole.bandData[b * kPixels + p]);
        }
    }
    kept.samples = static_cast<int>(kept.bandData.size()) / kBands;
    ASSERT_EQ(kept.samples, kPixels - 6);

    ClassifyOptions options;
    options.clusters = 3;
    options.popSize = 6;
    options.generations = 3;
    options.seed = 5;
    const ClassifyResult withHoles = tavorin::Classify(whole, options);
    const ClassifyResult alone = tavorin::Classify(kept, options);
    EXPECT_EQ(withHoles.leftOutPixels, 6);
    ASSERT_EQ(withHoles.front.size(), alone.front.size());
    for (std::size_t j = 0; j < alone.front.size(); ++j) {
        const FrontMember& member = withHoles.front[j];
        EXPECT_EQ(member.centres, alone.front[j].centres);
        const detail::ObjectivePair literal =
            detail::LiteralEvaluate({&kept.bandData, kept.samples, kBands}, 3, member.centres, 2.0,
                                    detail::PowerMode::Products);
        EXPECT_EQ(member.jm, literal.jm);
        EXPECT_EQ(member.xbIndex, literal.xbIndex);
        std::size_t q = 0;
        for (int p = 0; p < kPixels; ++p) {
            EXPECT_EQ(member.labels[p], leftOut[p] ? 0 : alone.front[j].labels[q++]) << p;
        }
    }
}

// Damaged and odd rasters are refused with GDAL's reason and nothing is written.
TEST(GdalInput, RefusesWhatCannotBeReadInFull) {
    const TempDir data, work;
    WriteGeoTiff(data.file("scene.tif"), {Scene(1.0), GDT_Byte});
    const std::string whole = ReadFileBytes(data.file("scene.tif"));
    testing::WriteFileBytes(data.file("cut.tif"), whole.substr(0, whole.size() - 60));
    Outcome outcome = Classify(work, data.file("cut.tif"));
    EXPECT_FALSE(outcome.finished);
    EXPECT_NE(Message(outcome).find("cut.tif"), std::string::npos) << Message(outcome);

    testing::WriteFileBytes(
        data.file("stack.vrt"),
        "<VRTDataset rasterXSize=\"9\" rasterYSize=\"7\"><VRTRasterBand dataType=\"Byte\" "
        "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">gone.tif</SourceFilename>"
        "<SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>\n");
    outcome = Classify(work, data.file("stack.vrt"));
    EXPECT_FALSE(outcome.finished);
    EXPECT_NE(Message(outcome).find("gone.tif"), std::string::npos) << Message(outcome);

    GDALDatasetH complex = GDALCreate(GDALGetDriverByName("GTiff"), data.file("c.tif").c_str(), 4,
                                      4, 1, GDT_CInt16, nullptr);
    GDALClose(complex);
    outcome = Classify(work, data.file("c.tif"));
    EXPECT_EQ(Message(outcome), "Band 1 of the image \"" + data.file("c.tif") +
                                    "\" holds complex samples of type CInt16, which cannot be "
                                    "classified; the sample types read are Byte, Int8, UInt16, "
                                    "Int16, UInt32, Int32, Float32 and Float64.\n");

    testing::WriteFileBytes(data.file("notes.txt"), "not an image\n");
    outcome = Classify(work, data.file("notes.txt"));
    EXPECT_EQ(Message(outcome), "Please generate the file header using ENVI！\n");
    EXPECT_TRUE(std::filesystem::is_empty(work.path()));
}

}  // namespace
}  // namespace tavorin
