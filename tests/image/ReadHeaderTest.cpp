#include "image/CEnviImage.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/image/ImageTestFiles.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::HeaderText;
using testing::TempDir;
using testing::UserErrorOf;
using testing::WriteFileBytes;

constexpr const char* kMissingHeader = "Please generate the file header using ENVI！";

TEST(HeaderFileName, ReplacesTheExtensionOfTheLastComponentOnly) {
    EXPECT_EQ(CEnviImage::HeaderFileName("D:\\data\\scene.img"), "D:\\data\\scene.hdr");
    EXPECT_EQ(CEnviImage::HeaderFileName("D:\\InputFile"), "D:\\InputFile.hdr");
    EXPECT_EQ(CEnviImage::HeaderFileName("D:\\run.2\\scene"), "D:\\run.2\\scene.hdr");
    EXPECT_EQ(CEnviImage::HeaderFileName("/data/run.2/scene"), "/data/run.2/scene.hdr");
    EXPECT_EQ(CEnviImage::HeaderFileName("/data/scene.tar.img"), "/data/scene.tar.hdr");
    EXPECT_EQ(CEnviImage::HeaderFileName("scene"), "scene.hdr");
}

TEST(OutputHeaderFileName, AppendsToTheWholeName) {
    EXPECT_EQ(CEnviImage::OutputHeaderFileName("small_result"), "small_result.hdr");
    EXPECT_EQ(CEnviImage::OutputHeaderFileName("out/x_0"), "out/x_0.hdr");
    EXPECT_EQ(CEnviImage::OutputHeaderFileName("out/run.2_0"), "out/run.2_0.hdr");
}

TEST(ReadHeader, DefaultsBeforeReading) {
    const CEnviImage image;
    EXPECT_EQ(image.bands, 1);
    EXPECT_EQ(image.lines, 100);
    EXPECT_EQ(image.samples, 100);
    EXPECT_EQ(image.classes, 0);
    EXPECT_EQ(image.dataType, 1);
    EXPECT_TRUE(image.fileName.empty());
}

TEST(ReadHeader, ReadsTheBundledSample) {
    CEnviImage image;
    const std::string path = testing::DataDir() + "/small.img";
    image.ReadHeader(path);
    EXPECT_EQ(image.fileName, path);
    EXPECT_EQ(image.samples, 100);
    EXPECT_EQ(image.lines, 100);
    EXPECT_EQ(image.bands, 6);
    EXPECT_EQ(image.dataType, 1);
    EXPECT_EQ(image.interleave, CEnviImage::Interleave::Bsq);
    EXPECT_EQ(image.byteOrder, 0);
    EXPECT_EQ(image.headerOffset, 0);
    EXPECT_TRUE(image.georeferenceEntries.empty());
}

TEST(ReadHeader, ReadsEntriesAsEnviDefinesThem) {
    TempDir dir;
    WriteFileBytes(dir.file("a.hdr"),
                   "ENVI\r\n"
                   "description = {\r\n"
                   "  Scene with bands = 9 and data type = 5 in its text}\r\n"
                   "SAMPLES=3\r\n"
                   "Lines\t=\t2abc\r\n"
                   "bands = +2\r\n"
                   "data  type = 12\r\n"
                   "data ignore value = 0\r\n"
                   "Interleave = BIL\r\n"
                   "byte order = 1\r\n"
                   "header offset = 16\r\n");
    CEnviImage image;
    image.ReadHeader(dir.file("a.img"));
    EXPECT_EQ(image.samples, 3);
    EXPECT_EQ(image.lines, 2);
    EXPECT_EQ(image.bands, 2);
    EXPECT_EQ(image.dataType, 12);
    EXPECT_EQ(image.interleave, CEnviImage::Interleave::Bil);
    EXPECT_EQ(image.byteOrder, 1);
    EXPECT_EQ(image.headerOffset, 16);
}

TEST(ReadHeader, SurvivesVeryLongWords) {
    TempDir dir;
    const std::string longWord(5000, 'x');
    WriteFileBytes(dir.file("a.hdr"), "ENVI\ndescription = {" + longWord + "}\n" + longWord +
                                          "\nsamples = " + std::string(400, '0') + "7\n" +
                                          "lines = 2\nbands = 1\ndata type = 1\n" + longWord +
                                          " = " + longWord + "\n");
    CEnviImage image;
    image.ReadHeader(dir.file("a.img"));
    EXPECT_EQ(image.samples, 7);
    EXPECT_EQ(image.lines, 2);
}

