#include "driver/InputPathCheck.h"

#include <gtest/gtest.h>

#include "platform/UserError.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

TEST(InputPathCheckTest, AMissingInputIsNamed) {
    EXPECT_EQ(InputPathProblem("/nonexistent/scene.img"),
              "The input image \"/nonexistent/scene.img\" does not exist.");
    EXPECT_THROW(CheckInputPath("/nonexistent/scene.img"), UserError);
    // GDAL's own names are left to GDAL; a drive letter is a file name.
    EXPECT_EQ(InputPathProblem("/vsizip/absent.zip/a.tif"), std::nullopt);
    EXPECT_EQ(InputPathProblem("NETCDF:absent.nc:sst"), std::nullopt);
    EXPECT_EQ(InputPathProblem("C:absent.img"), "The input image \"C:absent.img\" does not exist.");
}

TEST(InputPathCheckTest, AHeaderPointsToItsRawImage) {
    TempDir dir;
    const std::string header = "ENVI\nsamples = 2\nlines = 1\nbands = 1\ndata type = 1\n";
    WriteFileBytes(dir.file("scene.hdr"), header);
    WriteFileBytes(dir.file("scene.img"), "ab");
    EXPECT_EQ(InputPathProblem(dir.file("scene.img")), std::nullopt);
    EXPECT_EQ(InputPathProblem(dir.file("scene.hdr")),
              "The input \"" + dir.file("scene.hdr") +
                  "\" is an ENVI header; give the raw image beside it instead: \"" +
                  dir.file("scene.img") + "\".");

    // Named after the whole raw file name, in capitals, or recognised by its first line.
    WriteFileBytes(dir.file("b.dat"), "ab");
    WriteFileBytes(dir.file("b.dat.HDR"), header);
    EXPECT_EQ(InputPathProblem(dir.file("b.dat.HDR")),
              "The input \"" + dir.file("b.dat.HDR") +
                  "\" is an ENVI header; give the raw image beside it instead: \"" +
                  dir.file("b.dat") + "\".");
    WriteFileBytes(dir.file("c.txt"), "ENVI\r\nsamples = 2\r\n");
    EXPECT_EQ(InputPathProblem(dir.file("c.txt")),
              "The input \"" + dir.file("c.txt") +
                  "\" is an ENVI header; give the raw image it describes instead. No such image "
                  "lies beside it (looked for \"" +
                  dir.file("c") + "\" and \"" + dir.file("c") + ".<extension>\").");
    WriteFileBytes(dir.file("d.img"), "ENVIRONMENT");
    EXPECT_EQ(InputPathProblem(dir.file("d.img")), std::nullopt);
}

}  // namespace
}  // namespace tavorin
