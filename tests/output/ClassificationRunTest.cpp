#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "driver/CClassificationDriver.h"
#include "platform/NumberText.h"
#include "platform/Random.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

using testing::ReadFileBytes;

constexpr int kSamples = 6;
constexpr int kLines = 5;
constexpr int kBands = 3;
constexpr int kPixels = kSamples * kLines;
constexpr int kClusters = 3;
constexpr std::uint32_t kSeed = 777;

const char* const kMapInfo = "map info = {UTM, 1, 1, 500000, 4000000, 30, 30, 33, North, WGS-84}";

// Three groups of pixels (by p mod 3) around different spectra, with a little noise.
std::vector<double> TinyImage() {
    const int base[3][kBands] = {{20, 50, 80}, {120, 30, 200}, {60, 160, 10}};
    std::vector<double> values(kPixels * kBands);
    platform::Random15 random(3);
    for (int b = 0; b < kBands; ++b) {
        for (int p = 0; p < kPixels; ++p) {
            values[static_cast<std::size_t>(b * kPixels + p)] = base[p % 3][b] + random.Next() % 9;
        }
    }
    return values;
}

void WriteTinyImage(const testing::TempDir& dir, const std::vector<double>& image) {
    std::string raw;
    for (double value : image) raw.push_back(static_cast<char>(static_cast<unsigned char>(value)));
    testing::WriteFileBytes(dir.file("tiny.img"), raw);
    testing::WriteFileBytes(dir.file("tiny.hdr"),
                            "ENVI\nsamples = 6\nlines = 5\nbands = 3\nheader offset = 0\n"
                            "file type = ENVI Standard\ndata type = 1\ninterleave = bsq\n"
                            "byte order = 0\n" +
                                std::string(kMapInfo) + "\n");
}

struct Objectives {
    double xbIndex = 0.0;
    double jm = 0.0;
};

// The objectives exactly as stated for the evaluation: full N x K tables of distances and
// memberships, then Jm as one running sum over pixels and clusters, the separation over
// centre pairs, and Xie-Beni = Jm / (N * sep).
Objectives LiteralObjectives(const std::vector<double>& x, const std::vector<double>& v) {
    const int N = kPixels, K = kClusters, d = kBands;
    std::vector<std::vector<double>> D(N, std::vector<double>(K));
    std::vector<std::vector<double>> u(N, std::vector<double>(K));
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < K; ++j) {
            double sum = 0.0;
            for (int k = 0; k < d; ++k) {
                const double diff = x[k * N + i] - v[j * d + k];
                sum += diff * diff;
            }
            D[i][j] = std::sqrt(sum);
        }
        bool hit = false;
        for (int j = 0; j < K; ++j) {
            if (D[i][j] == 0.0 || std::isnan(D[i][j])) {
                for (int l = 0; l < K; ++l) u[i][l] = 0.0;
                u[i][j] = 1.0;
                hit = true;
            }
        }
        if (hit) continue;
        double S = 0.0;
        for (int l = 0; l < K; ++l) S += 1.0 / (D[i][l] * D[i][l]);
        for (int j = 0; j < K; ++j) u[i][j] = 1.0 / ((D[i][j] * D[i][j]) * S);
    }
    Objectives result;
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < K; ++j) {
            double q = 0.0;
            for (int k = 0; k < d; ++k) {
                const double diff = x[k * N + i] - v[j * d + k];
                q += diff * diff;
            }
            result.jm += (u[i][j] * u[i][j]) * q;
        }
    }
    auto squared = [&](int a, int b) {
        double sum = 0.0;
        for (int k = 0; k < d; ++k) {
            const double diff = v[a * d + k] - v[b * d + k];
            sum += diff * diff;
        }
        return sum;
    };
    double sep = squared(0, 1);
    for (int j = 0; j < K; ++j) {
        for (int l = j + 1; l < K; ++l) {
            const double s = squared(j, l);
            if (s < sep || std::isnan(s) || std::isnan(sep)) sep = s;
        }
    }
    result.xbIndex = result.jm / (static_cast<double>(N) * sep);
    return result;
}

