#include "image/Georeference.h"

#include <cpl_vsi.h>
#include <gdal.h>

#include <string>

#include "image/EnviHeaderText.h"
#include "image/GdalSupport.h"

namespace tavorin {
namespace {}  // namespace

Georeference ReadGeoreference(const std::string& path) {
    if (gdal::IsSpecialFile(path)) return {};
    const gdal::QuietErrors quiet;
    const gdal::Dataset dataset = gdal::OpenRaster(path);
    return dataset ? GeoreferenceOf(dataset.get()) : Georeference();
}

Georeference GeoreferenceOf(void* dataset) {
    Georeference georeference;
    double transform[6];
    if (GDALGetGeoTransform(dataset, transform) == CE_None) {
        georeference.hasGeoTransform = true;
        for (std::size_t i = 0; i < 6; ++i) georeference.geoTransform[i] = transform[i];
    }
    if (const char* wkt = GDALGetProjectionRef(dataset); wkt != nullptr) {
        georeference.coordinateSystemWkt = wkt;
    }
    return georeference;
}

std::vector<std::string> EnviGeoreferenceEntries(const Georeference& georeference) {
    if (georeference.empty()) return {};
    const gdal::QuietErrors quiet;
    GDALDriverH envi = GDALGetDriverByName("ENVI");
    if (envi == nullptr) return {};
    // A one-pixel image written by GDAL's ENVI driver: its header holds the entries.
    const std::string name = gdal::MemoryFileName(".img");
    const std::string headerName = name.substr(0, name.size() - 4) + ".hdr";
    {
        const gdal::Dataset dataset(GDALCreate(envi, name.c_str(), 1, 1, 1, GDT_Byte, nullptr));
        if (!dataset) return {};
        if (georeference.hasGeoTransform) {
            double transform[6];
            for (std::size_t i = 0; i < 6; ++i) transform[i] = georeference.geoTransform[i];
            GDALSetGeoTransform(dataset.get(), transform);
        }
        if (!georeference.coordinateSystemWkt.empty()) {
            GDALSetProjection(dataset.get(), georeference.coordinateSystemWkt.c_str());
        }
    }
    const std::string header = gdal::TakeMemoryFile(headerName);
    VSIUnlink(name.c_str());
    VSIUnlink((name + ".aux.xml").c_str());

    std::vector<std::string> entries;
    for (const EnviHeaderEntry& entry : ParseEnviHeaderText(header)) {
        if (entry.normalizedKey == "map info" ||
            entry.normalizedKey == "coordinate system string" ||
            entry.normalizedKey == "projection info") {
            entries.push_back(entry.key + " = " + entry.value);
        }
    }
    return entries;
}

}  // namespace tavorin
