#include "clustering/CFcmRunner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/CEnviImage.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/Random.h"
#include "platform/TextFile.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

namespace fs = std::filesystem;

constexpr int kSeedPauseMilliseconds = 1000;
constexpr std::uint32_t kSeedTimeFactor = 1000;
constexpr double kRandomDivisor = 32768.0;
// Pixels per block of the membership update: the block's scratch rows stay in the L1 cache.
constexpr std::size_t kPixelBlock = 256;

// Replaces values[0..count) by their square roots, two at a time where the processor allows;
// the results are the correctly rounded roots that std::sqrt gives.
void SquareRootsInPlace(double* values, std::size_t count) {
    std::size_t p = 0;
#if defined(__SSE2__)
    for (; p + 2 <= count; p += 2) _mm_storeu_pd(values + p, _mm_sqrt_pd(_mm_loadu_pd(values + p)));
#endif
    for (; p < count; ++p) values[p] = std::sqrt(values[p]);
}

std::string NotFoundMessage(const std::vector<std::string>& candidates) {
    std::string text = "The test image was not found; looked for:";
    for (const std::string& candidate : candidates) text += "\n  " + candidate;
    return text;
}

// The folder of the running executable, or empty when the system does not tell.
fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : executable.parent_path();
}

}  // namespace

void CFcmRunner::Run() {
    LoadTestImage();
    Cluster();
    WriteResult();
}

TestImageLocation CFcmRunner::LocateTestImageIn(const std::vector<std::string>& folders) {
    TestImageLocation location;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        const std::string candidate = (fs::path(folder) / kTestImageName).lexically_normal().string();
        if (std::find(location.candidates.begin(), location.candidates.end(), candidate) !=
            location.candidates.end()) {
            continue;
        }
        location.candidates.push_back(candidate);
        std::error_code error;
        if (!location.found && fs::is_regular_file(candidate, error)) location.found = candidate;
    }
    return location;
}

TestImageLocation CFcmRunner::LocateTestImage() {
    std::vector<std::string> folders;
    if (const char* dataDir = std::getenv("TAVORIN_DATA_DIR")) folders.emplace_back(dataDir);
    const fs::path executableFolder = ExecutableFolder();
    if (!executableFolder.empty()) {
        folders.push_back((executableFolder / ".." / "share" / "tavorin").string());
    }
    folders.emplace_back(TAVORIN_INSTALL_DATA_DIR);
    folders.emplace_back(TAVORIN_SOURCE_DATA_DIR);
    return LocateTestImageIn(folders);
}

void CFcmRunner::LoadTestImage() {
    std::string path = imagePath;
    if (path.empty()) {
        const TestImageLocation location = LocateTestImage();
        if (!location.found) throw UserError(NotFoundMessage(location.candidates));
        path = *location.found;
        imagePath = path;
    } else {
        std::error_code error;
        if (!fs::is_regular_file(path, error)) throw UserError(NotFoundMessage({path}));
    }
    // The reader's own message does not say where it looked, so the header is checked here.
    const std::string headerPath = CEnviImage::HeaderFileName(path);
    std::error_code error;
    if (!fs::is_regular_file(headerPath, error)) {
        throw UserError("Please generate the file header using ENVI！ (looked for " + headerPath +
                        ")");
    }

    CEnviImage image;
    image.ReadHeader(path);
    CEnviImage::BytesPerSample(image.dataType);
    lineCount = image.lines;
    sampleCount = image.samples;
    bandCount = image.bands;
    AllocateMatrices();

    const std::vector<double> bandData = image.ReadBandData();
    const std::size_t pixelCount = PixelCount();
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    if (bandData.size() < pixelCount * bands) {
        throw UserError("The test image " + path + " holds fewer samples than its header states.");
    }
    for (std::size_t k = 0; k < bands; ++k) {
        const double* band = bandData.data() + k * pixelCount;
        for (std::size_t i = 0; i < pixelCount; ++i) pixels[i * bands + k] = band[i];
    }
}

