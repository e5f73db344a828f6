// Every header of the fuzzing corpus, fed to the readers the way the fuzz target does: the
// result is an image or a UserError, never anything else. Some seeds pin their exact outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "image/CEnviImage.h"
#include "platform/UserError.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// The raw file the fuzz target places beside every header.
std::string FuzzRawBytes() {
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>((i * 37) & 0xFF));
    return bytes;
}

// The reader's outcome for `header`: "read N values" or the message of its UserError.
std::string ReadOutcome(const TempDir& dir, const std::string& header) {
    testing::WriteFileBytes(dir.file("scene.hdr"), header);
    try {
        CEnviImage image;
        image.ReadHeader(dir.file("scene.img"));
        return "read " + std::to_string(image.ReadBandData().size()) + " values";
    } catch (const UserError& error) {
        return error.what();
    }
}

TEST(FuzzCorpus, EveryHeaderIsReadOrRefusedWithAMessage) {
    const TempDir dir;
    testing::WriteFileBytes(dir.file("scene.img"), FuzzRawBytes());
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(TAVORIN_FUZZ_CORPUS_DIR)) {
        const std::string outcome = ReadOutcome(dir, testing::ReadFileBytes(entry.path().string()));
        EXPECT_FALSE(outcome.empty()) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 8u);
}

TEST(FuzzCorpus, SeedsOfRefusedHeadersKeepTheirMessages) {
    const TempDir dir;
    testing::WriteFileBytes(dir.file("scene.img"), FuzzRawBytes());
    const std::string headerPath = dir.file("scene.hdr");
    const auto seed = [](const std::string& name) {
        return testing::ReadFileBytes(std::string(TAVORIN_FUZZ_CORPUS_DIR) + "/" + name);
    };
    EXPECT_EQ(ReadOutcome(dir, seed("missing_data_type.hdr")),
              "The header \"" + headerPath +
                  "\" has no \"data type\" entry; an ENVI header must "
                  "give samples, lines, bands and data type.");
    EXPECT_EQ(ReadOutcome(dir, seed("offset_past_end.hdr")),
              "The image file \"" + dir.file("scene.img") +
                  "\" is too short: it holds 4096 bytes, "
                  "but its header promises 5064 bytes.");
    EXPECT_EQ(ReadOutcome(dir, seed("geometry_overflow.hdr")),
              "The image of 2147483647 samples, 2147483647 lines and 2147483647 bands is too "
              "large: it would need about 7.92e+19 GB of memory.");
    const std::string huge = ReadOutcome(dir, seed("million_by_million.hdr"));
    EXPECT_EQ(huge.rfind("The image of 1000000 samples, 1000000 lines and 1 bands is too large: "
                         "it would need about 8e+03 GB of memory",
                         0),
              0u)
        << huge;
    EXPECT_EQ(ReadOutcome(dir, seed("big_endian_int16_bip.hdr")), "read 1500 values");
}

}  // namespace
}  // namespace tavorin
