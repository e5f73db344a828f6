#include "report/ClassStatistics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "report/PixelArea.h"

namespace tavorin {
namespace {

const char* const kUtm33 =
    "PROJCS[\"WGS 84 / UTM zone 33N\",GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS "
    "84\",6378137,298.257223563]],PRIMEM[\"Greenwich\",0],UNIT[\"degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"latitude_of_origin\",0],PARAMETER["
    "\"central_meridian\",15],PARAMETER[\"scale_factor\",0.9996],PARAMETER[\"false_easting\","
    "500000],PARAMETER[\"false_northing\",0],UNIT[\"metre\",1]]";

Georeference Grid(std::array<double, 6> transform, const std::string& wkt) {
    Georeference georeference;
    georeference.hasGeoTransform = true;
    georeference.geoTransform = transform;
    georeference.coordinateSystemWkt = wkt;
    return georeference;
}

TEST(ClassStatisticsTest, CountsEveryLabelInOnePass) {
    // Ten pixels: the four-at-a-time loop and its rest; 5 and 7 lie above K = 3.
    const std::vector<std::uint8_t> labels{0, 1, 1, 2, 5, 3, 3, 3, 1, 7};
    EXPECT_EQ(CountLabels(labels, 3), (std::vector<long long>{1, 3, 1, 3}));
    EXPECT_EQ(CountLabels({}, 2), (std::vector<long long>{0, 0, 0}));
}

TEST(ClassStatisticsTest, SharesAndAreasFromAKnownPixelSize) {
    const std::vector<long long> counts{1, 3, 1, 3};  // 7 classified pixels
    const std::vector<int> legend{2, 3, 1};
    const std::vector<ClassStatistic> classes = MapClassStatistics(counts, legend, 900.0);
    ASSERT_EQ(classes.size(), 3u);
    EXPECT_EQ(classes[0].label, 1);
    EXPECT_EQ(classes[0].legendClass, 2);
    EXPECT_EQ(classes[0].pixels, 3);
    EXPECT_EQ(classes[0].share, 3.0 / 7.0);
    EXPECT_DOUBLE_EQ(*classes[0].hectares, 0.27);
    EXPECT_DOUBLE_EQ(*classes[0].squareKilometres, 0.0027);
    EXPECT_EQ(classes[2].legendClass, 1);
    EXPECT_DOUBLE_EQ(*classes[1].hectares, 0.09);

    const std::vector<ClassStatistic> plain = MapClassStatistics(counts, {}, std::nullopt);
    EXPECT_EQ(plain[2].legendClass, 3);
    EXPECT_FALSE(plain[2].hectares.has_value());
    EXPECT_FALSE(plain[2].squareKilometres.has_value());
    EXPECT_EQ(MapClassStatistics(std::vector<long long>{4, 0, 0}, {}, 1.0)[0].share, 0.0);
}

TEST(ClassStatisticsTest, PixelAreaOnlyInMetres) {
    const std::optional<PixelArea> utm =
        PixelAreaInMetres(Grid({500000, 30, 0, 4000000, 0, -30}, kUtm33));
    ASSERT_TRUE(utm.has_value());
    EXPECT_EQ(utm->x, 30.0);
    EXPECT_EQ(utm->y, 30.0);
    EXPECT_EQ(utm->squareMetres, 900.0);
    // A rotated grid: sides of 5, area |3 * -3 - 4 * 4| = 25.
    const std::optional<PixelArea> rotated = PixelAreaInMetres(Grid({0, 3, 4, 0, 4, -3}, kUtm33));
    ASSERT_TRUE(rotated.has_value());
    EXPECT_EQ(rotated->x, 5.0);
    EXPECT_EQ(rotated->y, 5.0);
    EXPECT_EQ(rotated->squareMetres, 25.0);

    std::string feet = kUtm33;
    feet.replace(feet.find("UNIT[\"metre\",1]]"), std::string("UNIT[\"metre\",1]]").size(),
                 "UNIT[\"US survey foot\",0.304800609601219]]");
    EXPECT_FALSE(PixelAreaInMetres(Grid({0, 30, 0, 0, 0, -30}, feet)).has_value());
    const std::string degrees =
        "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563]],"
        "PRIMEM[\"Greenwich\",0],UNIT[\"degree\",0.0174532925199433]]";
    EXPECT_FALSE(PixelAreaInMetres(Grid({0, 0.01, 0, 0, 0, -0.01}, degrees)).has_value());
    EXPECT_FALSE(PixelAreaInMetres(Grid({0, 30, 0, 0, 0, -30}, "")).has_value());
    EXPECT_FALSE(PixelAreaInMetres(Grid({0, 30, 0, 0, 0, -30}, "not a system")).has_value());
    EXPECT_FALSE(PixelAreaInMetres(Grid({0, 0, 0, 0, 0, -30}, kUtm33)).has_value());
    EXPECT_FALSE(PixelAreaInMetres(Georeference{}).has_value());
}

}  // namespace
}  // namespace tavorin
