#include "report/PixelArea.h"

#include <cpl_error.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <memory>

namespace tavorin {
namespace {

bool UnitsAreMetres(const std::string& wkt) {
    // A text GDAL cannot read means units unknown, not a message on the terminal.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    const std::unique_ptr<void, void (*)(OGRSpatialReferenceH)> system(
        OSRNewSpatialReference(wkt.c_str()), OSRDestroySpatialReference);
    CPLPopErrorHandler();
    if (!system) return false;
    if (!OSRIsProjected(system.get()) && !OSRIsLocal(system.get())) return false;
    return OSRGetLinearUnits(system.get(), nullptr) == 1.0;
}

}  // namespace

std::optional<PixelArea> PixelAreaInMetres(const Georeference& georeference) {
    if (!georeference.hasGeoTransform || georeference.coordinateSystemWkt.empty()) {
        return std::nullopt;
    }
    const auto& t = georeference.geoTransform;
    PixelArea area;
    area.x = std::hypot(t[1], t[4]);
    area.y = std::hypot(t[2], t[5]);
    area.squareMetres = std::fabs(t[1] * t[5] - t[2] * t[4]);
    if (!std::isfinite(area.squareMetres) || !(area.squareMetres > 0.0)) return std::nullopt;
    if (!UnitsAreMetres(georeference.coordinateSystemWkt)) return std::nullopt;
    return area;
}

}  // namespace tavorin
