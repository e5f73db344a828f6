#pragma once

#include <optional>

#include "image/Georeference.h"

namespace tavorin {

// The size of one pixel on the ground.
struct PixelArea {
    double x = 0.0;             // the length of a pixel's side along a row, in metres
    double y = 0.0;             // the length of its side along a column, in metres
    double squareMetres = 0.0;  // its area (x * y unless the grid is rotated or sheared)
};

// The pixel size of `georeference` when its map units are metres: a projected (or local)
// coordinate system whose linear unit is the metre, and a geotransform with a pixel of finite,
// non-zero area. None otherwise: no georeference, degrees, feet, or a system GDAL cannot read.
std::optional<PixelArea> PixelAreaInMetres(const Georeference& georeference);

}  // namespace tavorin