// Labels from full N x K membership tables: first the memberships of every pixel, then the
// first largest membership of each.
std::string LiteralLabels(const std::vector<double>& x, const std::vector<double>& v) {
    const int N = kPixels, K = kClusters, d = kBands;
    std::vector<std::vector<double>> u(N, std::vector<double>(K, 0.0));
    for (int p = 0; p < N; ++p) {
        std::vector<double> D(K);
        bool hit = false;
        for (int j = 0; j < K; ++j) {
            double sum = 0.0;
            for (int b = 0; b < d; ++b)
                sum += (x[b * N + p] - v[j * d + b]) * (x[b * N + p] - v[j * d + b]);
            D[j] = std::sqrt(sum);
        }
        for (int j = 0; j < K; ++j) {
            if (D[j] == 0.0 || std::isnan(D[j])) {
                for (int l = 0; l < K; ++l) u[p][l] = 0.0;
                u[p][j] = 1.0;
                hit = true;
            }
        }
        if (hit) continue;
        double T = 0.0;
        for (int j = 0; j < K; ++j) T += 1.0 / (D[j] * D[j]);
        for (int j = 0; j < K; ++j) u[p][j] = 1.0 / ((D[j] * D[j]) * T);
    }
    std::string labels(N, '\0');
    for (int p = 0; p < N; ++p) {
        double best = 0.0;
        for (int j = 0; j < K; ++j) {
            if (u[p][j] > best) {
                best = u[p][j];
                labels[p] = static_cast<char>(j + 1);
            }
        }
    }
    return labels;
}

const char* const kExpectedHeader =
    "ENVI\r\n"
    "description = {\r\n"
    "  File Imported into ENVI.}\r\n"
    "samples = 6\r\n"
    "lines   = 5\r\n"
    "bands   = 1\r\n"
    "header offset = 0\r\n"
    "file type = ENVI Classification\r\n"
    "data type = 1\r\n"
    "interleave = bsq\r\n"
    "sensor type = Unknown\r\n"
    "classes = 4\r\n"
    "class lookup = {\r\n"
    "\t0 ,0 ,0 ,0 ,0 ,255 ,0 ,255 ,0 ,255 ,0 ,0}\r\n"
    "byte order = 0\r\n"
    "wavelength units = Unknown\r\n";

struct RunFiles {
    std::string frontList;
    std::vector<std::string> images;
    std::vector<std::string> headers;
    nlohmann::json summary;
};

class ClassificationRunTest : public ::testing::Test {
  protected:
    RunParameters Parameters() const {
        RunParameters parameters;
        parameters.inputPath = dir_.file("tiny.img");
        parameters.outputPath = dir_.file("out");
        parameters.clusterNumber = kClusters;
        parameters.popSize = 6;
        parameters.iGenerations = 3;
        parameters.FLS = 0.5;
        return parameters;
    }

    // One whole classification.
    bool RunOnce(const RunParameters& parameters, int threads, bool pictures) {
        RunOptions options;
        options.seed = kSeed;
        options.threads = threads;
        options.pictures = pictures;
        return CClassificationDriver().Run(parameters, options, ui_);
    }

    RunFiles Collect() const {
        RunFiles files;
        files.frontList = ReadFileBytes("FinalPF.txt");
        files.summary = nlohmann::json::parse(ReadFileBytes(dir_.file("out_summary.json")));
        for (std::size_t j = 0; j < files.summary["front"].size(); ++j) {
            const std::string name = dir_.file("out_" + std::to_string(j));
            files.images.push_back(ReadFileBytes(name));
            files.headers.push_back(ReadFileBytes(name + ".hdr"));
        }
        return files;
    }

    testing::TempDir dir_{true};
    testing::RecordingUserInterface ui_;
    std::vector<double> image_ = TinyImage();
};