TEST(ReadHeader, KeepsTheGeoreferenceEntries) {
    TempDir dir;
    WriteFileBytes(dir.file("a.hdr"),
                   HeaderText(3, 2, 1, 1,
                              "map info = {UTM, 1.000, 1.000, 500000.000,\n"
                              "   4000000.000, 30.0, 30.0, 13, North, WGS-84}\n"
                              "Coordinate System String = {PROJCS[\"WGS_1984_UTM_Zone_13N\"]}\n"
                              "projection info = {3, 6378137.0, 6356752.3}\n"
                              "wavelength units = Micrometers\n"));
    CEnviImage image;
    image.ReadHeader(dir.file("a.img"));
    const std::vector<std::string> expected{
        "map info = {UTM, 1.000, 1.000, 500000.000, 4000000.000, 30.0, 30.0, 13, North, "
        "WGS-84}",
        "Coordinate System String = {PROJCS[\"WGS_1984_UTM_Zone_13N\"]}",
        "projection info = {3, 6378137.0, 6356752.3}"};
    EXPECT_EQ(image.georeferenceEntries, expected);

    // A second header without them leaves none behind.
    WriteFileBytes(dir.file("b.hdr"), HeaderText(3, 2, 1, 1));
    image.ReadHeader(dir.file("b.img"));
    EXPECT_TRUE(image.georeferenceEntries.empty());
}

TEST(ReadHeader, FindsTheHeaderByEitherNamingConvention) {
    TempDir dir;
    // Only "scene.img.hdr" exists.
    WriteFileBytes(dir.file("scene.img.hdr"), HeaderText(5, 4, 3, 2));
    CEnviImage image;
    image.ReadHeader(dir.file("scene.img"));
    EXPECT_EQ(image.samples, 5);
    EXPECT_EQ(image.fileName, dir.file("scene.img"));

    // With both present, "scene.hdr" is the one.
    WriteFileBytes(dir.file("scene.hdr"), HeaderText(7, 4, 3, 2));
    image.ReadHeader(dir.file("scene.img"));
    EXPECT_EQ(image.samples, 7);

    // A dot in a folder name is no extension.
    std::filesystem::create_directory(dir.file("run.2"));
    WriteFileBytes(dir.file("run.2/scene.hdr"), HeaderText(9, 4, 3, 2));
    WriteFileBytes(dir.file("run.hdr"), HeaderText(11, 4, 3, 2));
    image.ReadHeader(dir.file("run.2/scene"));
    EXPECT_EQ(image.samples, 9);
}

TEST(ReadHeader, RefusesAMissingHeader) {
    TempDir dir;
    WriteFileBytes(dir.file("scene.img"), std::string(10, '\0'));
    CEnviImage image;
    EXPECT_EQ(UserErrorOf([&] { image.ReadHeader(dir.file("scene.img")); }), kMissingHeader);
    EXPECT_EQ(UserErrorOf([&] { image.ReadHeader("D:\\InputFile"); }), kMissingHeader);

    std::filesystem::create_directory(dir.file("folder.hdr"));
    EXPECT_EQ(UserErrorOf([&] { image.ReadHeader(dir.file("folder.img")); }),
              "Cannot read the header file \"" + dir.file("folder.hdr") + "\".");
}

TEST(ReadHeader, RefusesAHeaderWithoutOneOfTheFourKeys) {
    TempDir dir;
    const std::string header = dir.file("a.hdr");
    const std::string raw = dir.file("a.img");
    const auto refusal = [&](const std::string& text) {
        WriteFileBytes(header, text);
        CEnviImage image;
        return UserErrorOf([&] { image.ReadHeader(raw); });
    };
    const std::string tail =
        " entry; an ENVI header must give samples, lines, bands and data type.";
    EXPECT_EQ(refusal("ENVI\nlines = 2\nbands = 1\ndata type = 1\n"),
              "The header \"" + header + "\" has no \"samples\"" + tail);
    EXPECT_EQ(refusal("ENVI\nsamples = 2\nbands = 1\ndata type = 1\n"),
              "The header \"" + header + "\" has no \"lines\"" + tail);
    EXPECT_EQ(refusal("ENVI\nsamples = 2\nlines = 2\ndata type = 1\n"),
              "The header \"" + header + "\" has no \"bands\"" + tail);
    // "data ignore value" is no data type, and the words inside the description are no keys.
    EXPECT_EQ(refusal("ENVI\ndescription = {data type = 1}\nsamples = 2\nlines = 2\n"
                      "bands = 1\ndata ignore value = 0\n"),
              "The header \"" + header + "\" has no \"data type\"" + tail);
    // Written without '=' the key is not an entry.
    EXPECT_EQ(refusal("ENVI\nsamples 3\nlines = 2\nbands = 1\ndata type = 1\n"),
              "The header \"" + header + "\" has no \"samples\"" + tail);
}

