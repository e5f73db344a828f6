#include "report/QuickLookPng.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/CEnviImage.h"
#include "platform/NumberText.h"
#include "platform/Random.h"
#include "tests/pictures/PngDecode.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::DecodedPng;
using testing::DecodePng;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string_view AsText(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(PercentileTest, InterpolatesBetweenNearestRanksWhateverTheOrder) {
    // 0..50 in an order drawn from a fixed seed: the 2nd and 98th percentiles sit exactly on
    // ranks 1 and 49.
    std::vector<double> values;
    for (int v = 0; v <= 50; ++v) values.push_back(v);
    platform::Random15 random(7);
    for (std::size_t i = values.size() - 1; i > 0; --i) {
        std::swap(values[i], values[static_cast<std::size_t>(random.Next()) % (i + 1)]);
    }
    EXPECT_EQ(Percentile(values, 2), 1.0);
    EXPECT_EQ(Percentile(values, 98), 49.0);
    EXPECT_EQ(Percentile(values, 0), 0.0);
    EXPECT_EQ(Percentile(values, 100), 50.0);

    const std::vector<double> pair{20.0, 10.0};
    EXPECT_EQ(Percentile(pair, 50), 15.0);
    EXPECT_NEAR(Percentile(pair, 2), 10.2, 1e-12);
    EXPECT_NEAR(Percentile(pair, 98), 19.8, 1e-12);
}

TEST(PercentileTest, IgnoresValuesThatAreNotFinite) {
    const std::vector<double> values{kNaN, 3.0, kInf, 1.0, -kInf, 2.0};
    EXPECT_EQ(Percentile(values, 50), 2.0);
    EXPECT_TRUE(std::isnan(Percentile(std::vector<double>{kNaN, kInf}, 50)));
    EXPECT_TRUE(std::isnan(Percentile(std::vector<double>{}, 2)));
}

TEST(StretchTest, RangeFallsBackToMinimumAndMaximumWhenPercentilesCoincide) {
    std::vector<double> mostlySeven(100, 7.0);
    mostlySeven.push_back(100.0);  // 101 values: the 98th percentile is rank 98, still 7
    const StretchRange range = PercentileStretchRange(mostlySeven);
    EXPECT_EQ(range.low, 7.0);
    EXPECT_EQ(range.high, 100.0);

    const StretchRange flat = PercentileStretchRange(std::vector<double>(5, 3.0));
    EXPECT_EQ(flat.low, 3.0);
    EXPECT_EQ(flat.high, 3.0);
    EXPECT_EQ(StretchToByte(3.0, flat), 128);
}

TEST(StretchTest, MapsLinearlyClampsAndRoundsHalfUp) {
    const StretchRange range{1.0, 49.0};
    EXPECT_EQ(StretchToByte(1.0, range), 0);
    EXPECT_EQ(StretchToByte(-5.0, range), 0);
    EXPECT_EQ(StretchToByte(13.0, range), 64);   // 63.75
    EXPECT_EQ(StretchToByte(25.0, range), 128);  // 127.5
    EXPECT_EQ(StretchToByte(49.0, range), 255);
    EXPECT_EQ(StretchToByte(1e300, range), 255);
    EXPECT_EQ(StretchToByte(kNaN, range), 0);
    EXPECT_EQ(StretchToByte(kInf, range), 0);
}

TEST(InputPictureTest, ChoosesBandsByCount) {
    EXPECT_EQ(ChooseDisplayBands(6).band, (std::array<int, 3>{3, 2, 1}));
    EXPECT_EQ(ChooseDisplayBands(4).band, (std::array<int, 3>{3, 2, 1}));
    EXPECT_EQ(ChooseDisplayBands(3).band, (std::array<int, 3>{0, 1, 2}));
    EXPECT_FALSE(ChooseDisplayBands(3).grey);
    EXPECT_EQ(ChooseDisplayBands(2).band, (std::array<int, 3>{0, 0, 0}));
    EXPECT_TRUE(ChooseDisplayBands(2).grey);
    EXPECT_TRUE(ChooseDisplayBands(1).grey);
}

TEST(InputPictureTest, StretchesBandsFourThreeTwoOfATinyImage) {
    // 3 samples x 2 lines x 4 bands. Red shows band 4: 0..50 by 10, stretched between 1 and 49.
    // Green shows band 3, constant: mid grey. Blue shows band 2: 6..1, stretched between 1.1
    // and 5.9. Band 1 must not show.
    const std::vector<double> bandData{
        1e9, -1e9, 1e9, -1e9, 1e9, -1e9,  // band 1
        6,   5,    4,   3,    2,   1,     // band 2
        7,   7,    7,   7,    7,   7,     // band 3
        0,   10,   20,  30,   40,  50,    // band 4
    };
    const Picture picture = InputPicture(bandData, 4, 2, 3);
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    EXPECT_TRUE(picture.palette.empty());
    const std::vector<std::uint8_t> expected{
        0, 128, 255, 48, 128, 207, 101, 128, 154, 154, 128, 101, 207, 128, 48, 255, 128, 0,
    };
    EXPECT_EQ(picture.pixels, expected);
}

TEST(InputPictureTest, OneBandIsGreyAndNonFiniteSamplesAreBlack) {
    const std::vector<double> bandData{0, 10, 20, 30, 40, 50, kNaN};
    const Picture picture = InputPicture(bandData, 1, 1, 7);
    // Finite values 0..50 (six of them): percentiles 1 and 49.
    const std::vector<std::uint8_t> expected{0,   0,   0,   48,  48,  48,  101, 101, 101, 154, 154,
                                             154, 207, 207, 207, 255, 255, 255, 0,   0,   0};
    EXPECT_EQ(picture.pixels, expected);
}

// Pixels left out are grey; the stretch is that of the others alone.
TEST(InputPictureTest, PixelsLeftOutAreGrey) {
    const std::vector<double> searchedData{0, 10, 20, 30, 40, 50};
    const std::vector<std::uint8_t> searched{1, 1, 0, 1, 1, 1, 0, 1};
    const Picture picture = InputPicture(searchedData, 1, 2, 4, searched);
    const std::vector<std::uint8_t> expected{0,   0,   0,   48,  48,  48,  128, 128,
                                             128, 101, 101, 101, 154, 154, 154, 207,
                                             207, 207, 128, 128, 128, 255, 255, 255};
    EXPECT_EQ(picture.pixels, expected);
    EXPECT_THROW(InputPicture(searchedData, 1, 2, 4, std::vector<std::uint8_t>(7, 1)),
                 std::invalid_argument);
}

TEST(InputPictureTest, RefusesBandDataShorterThanTheGeometry) {
    const std::vector<double> bandData(11, 1.0);
    EXPECT_THROW(InputPicture(bandData, 2, 2, 3), std::invalid_argument);
    EXPECT_THROW(InputPicture(bandData, 0, 2, 3), std::invalid_argument);
}

TEST(ClassMapPngTest, PixelsHaveTheClassColoursOfATinyClassification) {
    // 3 samples x 2 lines, K = 5: six classes. Label 9 has no colour in a 6-class map.
    const std::vector<std::uint8_t> labels{1, 2, 3, 4, 5, 9};
    const Picture map = ClassMapPicture(labels, 2, 3, 6);
    const std::vector<std::uint8_t> png = EncodePng(map);
    const DecodedPng decoded = DecodePng(AsText(png));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, 3);
    EXPECT_EQ(decoded.height, 2);
    EXPECT_EQ(decoded.colourType, 3);
    EXPECT_EQ(decoded.paletteEntries, 6);
    const std::vector<std::uint8_t> expected{
        0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 0,
    };
    EXPECT_EQ(decoded.rgb, expected);
}

