#include "image/CEnviImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

#include "tests/image/ImageTestFiles.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::HeaderText;
using testing::TempDir;
using testing::UserErrorOf;
using testing::WriteFileBytes;

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) bytes += static_cast<char>(value);
    return bytes;
}

std::span<const unsigned char> AsSpan(const std::string& bytes) {
    return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

// Writes "img.hdr" and "img.raw" and reads the header.
CEnviImage WriteImage(const TempDir& dir, const std::string& header, const std::string& raw) {
    WriteFileBytes(dir.file("img.hdr"), header);
    WriteFileBytes(dir.file("img.raw"), raw);
    CEnviImage image;
    image.ReadHeader(dir.file("img.raw"));
    return image;
}

TEST(ConvertSamples, WidensEveryDataType) {
    EXPECT_EQ(ConvertSamples(AsSpan(Bytes({200, 0})), 1, 1, 2), (std::vector<double>{200.0, 0.0}));
    EXPECT_EQ(ConvertSamples(AsSpan(Bytes({0xFF, 0xFF, 0x34, 0x12})), 2, 1, 2),
              (std::vector<double>{-1.0, 4660.0}));
    EXPECT_EQ(ConvertSamples(AsSpan(Bytes({0xFE, 0xFF, 0xFF, 0xFF})), 3, 1, 1),
              (std::vector<double>{-2.0}));
    // 1.5f is 0x3FC00000; -0.25 is 0xBFD0000000000000.
    EXPECT_EQ(ConvertSamples(AsSpan(Bytes({0x00, 0x00, 0xC0, 0x3F})), 4, 1, 1),
              (std::vector<double>{1.5}));
    EXPECT_EQ(ConvertSamples(AsSpan(Bytes({0, 0, 0, 0, 0, 0, 0xD0, 0xBF})), 5, 1, 1),
              (std::vector<double>{-0.25}));
    EXPECT_EQ(ConvertSamples(AsSpan(Bytes({0xFF, 0xFF})), 12, 1, 1),
              (std::vector<double>{65535.0}));
    EXPECT_EQ(ConvertSamples(AsSpan(Bytes({0xFE, 0xFF, 0xFF, 0xFF})), 13, 1, 1),
              (std::vector<double>{4294967294.0}));
    // 0.1f widens exactly, not to 0.1.
    const auto tenth = ConvertSamples(AsSpan(Bytes({0xCD, 0xCC, 0xCC, 0x3D})), 4, 1, 1);
    EXPECT_EQ(tenth[0], static_cast<double>(0.1f));
}

TEST(ConvertSamples, CopiesDoublesBitForBit) {
    // A NaN with a payload keeps its payload.
    const auto values = ConvertSamples(AsSpan(Bytes({1, 2, 3, 4, 5, 6, 0xF8, 0x7F})), 5, 1, 1);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &values[0], sizeof bits);
    EXPECT_EQ(bits, 0x7FF8060504030201ULL);
}

TEST(ReadBandData, ThreeByTwoSixteenBitExample) {
    TempDir dir;
    // 2 bands of 6 pixels; sample k holds the value 100 * k - 1000.
    std::string raw;
    for (int k = 0; k < 12; ++k) {
        const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(100 * k - 1000));
        raw += static_cast<char>(value & 0xFF);
        raw += static_cast<char>(value >> 8);
    }
    ASSERT_EQ(raw.size(), 24u);
    const CEnviImage image = WriteImage(
        dir, "ENVI\nsamples = 3\nlines = 2\nbands = 2\ndata type = 2\ninterleave = bsq\n", raw);
    const auto values = image.ReadBandData();
    ASSERT_EQ(values.size(), 12u);
    // Pixel 4 (line 1, sample 1) of band 1: the sample at byte offset (1 * 6 + 4) * 2 = 20.
    EXPECT_EQ(values[1 * 6 + 4], 0.0);
    EXPECT_EQ(values[0], -1000.0);
    EXPECT_EQ(values[11], 100.0);
    EXPECT_EQ(image.ReadRaw(), std::vector<unsigned char>(raw.begin(), raw.end()));
}

// Band b, line l, sample s of a 3-sample, 2-line, 2-band image holds 100 b + 10 l + s.
std::vector<double> ExpectedBandSequential() {
    std::vector<double> values;
    for (int b = 0; b < 2; ++b)
        for (int l = 0; l < 2; ++l)
            for (int s = 0; s < 3; ++s) values.push_back(100 * b + 10 * l + s);
    return values;
}

// The raw bytes of a 3-sample, 2-band image of `lines` lines in `interleave` ("bsq", "bil" or
// "bip"), sample s of line l in band b being 100 b + 10 l + s.
std::string InterleavedBytes(int lines, const std::string& interleave) {
    std::string raw(static_cast<std::size_t>(2 * lines * 3), '\0');
    for (int b = 0; b < 2; ++b)
        for (int l = 0; l < lines; ++l)
            for (int s = 0; s < 3; ++s) {
                const int at = interleave == "bsq"   ? (b * lines + l) * 3 + s
                               : interleave == "bil" ? (l * 2 + b) * 3 + s
                                                     : (l * 3 + s) * 2 + b;
                raw[static_cast<std::size_t>(at)] = static_cast<char>(100 * b + 10 * l + s);
            }
    return raw;
}

