#include "image/CEnviImage.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/image/ImageTestFiles.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::UserErrorOf;

const std::string kHeadLines =
    "ENVI\r\n"
    "description = {\r\n"
    "  File Imported into ENVI.}\r\n";
const std::string kTailLines =
    "byte order = 0\r\n"
    "wavelength units = Unknown\r\n";

CEnviImage Classification(const std::string& fileName, int samples, int lines, int classes) {
    CEnviImage image;
    image.classes = classes;
    image.SetGeometry(1, lines, samples, 1, fileName);
    return image;
}

TEST(WriteClassification, ThreeByTwoWithThreeClasses) {
    TempDir dir;
    const unsigned char labels[] = {1, 2, 2, 1, 0, 2, 99, 99};
    Classification(dir.file("x_0"), 3, 2, 3).WriteClassification(labels);
    EXPECT_EQ(ReadFileBytes(dir.file("x_0")), std::string("\1\2\2\1\0\2", 6));
    EXPECT_EQ(ReadFileBytes(dir.file("x_0.hdr")), kHeadLines +
                                                      "samples = 3\r\n"
                                                      "lines   = 2\r\n"
                                                      "bands   = 1\r\n"
                                                      "header offset = 0\r\n"
                                                      "file type = ENVI Classification\r\n"
                                                      "data type = 1\r\n"
                                                      "interleave = bsq\r\n"
                                                      "sensor type = Unknown\r\n"
                                                      "classes = 3\r\n"
                                                      "class lookup = {\r\n"
                                                      "\t0 ,0 ,0 ,0 ,0 ,255 ,0 ,255 ,0}\r\n" +
                                                      kTailLines);
}

TEST(WriteClassification, ClassLookupForFiveClusters) {
    TempDir dir;
    const std::vector<unsigned char> labels(400 * 400, 3);
    Classification(dir.file("scene_class_2"), 400, 400, 6).WriteClassification(labels.data());
    const std::string header = ReadFileBytes(dir.file("scene_class_2.hdr"));
    EXPECT_NE(header.find("\r\nsamples = 400\r\nlines   = 400\r\nbands   = 1\r\n"),
              std::string::npos);
    EXPECT_NE(
        header.find("\r\nclasses = 6\r\nclass lookup = {\r\n"
                    "\t0 ,0 ,0 ,0 ,0 ,255 ,0 ,255 ,0 ,255 ,0 ,0 ,255 ,255 ,0 ,0 ,255 ,255}\r\n"
                    "byte order = 0\r\n"),
        std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir.file("scene_class_2")).size(), 160000u);
}

TEST(WriteClassification, TwentyClassesAndRepeatedColoursBeyond) {
    TempDir dir;
    const unsigned char label = 1;
    Classification(dir.file("c20"), 1, 1, 20).WriteClassification(&label);
    Classification(dir.file("c22"), 1, 1, 22).WriteClassification(&label);
    const std::string twenty =
        "\t0 ,0 ,0 ,0 ,0 ,255 ,0 ,255 ,0 ,255 ,0 ,0 ,255 ,255 ,0 ,0 ,255 ,255 ,255 ,0 ,255 ,"
        "46 ,139 ,87 ,216 ,191 ,216 ,255 ,255 ,255 ,48 ,48 ,48 ,128 ,0 ,0 ,0 ,128 ,0 ,0 ,0 ,128 ,"
        "128 ,128 ,0 ,0 ,128 ,128 ,128 ,0 ,128 ,255 ,128 ,0 ,128 ,255 ,0 ,255 ,0 ,128";
    EXPECT_NE(ReadFileBytes(dir.file("c20.hdr")).find(twenty + "}\r\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir.file("c22.hdr")).find(twenty + " ,0 ,0 ,0 ,0 ,0 ,255}\r\n"),
              std::string::npos);
}