TEST(ClassMapPngTest, LegendRecoloursThePaletteAndKeepsTheLabels) {
    const std::vector<std::uint8_t> labels{0, 1, 2, 3};
    const std::vector<int> legend{3, 1, 2};
    const Picture map = ClassMapPicture(labels, 2, 2, 4, false, legend);
    EXPECT_EQ(map.pixels, labels);
    ASSERT_EQ(map.palette.size(), 4u);
    const auto rgb = [](const ClassColour& c) { return std::vector<int>{c.red, c.green, c.blue}; };
    EXPECT_EQ(rgb(map.palette[0]), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(map.palette[1]), (std::vector<int>{255, 0, 0}));  // class 3
    EXPECT_EQ(rgb(map.palette[2]), (std::vector<int>{0, 0, 255}));  // class 1
    EXPECT_EQ(rgb(map.palette[3]), (std::vector<int>{0, 255, 0}));  // class 2
}

// Class 0 marks pixels left out: transparent in the picture, every class opaque.
TEST(ClassMapPngTest, ClassZeroIsTransparentWhenPixelsWereLeftOut) {
    const std::vector<std::uint8_t> labels{0, 1, 2, 0};
    const std::string opaque(AsText(EncodePng(ClassMapPicture(labels, 2, 2, 3))));
    EXPECT_EQ(opaque.find("tRNS"), std::string::npos);
    const std::string png(AsText(EncodePng(ClassMapPicture(labels, 2, 2, 3, true))));
    const std::size_t chunk = png.find("tRNS");
    ASSERT_NE(chunk, std::string::npos);
    // One alpha value, 0 for class 0; the entries it leaves out are opaque.
    EXPECT_EQ(png.substr(chunk - 4, 9), std::string("\0\0\0\x01tRNS\0", 9));
}

