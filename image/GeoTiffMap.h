#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/Georeference.h"

namespace tavorin {

// A classification map to be written as a GeoTIFF.
struct GeoTiffMap {
    std::span<const std::uint8_t> labels;  // one per pixel, line-major
    int lines = 0;
    int samples = 0;
    int classes = 0;            // colours and names for classes 0 .. classes - 1
    bool zeroIsNodata = false;  // class 0 marks pixels left out of the classification
    Georeference georeference;
};

// The files of a GeoTIFF map: the GeoTIFF itself and the GDAL side file "<map>.aux.xml" that
// holds what TIFF has no tag for (the category names).
struct GeoTiffMapFiles {
    std::string tiff;
    std::string auxiliaryXml;  // empty: none needed
};

// The map as a GeoTIFF: one Byte band, tiled and DEFLATE-compressed, with the colour table of
// the ENVI class lookup (class 0 black), the category names "Unclassified", "Class 1", ...,
// nodata 0 when class 0 marks pixels left out, and the georeference. Throws UserError with
// GDAL's reason when it cannot be made.
GeoTiffMapFiles MakeGeoTiffMap(const GeoTiffMap& map);

// The labels of the single-band Byte map at `path` (line-major), which must hold `pixelCount`
// pixels. Throws UserError naming the file when it cannot be read.
std::vector<std::uint8_t> ReadMapLabels(const std::string& path, std::size_t pixelCount);

}  // namespace tavorin