TEST(ReadHeader, RefusesUnusableValues) {
    TempDir dir;
    const std::string header = dir.file("a.hdr");
    const auto refusal = [&](const std::string& text) {
        WriteFileBytes(header, text);
        CEnviImage image;
        return UserErrorOf([&] { image.ReadHeader(dir.file("a.img")); });
    };
    const std::string prefix = "The header \"" + header + "\" gives ";
    EXPECT_EQ(refusal(HeaderText(3, 2, 1, 6)), "暂不处理此种数据类型！");
    EXPECT_EQ(refusal(HeaderText(0, 2, 1, 1)),
              prefix +
                  "samples = 0, lines = 2 and bands = 1; an image needs at least one "
                  "sample, one line and one band.");
    EXPECT_EQ(refusal(HeaderText(3, -2, 1, 1)),
              prefix +
                  "samples = 3, lines = -2 and bands = 1; an image needs at least one "
                  "sample, one line and one band.");
    EXPECT_EQ(refusal("ENVI\nsamples = abc\nlines = 2\nbands = 1\ndata type = 1\n"),
              prefix +
                  "samples = 0, lines = 2 and bands = 1; an image needs at least one "
                  "sample, one line and one band.");
    EXPECT_EQ(refusal("ENVI\nsamples = 99999999999\nlines = 2\nbands = 1\ndata type = 1\n"),
              prefix + "samples = 99999999999, which is out of range.");
    // Found by the fuzz run: two billion bands and a data ignore value ran out of memory.
    EXPECT_EQ(refusal(HeaderText(25, 20, 2147483647, 1, "data ignore value = 0\n")),
              prefix + "bands = 2147483647; an image may have at most 1000000 bands.");
    EXPECT_EQ(refusal(HeaderText(3, 2, 1, 1, "interleave = bsx\n")),
              prefix + "interleave = bsx; only bsq, bil and bip can be read.");
    EXPECT_EQ(refusal(HeaderText(3, 2, 1, 1, "byte order = 2\n")),
              prefix + "byte order = 2; it must be 0 (little-endian) or 1 (big-endian).");
    EXPECT_EQ(refusal(HeaderText(3, 2, 1, 1, "header offset = -4\n")),
              prefix + "header offset = -4; it must be 0 or more bytes.");
}

TEST(ReadHeader, RefusalLeavesAPreviouslyLoadedImageUnchanged) {
    TempDir dir;
    WriteFileBytes(dir.file("a.hdr"),
                   HeaderText(3, 2, 2, 12,
                              "interleave = bil\nbyte order = 1\nheader offset = 16\n"
                              "map info = {UTM, 1, 1}\n"));
    CEnviImage image;
    image.classes = 4;
    image.ReadHeader(dir.file("a.img"));
    const CEnviImage loaded = image;

    // Every other key is read before the interleave is refused at the end.
    WriteFileBytes(dir.file("b.hdr"),
                   HeaderText(9, 8, 7, 4,
                              "interleave = bsx\nbyte order = 0\nheader offset = 4\n"
                              "projection info = {3}\n"));
    EXPECT_NE(UserErrorOf([&] { image.ReadHeader(dir.file("b.img")); }), "(no error)");
    EXPECT_EQ(image.fileName, loaded.fileName);
    EXPECT_EQ(image.samples, loaded.samples);
    EXPECT_EQ(image.lines, loaded.lines);
    EXPECT_EQ(image.bands, loaded.bands);
    EXPECT_EQ(image.dataType, loaded.dataType);
    EXPECT_EQ(image.classes, loaded.classes);
    EXPECT_EQ(image.headerOffset, loaded.headerOffset);
    EXPECT_EQ(image.byteOrder, loaded.byteOrder);
    EXPECT_EQ(image.interleave, loaded.interleave);
    EXPECT_EQ(image.georeferenceEntries, loaded.georeferenceEntries);
}

TEST(ReadHeader, RefusesAGeometryWhoseByteCountOverflows) {
    TempDir dir;
    WriteFileBytes(dir.file("a.hdr"), HeaderText(2147483647, 2147483647, 2147483647, 5));
    CEnviImage image;
    // 2147483647^3 * 8 bytes = 7.92e+28 bytes.
    EXPECT_EQ(UserErrorOf([&] { image.ReadHeader(dir.file("a.img")); }),
              "The image of 2147483647 samples, 2147483647 lines and 2147483647 bands is too "
              "large: it would need about 7.92e+19 GB of memory.");
}

TEST(BytesPerSample, KnowsTheEnviTypes) {
    EXPECT_EQ(CEnviImage::BytesPerSample(1), 1);
    EXPECT_EQ(CEnviImage::BytesPerSample(2), 2);
    EXPECT_EQ(CEnviImage::BytesPerSample(3), 4);
    EXPECT_EQ(CEnviImage::BytesPerSample(4), 4);
    EXPECT_EQ(CEnviImage::BytesPerSample(5), 8);
    EXPECT_EQ(CEnviImage::BytesPerSample(12), 2);
    EXPECT_EQ(CEnviImage::BytesPerSample(13), 4);
    for (const int code : {0, -1, 6, 9, 14, 15}) {
        EXPECT_EQ(UserErrorOf([&] { CEnviImage::BytesPerSample(code); }), "暂不处理此种数据类型！")
            << code;
    }
}

}  // namespace
}  // namespace tavorin