TEST(ClassMapPngTest, ColoursMatchTheClassLookupOfTheHeaders) {
    // Both the headers and the pictures colour classes 0..19; they must agree.
    testing::TempDir dir;
    CEnviImage header;
    header.classes = 20;
    header.SetGeometry(1, 1, 20, 1, dir.file("all_classes"));
    std::vector<unsigned char> labels(20);
    for (int c = 0; c < 20; ++c)
        labels[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
    header.WriteClassification(labels.data());
    const std::string text =
        testing::ReadFileBytes(CEnviImage::HeaderFileName(dir.file("all_classes")));
    const std::size_t lookup = text.find("class lookup = {\r\n\t");
    ASSERT_NE(lookup, std::string::npos);
    const std::size_t start = lookup + std::string("class lookup = {\r\n\t").size();
    const std::string list = text.substr(start, text.find('}', start) - start);
    std::vector<int> headerComponents;
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        headerComponents.push_back(platform::parseInt32(list.substr(at, comma - at)).value_or(-1));
        at = comma + 1;
    }

    const DecodedPng decoded = DecodePng(AsText(EncodePng(ClassMapPicture(labels, 1, 20, 20))));
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(headerComponents.size(), decoded.rgb.size());
    for (std::size_t i = 0; i < decoded.rgb.size(); ++i) {
        EXPECT_EQ(headerComponents[i], decoded.rgb[i])
            << "class " << i / 3 << " component " << i % 3;
    }
    EXPECT_EQ(decoded.rgb[7 * 3 + 1], 139);  // a colour that is not 0, 128 or 255
}

TEST(PngEncodingTest, RgbRoundTripsAndIsRepeatable) {
    platform::Random15 random(2024);
    Picture picture;
    picture.width = 17;
    picture.height = 5;
    for (int i = 0; i < 17 * 5 * 3; ++i)
        picture.pixels.push_back(static_cast<std::uint8_t>(random.Next() & 0xFF));
    const std::vector<std::uint8_t> png = EncodePng(picture);
    EXPECT_EQ(EncodePng(picture), png);
    // Signature, then IHDR with the size big-endian, 8 bits, colour type 2.
    const std::string head(reinterpret_cast<const char*>(png.data()), 26);
    EXPECT_EQ(head, std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x11\0\0\0\x05\x08\x02", 26));
    const DecodedPng decoded = DecodePng(AsText(png));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.rgb, picture.pixels);
}

TEST(PngEncodingTest, RefusesPixelsThatDoNotMatchTheSize) {
    Picture picture;
    picture.width = 2;
    picture.height = 2;
    picture.pixels.assign(11, 0);
    EXPECT_THROW(EncodePng(picture), std::invalid_argument);
    picture.width = 0;
    picture.pixels.clear();
    EXPECT_THROW(EncodePng(picture), std::invalid_argument);
}

TEST(ScaledDownTest, SamplesTheSourcePixelUnderEachCentre) {
    Picture wide;
    wide.width = 400;
    wide.height = 200;
    wide.palette.assign(1, ClassColour{});
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 400; ++x)
            wide.pixels.push_back(static_cast<std::uint8_t>((x + 3 * y) % 251));
    }
    const Picture small = ScaledDown(wide, 160);
    ASSERT_EQ(small.width, 160);
    ASSERT_EQ(small.height, 80);
    ASSERT_EQ(small.pixels.size(), 160u * 80u);
    EXPECT_EQ(small.palette.size(), 1u);
    // Target (0, 0) samples source (1, 1); target (159, 79) samples (398, 198).
    EXPECT_EQ(small.pixels[0], (1 + 3 * 1) % 251);
    EXPECT_EQ(small.pixels[79 * 160 + 159], (398 + 3 * 198) % 251);

    Picture thin;
    thin.width = 1;
    thin.height = 1000;
    thin.pixels.assign(3000, 9);
    const Picture thinSmall = ScaledDown(thin, 160);
    EXPECT_EQ(thinSmall.width, 1);
    EXPECT_EQ(thinSmall.height, 160);
    EXPECT_EQ(thinSmall.pixels.size(), 480u);

    const Picture fits = ScaledDown(wide, 400);
    EXPECT_EQ(fits.width, 400);
    EXPECT_EQ(fits.pixels, wide.pixels);
}

}  // namespace
}  // namespace tavorin