void CFcmRunner::AllocateMatrices() {
    if (clusterNumber < 1) throw std::logic_error("CFcmRunner: the cluster count must be positive");
    if (lineCount < 1 || sampleCount < 1 || bandCount < 1) {
        throw UserError("The test image has no pixels or no bands (" + platform::formatInt(sampleCount) +
                        " samples, " + platform::formatInt(lineCount) + " lines, " +
                        platform::formatInt(bandCount) + " bands).");
    }
    const std::size_t pixelCount = PixelCount();
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    try {
        newMembership.assign(pixelCount * clusters, 0.0);
        membership.assign(pixelCount * clusters, 0.0);
        centres.assign(clusters * bands, 0.0);
        pixels.assign(pixelCount * bands, 0.0);
    } catch (const std::bad_alloc&) {
        const double megabytes =
            static_cast<double>(pixelCount) * static_cast<double>(2 * clusters + bands) * 8.0 / 1e6;
        throw UserError("Not enough memory to cluster the test image: it needs " +
                        platform::formatFixed(megabytes) + " MB.");
    } catch (const std::length_error&) {
        throw UserError("The test image is too large to cluster.");
    }
}

void CFcmRunner::Cluster() {
    CheckSettings();
    InitMemberships();
    NormaliseMemberships();
    for (int iteration = 0; iteration < iterationCount; ++iteration) {
        UpdateCentres();
        UpdateMemberships();
        std::copy(newMembership.begin(), newMembership.end(), membership.begin());
    }
    WriteCentresFile(kClusteredCentresFileName);
}

void CFcmRunner::InitMemberships() {
    if (seed) {
        usedSeed = *seed;
    } else {
        // The pause keeps two runs in a row from drawing the same seed.
        platform::sleepMilliseconds(kSeedPauseMilliseconds);
        usedSeed = static_cast<std::uint32_t>(platform::timeSeconds()) * kSeedTimeFactor;
    }
    platform::srand(usedSeed);
    for (double& value : membership) value = platform::rand() / kRandomDivisor;
}

void CFcmRunner::NormaliseMemberships() {
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t pixelCount = PixelCount();
    for (std::size_t i = 0; i < pixelCount; ++i) {
        double* row = membership.data() + i * clusters;
        double sum = 0.0;
        for (std::size_t j = 0; j < clusters; ++j) sum += row[j];
        for (std::size_t j = 0; j < clusters; ++j) row[j] = row[j] / sum;
    }
}

void CFcmRunner::UpdateCentres() {
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    const std::size_t pixelCount = PixelCount();
    const double m = static_cast<double>(fuzzifier);
    const bool squared = fuzzifier == 2;

    // One pass over the pixels; every sum still runs over the pixels in index order.
    std::vector<double> weightSums(clusters, 0.0);
    std::vector<double> weightedSums(clusters * bands, 0.0);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const double* row = membership.data() + i * clusters;
        const double* x = pixels.data() + i * bands;
        for (std::size_t j = 0; j < clusters; ++j) {
            const double u = row[j];
            const double weight = squared ? u * u : std::pow(u, m);
            weightSums[j] += weight;
            double* sums = weightedSums.data() + j * bands;
            for (std::size_t k = 0; k < bands; ++k) sums[k] += weight * x[k];
        }
    }
    for (std::size_t j = 0; j < clusters; ++j) {
        for (std::size_t k = 0; k < bands; ++k) {
            centres[j * bands + k] = weightedSums[j * bands + k] / weightSums[j];
        }
    }
}