TEST(ReadBandData, ReordersBilAndBip) {
    TempDir dir;
    const std::string bil = InterleavedBytes(2, "bil"), bip = InterleavedBytes(2, "bip");
    EXPECT_EQ(WriteImage(dir, HeaderText(3, 2, 2, 1, "interleave = bil\n"), bil).ReadBandData(),
              ExpectedBandSequential());
    EXPECT_EQ(WriteImage(dir, HeaderText(3, 2, 2, 1, "interleave = BIP\n"), bip).ReadBandData(),
              ExpectedBandSequential());
    // ReadRaw gives the samples as stored.
    const auto stored =
        WriteImage(dir, HeaderText(3, 2, 2, 1, "interleave = bip\n"), bip).ReadRaw();
    EXPECT_EQ(std::string(stored.begin(), stored.end()), bip);
}

TEST(ReadLineSamples, ReadsOnlyTheAskedLinesOfEveryInterleave) {
    // 3 samples x 4 lines x 2 bands, sample 100 b + 10 l + s, after a 5-byte header offset.
    TempDir dir;
    // Lines 1 and 2, band-sequentially.
    const std::vector<std::uint8_t> expected = {10,  11,  12,  20,  21,  22,
                                                110, 111, 112, 120, 121, 122};
    for (const std::string interleave : {"bsq", "bil", "bip"}) {
        const CEnviImage image = WriteImage(
            dir, HeaderText(3, 4, 2, 1, "header offset = 5\ninterleave = " + interleave + "\n"),
            "HEADR" + InterleavedBytes(4, interleave));
        const BandSamples middle = image.ReadLineSamples(1, 2);
        ASSERT_EQ(middle.type(), SampleType::UInt8) << interleave;
        const auto* values = static_cast<const std::uint8_t*>(middle.data());
        EXPECT_EQ(std::vector<std::uint8_t>(values, values + middle.size()), expected)
            << interleave;
        EXPECT_EQ(image.ReadLineSamples(4, 0).size(), 0u) << interleave;
        EXPECT_EQ(image.ReadLineSamples(0, 4).ToDoubles(), image.ReadSamples().ToDoubles())
            << interleave;
        EXPECT_THROW(image.ReadLineSamples(3, 2), std::invalid_argument) << interleave;
    }
}

TEST(ReadBandData, ReordersAcrossManyReadChunks) {
    // 300 x 200 pixels, 3 bands, bip: more samples than one read chunk holds.
    TempDir dir;
    const int samples = 300, lines = 200, bands = 3;
    std::string raw;
    for (int p = 0; p < samples * lines; ++p)
        for (int b = 0; b < bands; ++b) {
            const auto value = static_cast<std::uint16_t>(p * 3 + b * 7);
            raw += static_cast<char>(value >> 8);
            raw += static_cast<char>(value & 0xFF);
        }
    const auto values =
        WriteImage(dir, HeaderText(samples, lines, bands, 12, "interleave = bip\nbyte order = 1\n"),
                   raw)
            .ReadBandData();
    const int n = samples * lines;
    ASSERT_EQ(values.size(), static_cast<std::size_t>(n * bands));
    for (const int p : {0, 1, 4095, 4096, 21845, 21846, 59999}) {
        for (int b = 0; b < bands; ++b) {
            EXPECT_EQ(values[static_cast<std::size_t>(b * n + p)],
                      static_cast<double>(static_cast<std::uint16_t>(p * 3 + b * 7)))
                << "pixel " << p << " band " << b;
        }
    }
}

TEST(ReadBandData, HonoursBigEndianSamples) {
    TempDir dir;
    const std::string header = "byte order = 1\n";
    EXPECT_EQ(WriteImage(dir, HeaderText(2, 1, 1, 2, header), Bytes({0xFF, 0xFE, 0x12, 0x34}))
                  .ReadBandData(),
              (std::vector<double>{-2.0, 4660.0}));
    EXPECT_EQ(WriteImage(dir, HeaderText(1, 1, 1, 3, header), Bytes({0xFF, 0xFF, 0xFF, 0xFE}))
                  .ReadBandData(),
              (std::vector<double>{-2.0}));
    EXPECT_EQ(WriteImage(dir, HeaderText(1, 1, 1, 4, header), Bytes({0x3F, 0xC0, 0x00, 0x00}))
                  .ReadBandData(),
              (std::vector<double>{1.5}));
    EXPECT_EQ(WriteImage(dir, HeaderText(1, 1, 1, 5, header), Bytes({0xBF, 0xD0, 0, 0, 0, 0, 0, 0}))
                  .ReadBandData(),
              (std::vector<double>{-0.25}));
    EXPECT_EQ(WriteImage(dir, HeaderText(1, 1, 1, 13, header), Bytes({0xFF, 0xFF, 0xFF, 0xFE}))
                  .ReadBandData(),
              (std::vector<double>{4294967294.0}));
    // Single bytes have no byte order.
    EXPECT_EQ(WriteImage(dir, HeaderText(1, 1, 1, 1, header), Bytes({200})).ReadBandData(),
              (std::vector<double>{200.0}));
}

