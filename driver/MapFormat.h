#pragma once

#include <cstddef>
#include <string>

namespace tavorin {

// How the classification maps are written: raw bytes with an ENVI header, or GeoTIFF.
enum class MapFormat { Envi, GeoTiff };

// Front member j's map: "<output>_<j>" with its header "<output>_<j>.hdr", or "<output>_<j>.tif".
std::string MapFileName(const std::string& outputPath, std::size_t j, MapFormat format);

// Its quick-look picture, "<output>_<j>.png" in both formats.
std::string MapPictureFileName(const std::string& outputPath, std::size_t j);

}  // namespace tavorin
