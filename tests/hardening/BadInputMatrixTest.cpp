// Hostile input for `tavorin classify` and `tavorin fcm`, run through the real executable: each
// case prepares a working folder, runs the command there and checks the exit status, the one
// message the user sees and that no file was created or changed.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "tests/hardening/CommandRunner.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

namespace fs = std::filesystem;
using testing::CommandRequest;
using testing::CommandResult;
using testing::TempDir;
using testing::WriteFileBytes;

// Bytes of a small 4 x 3 image with 2 bands of varied byte samples.
std::string SceneBytes() {
    return std::string(
        "\x0a\x0c\x0a\x28\x0a\x0a\xc8\xc9\xc8\x96\xc8\xc8"
        "\x05\x05\x09\x05\x05\x05\x5a\x5a\x5a\x46\x5a\x5a",
        24);
}

std::string Header(const std::string& samples, const std::string& lines, const std::string& bands,
                   const std::string& dataType) {
    std::string text = "ENVI\n";
    if (!samples.empty()) text += "samples = " + samples + "\n";
    if (!lines.empty()) text += "lines = " + lines + "\n";
    if (!bands.empty()) text += "bands = " + bands + "\n";
    if (!dataType.empty()) text += "data type = " + dataType + "\n";
    return text + "interleave = bsq\n";
}

std::string SceneHeader() { return Header("4", "3", "2", "1"); }

