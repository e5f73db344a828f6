#pragma once

#include <optional>
#include <string>
#include <vector>

#include "image/BandSamples.h"
#include "image/CEnviImage.h"

namespace tavorin {

// The raster GDAL opens at `path` (a file, or a name in GDAL's own syntax such as a NetCDF
// subdataset), described as an input image: geometry, sample type, the bands' nodata values,
// georeference and `format` (GDAL's driver name). Nothing when no GDAL driver recognises it.
// Throws UserError with GDAL's reason when a driver recognises it but cannot open it, and for
// a raster that cannot be classified (no bands, complex or 64-bit integer samples, too large).
std::optional<CEnviImage> DescribeGdalRaster(const std::string& path);

// Whether `path` is a file of a self-describing raster format (GeoTIFF, JPEG 2000, VRT, ...)
// by its content: such a file is read through GDAL even when an ENVI header lies beside it,
// since its bytes are no raw samples.
bool IsSelfDescribingRaster(const std::string& path);

// Every band of the raster `description` describes, as band-sequential doubles (band b of
// pixel p at b * N + p), each band read straight into its place. Throws UserError with GDAL's
// reason when any part of it cannot be read.
std::vector<double> ReadGdalBandData(const CEnviImage& description);

// The same samples in their own type (CEnviImage::StoredType): a byte raster costs its size.
BandSamples ReadGdalSamples(const CEnviImage& description);
// The lines firstLine .. firstLine + lineCount - 1 alone, read by windows of whole lines.
BandSamples ReadGdalLineSamples(const CEnviImage& description, int firstLine, int lineCount);

}  // namespace tavorin