TEST(WriteHeader, WithoutClassesAndWithGeoreference) {
    TempDir dir;
    CEnviImage image;
    image.SetGeometry(6, 100, 100, 4, dir.file("plain"));
    image.WriteHeader();
    const std::string plain = kHeadLines +
                              "samples = 100\r\n"
                              "lines   = 100\r\n"
                              "bands   = 6\r\n"
                              "header offset = 0\r\n"
                              "data type = 4\r\n"
                              "interleave = bsq\r\n"
                              "sensor type = Unknown\r\n" +
                              kTailLines;
    EXPECT_EQ(ReadFileBytes(dir.file("plain.hdr")), plain);

    image.georeferenceEntries = {"map info = {UTM, 1, 1, 500000, 4000000, 30, 30, 13, North}",
                                 "coordinate system string = {PROJCS[\"x\"]}"};
    image.WriteHeader();
    EXPECT_EQ(ReadFileBytes(dir.file("plain.hdr")),
              plain +
                  "map info = {UTM, 1, 1, 500000, 4000000, 30, 30, 13, North}\r\n"
                  "coordinate system string = {PROJCS[\"x\"]}\r\n");
}

TEST(WriteClassification, EveryImageGetsItsOwnHeader) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("run.2"));
    const unsigned char first[] = {1, 1}, second[] = {2, 2};
    Classification(dir.file("run.2/out_0"), 2, 1, 3).WriteClassification(first);
    Classification(dir.file("run.2/out_1"), 1, 2, 3).WriteClassification(second);
    EXPECT_NE(ReadFileBytes(dir.file("run.2/out_0.hdr")).find("samples = 2\r\n"),
              std::string::npos);
    EXPECT_NE(ReadFileBytes(dir.file("run.2/out_1.hdr")).find("samples = 1\r\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("run.hdr")));
}

TEST(WriteClassification, SecondWriteReplacesTheFirst) {
    TempDir dir;
    const std::vector<unsigned char> big(12, 1), small(2, 2);
    Classification(dir.file("x"), 4, 3, 5).WriteClassification(big.data());
    Classification(dir.file("x"), 2, 1, 3).WriteClassification(small.data());
    EXPECT_EQ(ReadFileBytes(dir.file("x")), "\2\2");
    const std::string header = ReadFileBytes(dir.file("x.hdr"));
    EXPECT_NE(header.find("samples = 2\r\nlines   = 1\r\n"), std::string::npos);
    EXPECT_EQ(header.find("classes = 5"), std::string::npos);
}

TEST(WriteClassification, ReportsFilesThatCannotBeWritten) {
    TempDir dir;
    const unsigned char labels[] = {1, 2, 3, 4, 5, 6};

    EXPECT_EQ(UserErrorOf([&] {
                  Classification(dir.file("missing/x_0"), 3, 2, 3).WriteClassification(labels);
              }),
              "Cannot create the file \"" + dir.file("missing/x_0") + "\".");

    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(
            UserErrorOf([&] { Classification("/dev/full", 3, 2, 3).WriteClassification(labels); }),
            "Cannot write the whole file \"/dev/full\".");
        EXPECT_TRUE(std::filesystem::exists("/dev/full"));

        // A header that cannot be written completely: the image goes with it.
        std::filesystem::create_symlink("/dev/full", dir.file("y_0.hdr"));
        EXPECT_EQ(UserErrorOf([&] {
                      Classification(dir.file("y_0"), 3, 2, 3).WriteClassification(labels);
                  }),
                  "Cannot write the whole file \"" + dir.file("y_0.hdr") + "\".");
        EXPECT_FALSE(std::filesystem::exists(dir.file("y_0")));
    }

    // A header that cannot be created at all.
    std::filesystem::create_directory(dir.file("z_0.hdr"));
    EXPECT_EQ(
        UserErrorOf([&] { Classification(dir.file("z_0"), 3, 2, 3).WriteClassification(labels); }),
        "Cannot create the file \"" + dir.file("z_0.hdr") + "\".");
    EXPECT_FALSE(std::filesystem::exists(dir.file("z_0")));
}

TEST(WriteClassification, ReadsBackAsWritten) {
    TempDir dir;
    const unsigned char labels[] = {1, 2, 3, 4, 5, 6};
    Classification(dir.file("r"), 3, 2, 7).WriteClassification(labels);
    CEnviImage image;
    image.ReadHeader(dir.file("r"));
    EXPECT_EQ(image.samples, 3);
    EXPECT_EQ(image.lines, 2);
    EXPECT_EQ(image.bands, 1);
    EXPECT_EQ(image.dataType, 1);
    EXPECT_EQ(image.ReadBandData(), (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace tavorin
