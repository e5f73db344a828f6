// Inputs that work but not as the user may expect: the run says so before the search.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/hardening/CommandRunner.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::CommandRequest;
using testing::CommandResult;
using testing::TempDir;
using testing::WriteFileBytes;

CommandResult Classify(const TempDir& work, std::vector<std::string> extra) {
    CommandRequest request;
    request.arguments = {"classify", "--input", "scene.img",  "--output", "res",
                         "--seed",   "1",       "--pop-size", "6"};
    request.arguments.insert(request.arguments.end(), extra.begin(), extra.end());
    request.workingDirectory = work.path();
    return testing::RunTavorin(request);
}

// Band 2 spans about 1e-9, far below the default step sizes.
TEST(Warnings, StepSizesFarAboveTheNarrowestBandAreNamedWithProportionateOnes) {
    const TempDir work;
    std::vector<double> values;
    for (int i = 0; i < 20; ++i) values.push_back(i);
    for (int i = 0; i < 20; ++i) values.push_back(i * 0.5e-10);
    std::string bytes(values.size() * sizeof(double), '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    WriteFileBytes(work.file("scene.img"), bytes);
    WriteFileBytes(work.file("scene.hdr"),
                   "ENVI\nsamples = 5\nlines = 4\nbands = 2\ndata type = 5\ninterleave = bsq\n");
    const CommandResult result =
        Classify(work, {"--generations", "1", "--fls", "0", "--no-pictures"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("The local search's step sizes reach 10, but band 2 spans only "
                              "9.5e-10: most of its moves in that band would be drawn again and "
                              "again, and the search may take very long. Step sizes in "
                              "proportion to that range would be "
                              "3.73e-14,3.73e-13,3.73e-12,3.73e-11.\n"),
              std::string::npos)
        << result.out;
}

// 3,000,000 lines: more than a PNG picture can hold; found before the search, maps written.
TEST(Warnings, AnImageTooTallForAPictureSkipsThePicturesOnly) {
    const TempDir work;
    std::string bytes(3000000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 7);
    WriteFileBytes(work.file("scene.img"), bytes);
    WriteFileBytes(work.file("scene.hdr"),
                   "ENVI\nsamples = 1\nlines = 3000000\nbands = 1\n"
                   "data type = 1\ninterleave = bsq\n");
    const CommandResult result = Classify(work, {"--generations", "0", "--clusters", "2"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("The pictures and the report are skipped: a picture may have at "
                              "most 1000000 pixels a side, and this image has 3000000 lines and "
                              "1 samples.\nRecommended: res_0 (knee of the front)\nFinish\n"),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(std::filesystem::exists(work.file("res_0")));
    EXPECT_FALSE(std::filesystem::exists(work.file("res_report.html")));
}

}  // namespace
}  // namespace tavorin