TEST_F(ClassificationRunTest, EveryResultFileAgreesWithTheLiteralComputation) {
    WriteTinyImage(dir_, image_);
    ASSERT_TRUE(RunOnce(Parameters(), 1, false));
    const RunFiles files = Collect();
    const nlohmann::json& front = files.summary["front"];
    ASSERT_GE(front.size(), 1u);
    ASSERT_LE(front.size(), 6u);
    const auto recommended = files.summary["recommended"].get<std::size_t>();
    ASSERT_LT(recommended, front.size());
    ASSERT_LT(files.summary["bestXieBeni"].get<std::size_t>(), front.size());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Finish");
    EXPECT_EQ(ui_.notes, std::vector<std::string>{
                             "Recommended: " + dir_.file("out_" + std::to_string(recommended)) +
                             " (knee of the front)"});
    // The header's 30 m pixels.
    EXPECT_EQ(files.summary["pixels"]["pixelArea"],
              nlohmann::json::parse(R"({"x": 30.0, "y": 30.0, "units": "metres"})"));
    EXPECT_EQ(front[recommended]["legend"], nlohmann::json::parse("[1, 2, 3]"));
    std::string expectedList;
    std::vector<std::vector<double>> centres;
    for (std::size_t j = 0; j < front.size(); ++j) {
        SCOPED_TRACE("front member " + std::to_string(j));
        const nlohmann::json& member = front[j];
        EXPECT_EQ(member["file"], dir_.file("out_" + std::to_string(j)));
        std::vector<double> v;
        ASSERT_EQ(member["centres"].size(), static_cast<std::size_t>(kClusters));
        for (const nlohmann::json& centre : member["centres"]) {
            ASSERT_EQ(centre.size(), static_cast<std::size_t>(kBands));
            for (const nlohmann::json& value : centre) v.push_back(value.get<double>());
        }
        const Objectives literal = LiteralObjectives(image_, v);
        EXPECT_EQ(member["xbIndex"].get<double>(), literal.xbIndex);
        EXPECT_EQ(member["jm"].get<double>(), literal.jm);
        expectedList += platform::formatFixed(literal.xbIndex) + "\t" +
                        platform::formatFixed(literal.jm) + "\r\n";
        EXPECT_EQ(files.images[j], LiteralLabels(image_, v));
        // Each label's pixels in the map, its share and area, under its legend class.
        ASSERT_EQ(member["classes"].size(), static_cast<std::size_t>(kClusters));
        for (int l = 1; l <= kClusters; ++l) {
            const nlohmann::json& statistic = member["classes"][static_cast<std::size_t>(l - 1)];
            const auto pixels =
                std::count(files.images[j].begin(), files.images[j].end(), static_cast<char>(l));
            EXPECT_EQ(statistic["label"], l);
            EXPECT_EQ(statistic["legendClass"], member["legend"][static_cast<std::size_t>(l - 1)]);
            EXPECT_EQ(statistic["pixels"], pixels);
            EXPECT_EQ(statistic["share"], static_cast<double>(pixels) / kPixels);
            EXPECT_EQ(statistic["hectares"], static_cast<double>(pixels) * 900.0 / 1e4);
            EXPECT_EQ(statistic["squareKilometres"], static_cast<double>(pixels) * 900.0 / 1e6);
        }
        EXPECT_EQ(files.headers[j], std::string(kExpectedHeader) + kMapInfo + "\r\n");
        // Every centre lies inside the bounds of its band.
        for (std::size_t gene = 0; gene < v.size(); ++gene) {
            double low = image_[(gene % kBands) * kPixels], high = low;
            for (int p = 0; p < kPixels; ++p) {
                low = std::min(low, image_[(gene % kBands) * kPixels + p]);
                high = std::max(high, image_[(gene % kBands) * kPixels + p]);
            }
            EXPECT_GE(v[gene], low);
            EXPECT_LE(v[gene], high);
        }
        centres.push_back(v);
        if (j > 0) {
            EXPECT_GE(front[j - 1]["jm"].get<double>(), member["jm"].get<double>());
        }
    }
    EXPECT_EQ(files.frontList, expectedList);
    // No front member dominates another.
    for (std::size_t a = 0; a < front.size(); ++a) {
        for (std::size_t b = 0; b < front.size(); ++b) {
            EXPECT_FALSE(front[a]["xbIndex"].get<double>() < front[b]["xbIndex"].get<double>() &&
                         front[a]["jm"].get<double>() < front[b]["jm"].get<double>());
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.file("out_" + std::to_string(front.size()))));

    EXPECT_EQ(files.summary["seed"], kSeed);
    EXPECT_EQ(files.summary["version"], TAVORIN_VERSION);
    EXPECT_EQ(files.summary["image"]["samples"], kSamples);
    EXPECT_EQ(files.summary["image"]["lines"], kLines);
    EXPECT_EQ(files.summary["image"]["bands"], kBands);
    EXPECT_EQ(files.summary["image"]["dataType"], 1);
    EXPECT_EQ(files.summary["parameters"]["popSize"], 6);

    EXPECT_TRUE(std::regex_match(
        ReadFileBytes("nNonDominated.txt"),
        std::regex("The number of non-dominated solution in PF for each generation\r\n"
                   "([1-6]\r\n){3}")));
    EXPECT_EQ(ui_.openedStages,
              (std::vector<std::string>{"QUELDRA_initialization", "QUELDRA_GlobalandLocal",
                                        "QUELDRA_output"}));
    std::vector<std::string> outputPercents;
    for (const platform::ProgressState& state : ui_.progressUpdates) {
        if (state.stageText == "QUELDRA_output") outputPercents.push_back(state.percentText);
    }
    ASSERT_EQ(outputPercents.size(), front.size() + 1);
    EXPECT_EQ(outputPercents.back(), "100%");
}