std::string FloatBytes(const std::vector<float>& values) {
    std::string bytes(values.size() * sizeof(float), '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

std::string DoubleBytes(const std::vector<double>& values) {
    std::string bytes(values.size() * sizeof(double), '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

// Files standing in the working folder before every run: a failed run must leave them as
// they are and add nothing.
void WriteEarlierResults(const TempDir& work) {
    WriteFileBytes(work.file("FinalPF.txt"), "0.100000\t2.000000\r\n");
    WriteFileBytes(work.file("res_0"), std::string(12, '\1'));
    WriteFileBytes(work.file("res_0.hdr"), "ENVI\r\nsamples = 4\r\n");
    WriteFileBytes(work.file("nNonDominated.txt"), "3\r\n");
}

struct MatrixCase {
    std::string name;
    // Prepares the working folder (the image files) beside the earlier results.
    std::function<void(const TempDir& work)> prepare;
    std::vector<std::string> arguments;  // after "classify"; the common ones are added
    int exitStatus;
    std::string out;
    std::string err;           // the whole standard error, or
    bool errIsPrefix = false;  // only its start when the rest depends on the machine
    bool unprivileged = false;
};

void PrintTo(const MatrixCase& c, std::ostream* os) { *os << c.name; }

void PlainScene(const TempDir& work) {
    WriteFileBytes(work.file("scene.hdr"), SceneHeader());
    WriteFileBytes(work.file("scene.img"), SceneBytes());
}

std::function<void(const TempDir&)> Scene(const std::string& header, const std::string& bytes) {
    return [header, bytes](const TempDir& work) {
        WriteFileBytes(work.file("scene.hdr"), header);
        WriteFileBytes(work.file("scene.img"), bytes);
    };
}

std::string MissingKeyMessage(const std::string& key) {
    return "The header \"scene.hdr\" has no \"" + key +
           "\" entry; an ENVI header must give samples, lines, bands and data type.\n";
}

std::string UsageMessage(const std::string& text) { return "tavorin classify: " + text + "\n"; }

const char* const kSeedLine = "Seed: 1\n";

std::vector<MatrixCase> ClassifyCases() {
    std::vector<MatrixCase> cases;
    const std::string unsupported = "暂不处理此种数据类型！\n";
    const std::string missingHeader = "Please generate the file header using ENVI！\n";

    cases.push_back({"MissingInput",
                     [](const TempDir&) {},
                     {"--input", "absent.img"},
                     1,
                     "",
                     "The input image \"absent.img\" does not exist.\n"});
    cases.push_back(
        {"MissingHeader",
         [](const TempDir& work) { WriteFileBytes(work.file("scene.img"), SceneBytes()); },
         {},
         1,
         kSeedLine,
         missingHeader});
    cases.push_back({"NoSamples",
                     Scene(Header("", "3", "2", "1"), SceneBytes()),
                     {},
                     1,
                     kSeedLine,
                     MissingKeyMessage("samples")});
    cases.push_back({"NoLines",
                     Scene(Header("4", "", "2", "1"), SceneBytes()),
                     {},
                     1,
                     kSeedLine,
                     MissingKeyMessage("lines")});
    cases.push_back({"NoBands",
                     Scene(Header("4", "3", "", "1"), SceneBytes()),
                     {},
                     1,
                     kSeedLine,
                     MissingKeyMessage("bands")});
    cases.push_back({"NoDataType",
                     Scene(Header("4", "3", "2", ""), SceneBytes()),
                     {},
                     1,
                     kSeedLine,
                     MissingKeyMessage("data type")});
    for (const char* type : {"0", "6", "7", "8", "9", "10", "11", "14", "15", "-1", "255"}) {
        cases.push_back({std::string("DataType") + (type[0] == '-' ? "Minus1" : type),
                         Scene(Header("4", "3", "2", type), SceneBytes() + SceneBytes()),
                         {},
                         1,
                         kSeedLine,
                         unsupported});
    }
    cases.push_back(
        {"ZeroSamples",
         Scene(Header("0", "3", "2", "1"), SceneBytes()),
         {},
         1,
         kSeedLine,
         "The header \"scene.hdr\" gives samples = 0, lines = 3 and bands = 2; an image "
         "needs at least one sample, one line and one band.\n"});
    cases.push_back(
        {"NegativeLines",
         Scene(Header("4", "-3", "2", "1"), SceneBytes()),
         {},
         1,
         kSeedLine,
         "The header \"scene.hdr\" gives samples = 4, lines = -3 and bands = 2; an image "
         "needs at least one sample, one line and one band.\n"});
    cases.push_back(
        {"ZeroBands",
         Scene(Header("4", "3", "0", "1"), SceneBytes()),
         {},
         1,
         kSeedLine,
         "The header \"scene.hdr\" gives samples = 4, lines = 3 and bands = 0; an image "
         "needs at least one sample, one line and one band.\n"});
    // 10^12 pixels: refused from the header alone, before a byte is allocated or read.
    cases.push_back(
        {"MillionByMillionPixels",
         Scene(Header("1000000", "1000000", "1", "1"), SceneBytes()),
         {},
         1,
         "Seed: 1\nImage: scene.img: 1000000 samples x 1000000 lines x 1 bands, data type 1\n",
         "The image of 1000000 samples, 1000000 lines and 1 bands is too large: it would "
         "need about 1e+03 GB of memory (this computer has about ",
         true});
    cases.push_back(
        {"GeometryBeyondAnyByteCount",
         Scene(Header("2147483647", "2147483647", "2147483647", "5"), SceneBytes()),
         {},
         1,
         kSeedLine,
         "The image of 2147483647 samples, 2147483647 lines and 2147483647 bands is too "
         "large: it would need about 7.92e+19 GB of memory.\n"});
    cases.push_back({"TruncatedRaw",
                     Scene(SceneHeader(), SceneBytes().substr(0, 10)),
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 4 samples x 3 lines x 2 bands, data type 1\n",
                     "The image file \"scene.img\" is too short: it holds 10 bytes, but its header "
                     "promises 24 bytes.\n"});
    cases.push_back({"HeaderOffsetPastTheEnd",
                     Scene(SceneHeader() + "header offset = 100\n", SceneBytes()),
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 4 samples x 3 lines x 2 bands, data type 1\n",
                     "The image file \"scene.img\" is too short: it holds 24 bytes, but its header "
                     "promises 124 bytes.\n"});
    cases.push_back({"HeaderOffsetBeyondAnyFile",
                     Scene(SceneHeader() + "header offset = 9223372036854775807\n", SceneBytes()),
                     {},
                     1,
                     kSeedLine,
                     "The header offset of 9223372036854775807 bytes leaves no room for the "
                     "image's 24 bytes of samples: no file can be that large.\n"});
    cases.push_back({"HeaderIsAFifo",
                     [](const TempDir& work) {
                         ::mkfifo(work.file("scene.hdr").c_str(), 0600);
                         WriteFileBytes(work.file("scene.img"), SceneBytes());
                     },
                     {},
                     1,
                     kSeedLine,
                     "The header \"scene.hdr\" is not a regular file; give the path of an ENVI "
                     "image whose header is a text file beside it.\n"});
    cases.push_back({"HeaderFarTooLarge",
                     Scene(SceneHeader() + std::string(17 * 1024 * 1024, '\n'), SceneBytes()),
                     {},
                     1,
                     kSeedLine,
                     "The header \"scene.hdr\" holds 17825860 bytes; an ENVI header is a short "
                     "text (at most 16 MB), so this file is not one.\n"});
    cases.push_back({"ImageIsAFifo",
                     [](const TempDir& work) {
                         WriteFileBytes(work.file("scene.hdr"), SceneHeader());
                         ::mkfifo(work.file("scene.img").c_str(), 0600);
                     },
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 4 samples x 3 lines x 2 bands, data type 1\n",
                     "The image file \"scene.img\" is not a regular file.\n"});
    cases.push_back({"DirectoryAsInput",
                     [](const TempDir& work) {
                         WriteFileBytes(work.file("scene.hdr"), SceneHeader());
                         fs::create_directory(work.file("scene.img"));
                     },
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 4 samples x 3 lines x 2 bands, data type 1\n",
                     "Cannot open the image file \"scene.img\".\n"});
    cases.push_back({"DirectoryAsHeader",
                     [](const TempDir& work) {
                         fs::create_directory(work.file("scene.hdr"));
                         WriteFileBytes(work.file("scene.img"), SceneBytes());
                     },
                     {},
                     1,
                     kSeedLine,
                     "Cannot read the header file \"scene.hdr\".\n"});
    cases.push_back({"UnreadableImage",
                     [](const TempDir& work) {
                         PlainScene(work);
                         fs::permissions(work.file("scene.img"), fs::perms::none);
                     },
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 4 samples x 3 lines x 2 bands, data type 1\n",
                     "Cannot open the image file \"scene.img\".\n",
                     false,
                     true});
    cases.push_back({"UnreadableHeader",
                     [](const TempDir& work) {
                         PlainScene(work);
                         fs::permissions(work.file("scene.hdr"), fs::perms::none);
                     },
                     {},
                     1,
                     kSeedLine,
                     "Cannot read the header file \"scene.hdr\".\n",
                     false,
                     true});

    const std::string sceneOut =
        "Seed: 1\nImage: scene.img: 4 samples x 3 lines x 2 bands, data type 1\n";
    cases.push_back({"OutputFolderMissing",
                     PlainScene,
                     {"--output", "absent/res"},
                     1,
                     sceneOut,
                     "The output folder \"absent\" does not exist.\n"});
    cases.push_back({"OutputFolderIsAFile",
                     PlainScene,
                     {"--output", "scene.img/res"},
                     1,
                     sceneOut,
                     "The output folder \"scene.img\" is not a folder.\n"});
    cases.push_back({"OutputFolderNotWritable",
                     [](const TempDir& work) {
                         PlainScene(work);
                         fs::create_directory(work.file("locked"));
                         fs::permissions(work.file("locked"),
                                         fs::perms::owner_read | fs::perms::owner_exec |
                                             fs::perms::group_read | fs::perms::group_exec |
                                             fs::perms::others_read | fs::perms::others_exec);
                     },
                     {"--output", "locked/res"},
                     1,
                     sceneOut,
                     "The output folder \"locked\" cannot be written to.\n",
                     false,
                     true});
    cases.push_back({"OutputPathIsAFolder",
                     [](const TempDir& work) {
                         PlainScene(work);
                         fs::create_directory(work.file("results"));
                     },
                     {"--output", "results"},
                     1,
                     sceneOut,
                     "The output path \"results\" is a folder; give the base name of the result "
                     "files, such as \"results/result\".\n"});
    cases.push_back({"FrontListNameTakenByAFolder",
                     [](const TempDir& work) {
                         PlainScene(work);
                         fs::remove(work.file("FinalPF.txt"));
                         fs::create_directory(work.file("FinalPF.txt"));
                     },
                     {},
                     1,
                     sceneOut,
                     "Cannot create the file \"FinalPF.txt\".\n"});

    // Result names that cannot be written are refused before the search.
    cases.push_back({"OutputWouldReplaceTheInput",
                     [](const TempDir& work) {
                         WriteFileBytes(work.file("scene_0.hdr"), SceneHeader());
                         WriteFileBytes(work.file("scene_0"), SceneBytes());
                     },
                     {"--input", "scene_0", "--output", "scene"},
                     1,
                     "Seed: 1\nImage: scene_0: 4 samples x 3 lines x 2 bands, data type 1\n",
                     "The result \"scene_0\" would replace the input file \"scene_0\"; choose "
                     "another output name.\n"});
    const std::string longName(250, 'r');
    cases.push_back({"ResultNameTooLong",
                     PlainScene,
                     {"--output", longName},
                     1,
                     sceneOut,
                     "The result name \"" + longName +
                         "_0.hdr\" is 256 bytes long; a file name may have at most 255 bytes. "
                         "Choose a shorter output name.\n"});
    cases.push_back({"MapNameTakenByAFolder",
                     [](const TempDir& work) {
                         PlainScene(work);
                         fs::create_directory(work.file("res_3"));
                     },
                     {},
                     1,
                     sceneOut,
                     "Cannot create the file \"res_3\".\n"});

    // Every option outside its range, and texts that are not numbers.
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusedOptions = {
        {{"--clusters", "1"}, "--clusters must be an integer from 2 to 19, not 1."},
        {{"--clusters", "20"}, "--clusters must be an integer from 2 to 19, not 20."},
        {{"--pop-size", "5"}, "--pop-size must be an integer from 6 to 10000, not 5."},
        {{"--pop-size", "10001"}, "--pop-size must be an integer from 6 to 10000, not 10001."},
        {{"--generations", "-1"}, "--generations must be an integer from 0 to 1000000, not -1."},
        {{"--generations", "1000001"},
         "--generations must be an integer from 0 to 1000000, not 1000001."},
        {{"--fls", "-0.1"}, "--fls must be a finite number from 0 to 1, not -0.1."},
        {{"--fls", "1.5"}, "--fls must be a finite number from 0 to 1, not 1.5."},
        {{"--fls", "nan"}, "--fls must be a finite number from 0 to 1, not nan."},
        {{"--fls", "inf"}, "--fls must be a finite number from 0 to 1, not inf."},
        {{"--gls-delta", "0.01,0.1,1,-10"},
         "--gls-delta (value 4 of 4) must be a finite number of 0 or more, not -10."},
        {{"--gls-delta", "0.01,inf,1,10"},
         "--gls-delta (value 2 of 4) must be a finite number of 0 or more, not inf."},
        {{"--gls-delta", "nan,0.1,1,10"},
         "--gls-delta (value 1 of 4) must be a finite number of 0 or more, not nan."},
        {{"--threads", "0"}, "--threads must be an integer from 1 to 1024, not \"0\"."},
        {{"--threads", "1025"}, "--threads must be an integer from 1 to 1024, not \"1025\"."},
        {{"--seed", "-1"}, "--seed must be an integer from 0 to 4294967295, not \"-1\"."},
        {{"--seed", "4294967296"},
         "--seed must be an integer from 0 to 4294967295, not \"4294967296\"."},
        {{"--clusters", "abc"}, "--clusters must be an integer from 2 to 19, not \"abc\"."},
        {{"--clusters", "5x"}, "--clusters must be an integer from 2 to 19, not \"5x\"."},
        {{"--clusters", "5.0"}, "--clusters must be an integer from 2 to 19, not \"5.0\"."},
        {{"--clusters", ""}, "--clusters must be an integer from 2 to 19, not \"\"."},
        {{"--pop-size", "99999999999"},
         "--pop-size must be an integer from 6 to 10000, not \"99999999999\"."},
        {{"--fls", "0,5"}, "--fls must be a finite number from 0 to 1, not \"0,5\"."},
        {{"--fls", "half"}, "--fls must be a finite number from 0 to 1, not \"half\"."},
        {{"--gls-delta", "1,2,3"},
         "--gls-delta needs four numbers separated by commas (A,B,C,D), not \"1,2,3\"."},
        {{"--gls-delta", "1,2,x,4"},
         "--gls-delta (value 3 of 4) must be a finite number of 0 or more, not \"x\"."},
        {{"--output", ""}, "--output needs a path."},
        {{"--frobnicate"}, "unknown option or argument: --frobnicate"},
    };
    int index = 0;
    for (const auto& [arguments, message] : refusedOptions) {
        cases.push_back({"Option" + std::to_string(index++), PlainScene, arguments, 2, "",
                         UsageMessage(message)});
    }

    const std::string nothingToClassify =
        "The image has nothing to classify: every band holds a single value throughout.\n";
    cases.push_back({"EveryBandConstant",
                     Scene(SceneHeader(), std::string(24, '\x07')),
                     {},
                     1,
                     sceneOut,
                     nothingToClassify});
    cases.push_back({"OnePixel",
                     Scene(Header("1", "1", "2", "1"), std::string("\x03\x09", 2)),
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 1 samples x 1 lines x 2 bands, data type 1\n",
                     nothingToClassify});

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    cases.push_back(
        {"NanAndInfinityInDoubles",
         Scene(Header("2", "2", "1", "5"), DoubleBytes({nan, inf, -inf, nan})),
         {},
         1,
         "Seed: 1\nImage: scene.img: 2 samples x 2 lines x 1 bands, data type 5\n",
         "Every pixel of the image is left out: 4 have a sample that is NaN or infinite, so "
         "there is nothing to classify.\n"});
    const std::string advice =
        ", so its pixels cannot be clustered. Rescale the image (for example to the range 0 to "
        "10000) and classify it again.\n";
    cases.push_back({"SquaredDistancesOverflow",
                     Scene(Header("2", "2", "1", "5"), DoubleBytes({-1e300, 1e300, 0.0, 5.0})),
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 2 samples x 2 lines x 1 bands, data type 5\n",
                     "The image's values span up to 2e+300 (band 1): squared distances between "
                     "its pixels overflow" +
                         advice});
    cases.push_back({"SquaredDistancesVanish",
                     Scene(Header("2", "2", "1", "5"), DoubleBytes({0.0, 5e-324, 1e-320, 0.0})),
                     {},
                     1,
                     "Seed: 1\nImage: scene.img: 2 samples x 2 lines x 1 bands, data type 5\n",
                     "The image's values span at most 1e-320 (band 1): squared distances "
                     "between its pixels vanish to zero" +
                         advice});
    return cases;
}

// Runs `arguments` in `work` and checks that nothing crashed, hung or reported by a sanitizer.
CommandResult RunChecked(const TempDir& work, std::vector<std::string> arguments, bool unprivileged,
                         std::vector<std::pair<std::string, std::string>> environment = {}) {
    CommandRequest request;
    request.arguments = std::move(arguments);
    request.workingDirectory = work.path();
    // Root reads and writes whatever the permission bits say, so the command then runs as
    // another user; any other user is held by the bits already.
    request.asUnprivilegedUser = unprivileged && testing::IsRoot();
    request.environment = std::move(environment);
    request.timeoutSeconds = 60;
    const CommandResult result = RunTavorin(request);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0);
    EXPECT_FALSE(testing::HasSanitizerReport(result.err)) << result.err;
    return result;
}

class ClassifyBadInput : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(ClassifyBadInput, IsRefusedWithOneMessageAndLeavesEveryFileAsItWas) {
    const MatrixCase& c = GetParam();
    const TempDir work;
    WriteEarlierResults(work);
    c.prepare(work);
    const auto before = testing::SnapshotFolder(work.path());

    // The common options, each replaced by the case's own value where it gives one.
    const std::vector<std::pair<std::string, std::string>> common = {
        {"--input", "scene.img"}, {"--output", "res"},    {"--seed", "1"},
        {"--pop-size", "6"},      {"--generations", "1"}, {"--threads", "1"}};
    std::vector<std::string> arguments{"classify", "--no-pictures"};
    for (const auto& [option, value] : common) {
        if (std::find(c.arguments.begin(), c.arguments.end(), option) == c.arguments.end()) {
            arguments.insert(arguments.end(), {option, value});
        }
    }
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const CommandResult result = RunChecked(work, arguments, c.unprivileged);

    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_EQ(result.out, c.out);
    if (c.errIsPrefix) {
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    } else {
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(testing::SnapshotFolder(work.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Matrix, ClassifyBadInput, ::testing::ValuesIn(ClassifyCases()),
                         [](const ::testing::TestParamInfo<MatrixCase>& caseInfo) {
                             return caseInfo.param.name;
                         });

// Fewer distinct pixels than clusters: the run works; every pixel lies on some centre of the
// first population, so jm is 0 and the Xie-Beni index of such solutions 0/0; the files are
// whole and consistent with each other.
TEST(ClassifyOddInput, MoreClustersThanDistinctPixelsGivesConsistentFiles) {
    const TempDir work;
    std::string bytes;
    for (int band = 0; band < 2; ++band) {
        for (int p = 0; p < 12; ++p) bytes.push_back(static_cast<char>(p < 6 ? 10 + band : 200));
    }
    WriteFileBytes(work.file("scene.hdr"), SceneHeader());
    WriteFileBytes(work.file("scene.img"), bytes);
    const CommandResult result = RunChecked(
        work,
        {"classify", "--input", "scene.img", "--output", "res", "--seed", "1", "--clusters", "5",
         "--pop-size", "6", "--generations", "2", "--threads", "1", "--no-pictures"},
        false);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("Finish\n"), std::string::npos);

    const std::string frontList = testing::ReadFileBytes(work.file("FinalPF.txt"));
    const auto lines =
        static_cast<std::size_t>(std::count(frontList.begin(), frontList.end(), '\n'));
    ASSERT_GE(lines, 1u);
    EXPECT_FALSE(fs::exists(work.file("res_" + std::to_string(lines))));
    for (std::size_t j = 0; j < lines; ++j) {
        const std::string labels = testing::ReadFileBytes(work.file("res_" + std::to_string(j)));
        ASSERT_EQ(labels.size(), 12u);
        // Two distinct pixels, two labels: the first six pixels share one, the rest another.
        for (int p = 0; p < 12; ++p) {
            EXPECT_GE(labels[static_cast<std::size_t>(p)], 1);
            EXPECT_LE(labels[static_cast<std::size_t>(p)], 5);
            EXPECT_EQ(labels[static_cast<std::size_t>(p)], labels[p < 6 ? 0u : 6u]);
        }
        EXPECT_NE(labels[0], labels[6]);
        const std::string header =
            testing::ReadFileBytes(work.file("res_" + std::to_string(j) + ".hdr"));
        EXPECT_NE(header.find("classes = 6\r\n"), std::string::npos) << header;
    }
    // Each line is "xbIndex TAB jm" with jm exactly 0, and a 0/0 index spelled "nan".
    std::size_t start = 0;
    while (start < frontList.size()) {
        const std::size_t end = frontList.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = frontList.substr(start, end - start);
        EXPECT_TRUE(line == "nan\t0.000000" || line == "0.000000\t0.000000") << line;
        start = end + 2;
    }
}

// The fuzzy c-means command reads its fixed test image from TAVORIN_DATA_DIR.
struct FcmCase {
    std::string name;
    std::string header;  // empty: no small.hdr
    std::string raw;
    int exitStatus;
    std::string err;
    bool errIsPrefix = false;
    bool unreadableImage = false;
};

std::vector<FcmCase> FcmCases() {
    const std::string header = "ENVI\nsamples = 4\nlines = 3\nbands = 2\ndata type = 1\n";
    return {
        {"NoHeader", "", SceneBytes(), 1,
         "Please generate the file header using ENVI！ (looked for "},
        {"NoBands", Header("4", "3", "", "1"), SceneBytes(), 1, "The header \"", true},
        {"UnsupportedType", Header("4", "3", "2", "6"), SceneBytes(), 1,
         "暂不处理此种数据类型！\n"},
        {"ZeroLines", Header("4", "0", "2", "1"), SceneBytes(), 1, "The header \"", true},
        {"MillionByMillionPixels", Header("1000000", "1000000", "1", "1"), SceneBytes(), 1,
         "The test image of 1000000 samples, 1000000 lines and 1 bands is too large to cluster: it "
         "would need about 8e+04 GB of memory (this computer has about ",
         true},
        {"GeometryBeyondAnyByteCount", Header("2147483647", "2147483647", "2147483647", "5"),
         SceneBytes(), 1,
         "The image of 2147483647 samples, 2147483647 lines and 2147483647 bands is too large: it "
         "would need about 7.92e+19 GB of memory.\n"},
        {"TruncatedRaw", header, SceneBytes().substr(0, 23), 1, "The image file \"", true},
        {"UnreadableImage", header, SceneBytes(), 1, "Cannot open the image file \"", true, true},
    };
}

void PrintTo(const FcmCase& c, std::ostream* os) { *os << c.name; }

class FcmBadInput : public ::testing::TestWithParam<FcmCase> {};

TEST_P(FcmBadInput, IsRefusedWithOneMessageAndWritesNothing) {
    const FcmCase& c = GetParam();
    const TempDir data;
    const TempDir work;
    WriteFileBytes(data.file("small.img"), c.raw);
    if (!c.header.empty()) WriteFileBytes(data.file("small.hdr"), c.header);
    if (c.unreadableImage) fs::permissions(data.file("small.img"), fs::perms::none);
    WriteFileBytes(work.file("cencer_output.txt"), "\r\n1.000000\t\r\n");
    const auto workBefore = testing::SnapshotFolder(work.path());
    const auto dataBefore = testing::SnapshotFolder(data.path());

    const CommandResult result = RunChecked(work, {"fcm", "--seed", "3"}, c.unreadableImage,
                                            {{"TAVORIN_DATA_DIR", data.path().string()}});
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_EQ(result.out, "Test image: " + data.file("small.img") + "\n");
    if (c.errIsPrefix || c.name == "NoHeader") {
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    } else {
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(testing::SnapshotFolder(work.path()), workBefore);
    EXPECT_EQ(testing::SnapshotFolder(data.path()), dataBefore);
}

INSTANTIATE_TEST_SUITE_P(Matrix, FcmBadInput, ::testing::ValuesIn(FcmCases()),
                         [](const ::testing::TestParamInfo<FcmCase>& caseInfo) {
                             return caseInfo.param.name;
                         });

// Samples that are not numbers, a constant image and a single pixel are clustered by the
// stated rules (a NaN membership wins the label): the run ends normally, never hangs, and
// writes its four files.
TEST(FcmOddInput, NonFiniteConstantAndSinglePixelImagesFinish) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<std::string, std::string>> images = {
        {Header("2", "2", "1", "4"), FloatBytes({nan, 1.0f, 2.0f, inf})},
        {Header("2", "2", "1", "4"), FloatBytes({3.0f, 3.0f, 3.0f, 3.0f})},
        {Header("1", "1", "1", "4"), FloatBytes({3.0f})},
    };
    for (const auto& [header, raw] : images) {
        const TempDir data;
        const TempDir work;
        WriteFileBytes(data.file("small.hdr"), header);
        WriteFileBytes(data.file("small.img"), raw);
        const CommandResult result = RunChecked(work, {"fcm", "--seed", "3"}, false,
                                                {{"TAVORIN_DATA_DIR", data.path().string()}});
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::string labels = testing::ReadFileBytes(work.file("small_result"));
        EXPECT_EQ(labels.size(), raw.size() / 4);
        for (const char label : labels) {
            EXPECT_GE(label, 1);
            EXPECT_LE(label, 4);
        }
        EXPECT_EQ(testing::ReadFileBytes(work.file("cencer_output.txt")).substr(0, 2), "\r\n");
        EXPECT_TRUE(fs::exists(work.file("cencer_output_runfcm.txt")));
        EXPECT_TRUE(fs::exists(work.file("small_result.hdr")));
    }
}

}  // namespace
}  // namespace tavorin
