#pragma once

#include <array>
#include <string>
#include <vector>

namespace tavorin {

// Where an image lies on the ground: GDAL's affine geotransform (x origin, pixel width, row
// rotation, y origin, column rotation, pixel height) and its coordinate system as WKT.
struct Georeference {
    bool hasGeoTransform = false;
    std::array<double, 6> geoTransform{0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    std::string coordinateSystemWkt;  // empty: none known

    bool empty() const { return !hasGeoTransform && coordinateSystemWkt.empty(); }
};

// The georeference GDAL reads from the raster at `path` (for an ENVI image, from its header's
// "map info" and "coordinate system string"); empty when GDAL cannot open it or it has none.
Georeference ReadGeoreference(const std::string& path);

// The georeference of a dataset GDAL has open (a GDALDatasetH).
Georeference GeoreferenceOf(void* dataset);

// The header entries ("map info = {...}", "coordinate system string = {...}" and, for some
// projections, "projection info = {...}") that GDAL's own ENVI writer gives `georeference`, in
// its order, so that GDAL and ENVI readers find the same origin, pixel size and coordinate
// system in a written header. None for an empty georeference.
std::vector<std::string> EnviGeoreferenceEntries(const Georeference& georeference);

}  // namespace tavorin
