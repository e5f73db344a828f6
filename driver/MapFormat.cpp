#include "driver/MapFormat.h"

#include "platform/NumberText.h"

namespace tavorin {
namespace {

std::string baseName(const std::string& outputPath, std::size_t j) {
    return outputPath + "_" + platform::formatInt(static_cast<long long>(j));
}

}  // namespace

std::string MapFileName(const std::string& outputPath, std::size_t j, MapFormat format) {
    return baseName(outputPath, j) + (format == MapFormat::GeoTiff ? ".tif" : "");
}

std::string MapPictureFileName(const std::string& outputPath, std::size_t j) {
    return baseName(outputPath, j) + ".png";
}

}  // namespace tavorin
