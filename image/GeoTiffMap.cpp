#include "image/GeoTiffMap.h"

#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "image/ClassColours.h"
#include "image/GdalSupport.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

[[noreturn]] void refuse() {
    throw UserError("Cannot make a GeoTIFF map: " + gdal::LastErrorMessage() + ".");
}

void describeClasses(GDALRasterBandH band, int classes) {
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    std::vector<std::string> names;
    for (int c = 0; c < classes; ++c) {
        // Classes beyond the table's twenty repeat its colours, as in the ENVI headers.
        const ClassColour& colour =
            classColourTable[static_cast<std::size_t>(c) % classColourTable.size()];
        const GDALColorEntry entry{static_cast<short>(colour.red), static_cast<short>(colour.green),
                                   static_cast<short>(colour.blue), 255};
        GDALSetColorEntry(table, c, &entry);
        names.push_back(c == 0 ? "Unclassified" : "Class " + platform::formatInt(c));
    }
    GDALSetRasterColorTable(band, table);
    GDALDestroyColorTable(table);
    GDALSetRasterColorInterpretation(band, GCI_PaletteIndex);

    std::vector<char*> list;
    for (std::string& name : names) list.push_back(name.data());
    list.push_back(nullptr);
    GDALSetRasterCategoryNames(band, list.data());
}

}  // namespace

GeoTiffMapFiles MakeGeoTiffMap(const GeoTiffMap& map) {
    const gdal::QuietErrors quiet;
    GDALDriverH gtiff = GDALGetDriverByName("GTiff");
    if (gtiff == nullptr) refuse();
    const std::string name = gdal::MemoryFileName(".tif");
    {
        const char* const options[] = {"TILED=YES", "COMPRESS=DEFLATE", nullptr};
        const gdal::Dataset dataset(GDALCreate(gtiff, name.c_str(), map.samples, map.lines, 1,
                                               GDT_Byte, const_cast<char**>(options)));
        if (!dataset) refuse();
        if (map.georeference.hasGeoTransform) {
            double transform[6];
            for (std::size_t i = 0; i < 6; ++i) transform[i] = map.georeference.geoTransform[i];
            GDALSetGeoTransform(dataset.get(), transform);
        }
        if (!map.georeference.coordinateSystemWkt.empty()) {
            GDALSetProjection(dataset.get(), map.georeference.coordinateSystemWkt.c_str());
        }
        GDALRasterBandH band = GDALGetRasterBand(dataset.get(), 1);
        describeClasses(band, map.classes);
        if (map.zeroIsNodata) GDALSetRasterNoDataValue(band, 0.0);
        if (GDALRasterIO(band, GF_Write, 0, 0, map.samples, map.lines,
                         const_cast<std::uint8_t*>(map.labels.data()), map.samples, map.lines,
                         GDT_Byte, 0, 0) != CE_None) {
            VSIUnlink(name.c_str());
            refuse();
        }
    }
    GeoTiffMapFiles files;
    files.tiff = gdal::TakeMemoryFile(name);
    if (files.tiff.empty()) refuse();
    files.auxiliaryXml = gdal::TakeMemoryFile(name + ".aux.xml");
    return files;
}

std::vector<std::uint8_t> ReadMapLabels(const std::string& path, std::size_t pixelCount) {
    const gdal::QuietErrors quiet;
    const gdal::Dataset dataset = gdal::OpenRaster(path);
    const auto cannotRead = [&] {
        return UserError("Cannot read the classification image \"" + path + "\".");
    };
    if (!dataset || GDALGetRasterCount(dataset.get()) != 1) throw cannotRead();
    const int samples = GDALGetRasterXSize(dataset.get());
    const int lines = GDALGetRasterYSize(dataset.get());
    if (static_cast<std::size_t>(samples) * static_cast<std::size_t>(lines) != pixelCount) {
        throw cannotRead();
    }
    std::vector<std::uint8_t> labels(pixelCount);
    if (GDALRasterIO(GDALGetRasterBand(dataset.get(), 1), GF_Read, 0, 0, samples, lines,
                     labels.data(), samples, lines, GDT_Byte, 0, 0) != CE_None) {
        throw cannotRead();
    }
    return labels;
}

}  // namespace tavorin