TEST(ReadBandData, SkipsTheHeaderOffset) {
    TempDir dir;
    const CEnviImage image = WriteImage(dir, HeaderText(2, 1, 1, 2, "header offset = 5\n"),
                                        Bytes({9, 9, 9, 9, 9, 0x01, 0x00, 0xFF, 0x7F}));
    EXPECT_EQ(image.ReadBandData(), (std::vector<double>{1.0, 32767.0}));
    EXPECT_EQ(image.ReadRaw(), (std::vector<unsigned char>{0x01, 0x00, 0xFF, 0x7F}));
}

TEST(ReadBandData, IgnoresTrailingBytes) {
    TempDir dir;
    const CEnviImage image = WriteImage(dir, HeaderText(2, 1, 1, 1), Bytes({3, 4, 5, 6, 7}));
    EXPECT_EQ(image.ReadBandData(), (std::vector<double>{3.0, 4.0}));
}

TEST(ReadBandData, RefusesAShortRawFile) {
    TempDir dir;
    const CEnviImage image = WriteImage(dir, HeaderText(3, 2, 2, 2), std::string(20, '\0'));
    const std::string expected = "The image file \"" + dir.file("img.raw") +
                                 "\" is too short: it holds 20 bytes, but its header promises "
                                 "24 bytes.";
    EXPECT_EQ(UserErrorOf([&] { image.ReadBandData(); }), expected);
    EXPECT_EQ(UserErrorOf([&] { image.ReadRaw(); }), expected);

    // The offset counts towards what is promised.
    const CEnviImage offset =
        WriteImage(dir, HeaderText(3, 2, 2, 2, "header offset = 4\n"), std::string(24, '\0'));
    EXPECT_EQ(UserErrorOf([&] { offset.ReadBandData(); }),
              "The image file \"" + dir.file("img.raw") +
                  "\" is too short: it holds 24 bytes, but its header promises 28 bytes.");
}

TEST(ReadBandData, RefusesARawFileThatCannotBeOpened) {
    TempDir dir;
    WriteFileBytes(dir.file("img.hdr"), HeaderText(2, 1, 1, 1));
    CEnviImage image;
    image.ReadHeader(dir.file("img.raw"));
    EXPECT_EQ(UserErrorOf([&] { image.ReadBandData(); }),
              "Cannot open the image file \"" + dir.file("img.raw") + "\".");
    std::filesystem::create_directory(dir.file("img.raw"));
    EXPECT_EQ(UserErrorOf([&] { image.ReadBandData(); }),
              "Cannot open the image file \"" + dir.file("img.raw") + "\".");
}

TEST(ReadBandData, RefusesAnImageLargerThanMemoryBeforeAllocating) {
    TempDir dir;
    const CEnviImage image = WriteImage(dir, HeaderText(1000000, 1000000, 100, 1), "");
    const std::string message = UserErrorOf([&] { image.ReadBandData(); });
    EXPECT_EQ(message.rfind("The image of 1000000 samples, 1000000 lines and 100 bands is too "
                            "large: it would need about 8e+05 GB of memory (this computer has "
                            "about ",
                            0),
              0u)
        << message;
}

TEST(ReadBandData, RefusesAGeometrySetDirectlyThatCannotBeRead) {
    CEnviImage image;
    image.SetGeometry(0, 2, 3, 1, "unused");
    EXPECT_EQ(UserErrorOf([&] { image.ReadBandData(); }),
              "The image of 3 samples, 2 lines and 0 bands cannot be read: it needs at least one "
              "sample, one line and one band.");
    image.SetGeometry(2147483647, 2147483647, 2147483647, 1, "unused");
    EXPECT_EQ(UserErrorOf([&] { image.ReadRaw(); }),
              "The image of 2147483647 samples, 2147483647 lines and 2147483647 bands is too "
              "large: it would need about 9.9e+18 GB of memory.");
}

TEST(ReadBandData, ReadsTheBundledSample) {
    CEnviImage image;
    image.ReadHeader(testing::DataDir() + "/small.img");
    const auto values = image.ReadBandData();
    ASSERT_EQ(values.size(), 60000u);
    const auto pixel = [&](int line, int sample) {
        std::vector<double> bands;
        for (int b = 0; b < 6; ++b) bands.push_back(values[b * 10000 + line * 100 + sample]);
        return bands;
    };
    EXPECT_EQ(pixel(0, 0), (std::vector<double>{73, 64, 75, 23, 13, 10}));
    EXPECT_EQ(pixel(1, 2), (std::vector<double>{73, 64, 74, 23, 13, 12}));
    EXPECT_EQ(pixel(99, 99), (std::vector<double>{53, 54, 69, 64, 107, 69}));
}

}  // namespace
}  // namespace tavorin