TEST_F(ClassificationRunTest, MapsLeftFromAnEarlierRunAreNamed) {
    WriteTinyImage(dir_, image_);
    for (const char* name : {"out_9", "out_9.hdr", "out_12.png", "out_1.tif", "out_07", "out_x"}) {
        testing::WriteFileBytes(dir_.file(name), "earlier");
    }
    ASSERT_TRUE(RunOnce(Parameters(), 1, false));
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].text,
              "Warning: 4 files named like this run's maps are not from this run but left from an "
              "earlier one with the same output name: \"" +
                  dir_.file("out_1.tif") + "\", \"" + dir_.file("out_9") + "\", \"" +
                  dir_.file("out_9.hdr") + "\", \"" + dir_.file("out_12.png") +
                  "\". The report and the summary list only this run's maps.");
    EXPECT_EQ(ui_.messages[1].text, "Finish");
    EXPECT_LE(Collect().summary["front"].size(), 6u);
}

TEST_F(ClassificationRunTest, SameSeedGivesIdenticalFilesWhateverTheThreadCount) {
    WriteTinyImage(dir_, image_);
    ASSERT_TRUE(RunOnce(Parameters(), 1, false));
    const RunFiles first = Collect();
    ASSERT_TRUE(RunOnce(Parameters(), 2, true));
    const RunFiles second = Collect();
    EXPECT_EQ(first.frontList, second.frontList);
    EXPECT_EQ(first.images, second.images);
    EXPECT_EQ(first.headers, second.headers);
    EXPECT_EQ(first.summary["front"], second.summary["front"]);
    EXPECT_TRUE(std::filesystem::exists(dir_.file("out_report.html")));
}

TEST_F(ClassificationRunTest, GdalReadsTheClassificationHeader) {
    if (std::system("command -v gdalinfo > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "gdalinfo is not installed";
    }
    WriteTinyImage(dir_, image_);
    ASSERT_TRUE(RunOnce(Parameters(), 1, false));
    const std::string command = "gdalinfo '" + dir_.file("out_0") + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    ASSERT_TRUE(pipe);
    std::string report;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) report += buffer.data();
    EXPECT_NE(report.find("Driver: ENVI/ENVI .hdr Labelled"), std::string::npos) << report;
    EXPECT_NE(report.find("Size is 6, 5"), std::string::npos) << report;
    EXPECT_NE(report.find("Color Table (RGB with 4 entries)"), std::string::npos) << report;
    EXPECT_NE(report.find("3: 255,0,0,255"), std::string::npos) << report;
}

TEST_F(ClassificationRunTest, FrontListThatCannotBeCreatedEndsTheRun) {
    WriteTinyImage(dir_, image_);
    std::filesystem::create_directory("FinalPF.txt");
    EXPECT_FALSE(RunOnce(Parameters(), 1, false));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Cannot create the file \"FinalPF.txt\".");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("out_0")));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("out_summary.json")));
}

TEST_F(ClassificationRunTest, ImageThatCannotBeWrittenEndsTheRunWithoutListingIt) {
    WriteTinyImage(dir_, image_);
    // A folder in the first image's place: the output folder itself passes the early checks.
    std::filesystem::create_directory(dir_.file("out_0"));
    EXPECT_FALSE(RunOnce(Parameters(), 1, false));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Cannot create the file \"" + dir_.file("out_0") + "\".");
    EXPECT_EQ(ReadFileBytes("FinalPF.txt"), "");
}

}  // namespace
}  // namespace tavorin