void CFcmRunner::UpdateMemberships() {
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    const std::size_t pixelCount = PixelCount();
    const int exponent = 2 / (fuzzifier - 1);
    const bool squared = exponent == 2;

    // Pixels are taken a block at a time with the block's bands side by side, so every
    // operation below runs over independent pixels; each pixel's own sums keep their order.
    std::vector<double> blockBands(bands * kPixelBlock);
    std::vector<double> powered(clusters * kPixelBlock);  // D^e, cluster by cluster
    std::vector<double> inverseSums(kPixelBlock);
    std::vector<std::size_t> coincidentCluster(kPixelBlock);
    for (std::size_t first = 0; first < pixelCount; first += kPixelBlock) {
        const std::size_t count = std::min(kPixelBlock, pixelCount - first);
        const double* blockPixels = pixels.data() + first * bands;
        for (std::size_t p = 0; p < count; ++p) {
            for (std::size_t k = 0; k < bands; ++k) {
                blockBands[k * kPixelBlock + p] = blockPixels[p * bands + k];
            }
        }

        for (std::size_t j = 0; j < clusters; ++j) {
            double* distances = powered.data() + j * kPixelBlock;
            std::fill(distances, distances + count, 0.0);
            for (std::size_t k = 0; k < bands; ++k) {
                const double centre = centres[j * bands + k];
                const double* band = blockBands.data() + k * kPixelBlock;
                for (std::size_t p = 0; p < count; ++p) {
                    const double difference = band[p] - centre;
                    distances[p] += difference * difference;
                }
            }
            SquareRootsInPlace(distances, count);
        }

        // Pixels that coincide with a centre (a NaN distance counts) are set aside; the
        // formula below would divide by zero for them.
        double* out = newMembership.data() + first * clusters;
        for (std::size_t p = 0; p < count; ++p) {
            std::size_t coincident = clusters;
            for (std::size_t j = 0; j < clusters; ++j) {
                const double distance = powered[j * kPixelBlock + p];
                if (distance == 0.0 || std::isnan(distance)) coincident = j;
            }
            coincidentCluster[p] = coincident;
        }

        for (std::size_t j = 0; j < clusters; ++j) {
            double* values = powered.data() + j * kPixelBlock;
            if (squared) {
                for (std::size_t p = 0; p < count; ++p) values[p] = values[p] * values[p];
            } else {
                for (std::size_t p = 0; p < count; ++p) values[p] = std::pow(values[p], exponent);
            }
        }
        std::fill(inverseSums.begin(), inverseSums.begin() + static_cast<std::ptrdiff_t>(count), 0.0);
        for (std::size_t l = 0; l < clusters; ++l) {
            const double* values = powered.data() + l * kPixelBlock;
            for (std::size_t p = 0; p < count; ++p) inverseSums[p] += 1.0 / values[p];
        }
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* values = powered.data() + j * kPixelBlock;
            for (std::size_t p = 0; p < count; ++p) {
                out[p * clusters + j] = 1.0 / (values[p] * inverseSums[p]);
            }
        }

        for (std::size_t p = 0; p < count; ++p) {
            const std::size_t coincident = coincidentCluster[p];
            if (coincident == clusters) continue;
            std::fill(out + p * clusters, out + (p + 1) * clusters, 0.0);
            out[p * clusters + coincident] = 1.0;
        }
    }
}

std::vector<unsigned char> CFcmRunner::Labels() const {
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t pixelCount = PixelCount();
    std::vector<unsigned char> labels(pixelCount);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const double* row = membership.data() + i * clusters;
        double best = 0.0;
        std::size_t label = 0;
        for (std::size_t j = 0; j < clusters; ++j) {
            // Strictly greater keeps the first of equal memberships; a NaN on either side wins.
            if (row[j] > best || std::isnan(row[j]) || std::isnan(best)) {
                best = row[j];
                label = j + 1;
            }
        }
        labels[i] = static_cast<unsigned char>(label);
    }
    return labels;
}

void CFcmRunner::WriteResult() {
    CheckSettings();
    const std::vector<unsigned char> labels = Labels();
    WriteCentresFile(kResultCentresFileName);

    CEnviImage result;
    result.classes = clusterNumber + 1;
    result.SetGeometry(1, lineCount, sampleCount, 1, kResultImageName);
    result.WriteClassification(labels.data());
}

std::string CFcmRunner::CentresText() const {
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    std::string text;
    for (std::size_t j = 0; j < clusters; ++j) {
        text += '\n';
        for (std::size_t k = 0; k < bands; ++k) {
            text += platform::formatFixed(centres[j * bands + k]);
            text += '\t';
        }
    }
    return text;
}

std::size_t CFcmRunner::PixelCount() const {
    return static_cast<std::size_t>(lineCount) * static_cast<std::size_t>(sampleCount);
}

void CFcmRunner::CheckSettings() const {
    if (clusterNumber < 1 || clusterNumber > 254) {
        throw std::logic_error("CFcmRunner: the cluster count must be 1 to 254");
    }
    if (fuzzifier < 2) throw std::logic_error("CFcmRunner: the fuzzifier must be at least 2");
    const std::size_t pixelCount = PixelCount();
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    if (lineCount < 0 || sampleCount < 0 || bandCount < 0 ||
        membership.size() != pixelCount * clusters || newMembership.size() != membership.size() ||
        centres.size() != clusters * static_cast<std::size_t>(bandCount) ||
        pixels.size() != pixelCount * static_cast<std::size_t>(bandCount)) {
        throw std::logic_error("CFcmRunner: the matrices do not match the sizes");
    }
}

void CFcmRunner::WriteCentresFile(const std::string& path) const {
    platform::TextFile file;
    if (!file.Open(path, platform::TextFile::Mode::Truncate)) {
        throw UserError("Cannot create the file \"" + path + "\".");
    }
    file.Write(CentresText());
    if (!file.Close()) {
        std::error_code ignored;
        fs::remove(path, ignored);
        throw UserError("Cannot write the file \"" + path + "\" completely.");
    }
}

}  // namespace tavorin
