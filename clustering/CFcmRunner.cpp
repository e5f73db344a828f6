#include "clustering/CFcmRunner.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "clustering/FcmChunkScheduler.h"
#include "clustering/FcmKernels.h"
#include "clustering/FcmPasses.h"
#include "image/CEnviImage.h"
#include "platform/Clock.h"
#include "platform/FileOutput.h"
#include "platform/MemoryCheck.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"
#include "platform/UserInterface.h"

namespace tavorin {
namespace {

namespace fs = std::filesystem;

#if defined(__SSE2__)
using fcm::detail::ClusterPairs;
using fcm::detail::FourClusterMembershipsRange;
using fcm::detail::FourClusterPass;
using fcm::detail::FourClusterSums;
using fcm::detail::kPixelBlock;
using fcm::detail::SharedFourClusterPass;
using fcm::detail::WithBandCount;
#endif

constexpr int kSeedPauseMilliseconds = 1000;
constexpr std::uint32_t kSeedTimeFactor = 1000;
constexpr double kRandomDivisor = 32768.0;

}  // namespace

void CFcmRunner::Run() {
    LoadTestImage();
    Cluster();
    WriteResult();
}

TestImageLocation CFcmRunner::LocateTestImageIn(const std::vector<std::string>& folders) {
    return FindFileInFolders(folders, kTestImageName);
}

TestImageLocation CFcmRunner::LocateTestImage() { return LocateTestImageIn(TestImageFolders()); }

void CFcmRunner::LoadTestImage() {
    std::string path = imagePath;
    if (path.empty()) {
        const TestImageLocation location = LocateTestImage();
        if (!location.found) throw UserError(TestImageNotFoundMessage(location.candidates));
        path = *location.found;
        imagePath = path;
    } else {
        std::error_code error;
        if (!fs::is_regular_file(path, error)) throw UserError(TestImageNotFoundMessage({path}));
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

void CFcmRunner::LoadPixels(int lines, int samples, int bands, const double* bandData,
                            std::shared_ptr<const LeftOutPixels> leftOutPixels) {
    testImage_ = false;
    lineCount = lines;
    sampleCount = samples;
    bandCount = bands;
    leftOut = std::move(leftOutPixels);
    AllocateMatrices();
    const std::size_t pixelCount = PixelCount();
    const std::size_t bandTotal = static_cast<std::size_t>(bandCount);
    for (std::size_t k = 0; k < bandTotal; ++k) {
        const double* band = bandData + k * pixelCount;
        for (std::size_t i = 0; i < pixelCount; ++i) pixels[i * bandTotal + k] = band[i];
    }
}

void CFcmRunner::AllocateMatrices() {
    if (clusterNumber < 1) throw std::logic_error("CFcmRunner: the cluster count must be positive");
    if (lineCount < 1 || sampleCount < 1 || bandCount < 1) {
        throw UserError(ImageName() + " has no pixels or no bands (" +
                        platform::formatInt(sampleCount) + " samples, " +
                        platform::formatInt(lineCount) + " lines, " +
                        platform::formatInt(bandCount) + " bands).");
    }
    const std::size_t pixelCount = PixelCount();
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    // Refused before anything is allocated: the two membership matrices, the pixels and, while
    // they load, the image's band data (a header may claim any size).
    const double neededBytes =
        static_cast<double>(lineCount) * static_cast<double>(sampleCount) *
        (2.0 * static_cast<double>(clusters) + 2.0 * static_cast<double>(bands)) * 8.0;
    if (const std::optional<std::string> exceeded = platform::ExceedsPhysicalMemory(neededBytes)) {
        throw UserError(ImageName() + " of " + platform::formatInt(sampleCount) + " samples, " +
                        platform::formatInt(lineCount) + " lines and " +
                        platform::formatInt(bandCount) +
                        " bands is too large to cluster: it would need about " +
                        platform::GigabytesText(neededBytes) + " of memory" + *exceeded + ".");
    }
    try {
        newMembership.assign(pixelCount * clusters, 0.0);
        membership.assign(pixelCount * clusters, 0.0);
        centres.assign(clusters * bands, 0.0);
        pixels.assign(pixelCount * bands, 0.0);
    } catch (const std::bad_alloc&) {
        const double megabytes =
            static_cast<double>(pixelCount) * static_cast<double>(2 * clusters + bands) * 8.0 / 1e6;
        throw UserError(std::string("Not enough memory to cluster ") +
                        (testImage_ ? "the test image" : "the image") + ": it needs " +
                        platform::formatFixed(megabytes) + " MB.");
    } catch (const std::length_error&) {
        throw UserError(ImageName() + " is too large to cluster.");
    }
}

void CFcmRunner::Cluster() {
    CheckSettings();
    InitMemberships();
    NormaliseMemberships();
    // With four clusters the membership pass also sums up the next iteration's centres, so
    // each iteration reads the pixels once; the sums and their order stay those of UpdateCentres.
    std::optional<CentreSums> nextSums;
    for (int iteration = 0; iteration < iterationCount; ++iteration) {
        if (nextSums) {
            ApplyCentreSums(*nextSums);
        } else {
            UpdateCentres();
        }
        const bool last = iteration + 1 == iterationCount;
        nextSums = UpdateMembershipsAndSum(!last);
        // Every iteration overwrites all of newMembership, so exchanging the two matrices
        // gives `membership` the copy's content; the copy itself is made once at the end.
        membership.swap(newMembership);
    }
    if (iterationCount > 0) newMembership = membership;
    WriteCentresFile(clusteredCentresPath);
}

void CFcmRunner::InitMemberships() {
    if (seed) {
        usedSeed = *seed;
    } else {
        // The pause keeps two runs in a row from drawing the same seed.
        platform::sleepMilliseconds(kSeedPauseMilliseconds);
        usedSeed = static_cast<std::uint32_t>(platform::timeSeconds()) * kSeedTimeFactor;
    }
    random_.Seed(usedSeed);
    for (double& value : membership) value = random_.Next() / kRandomDivisor;
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
    platform::ThreadPool& pool = Pool();
    const std::size_t threads = static_cast<std::size_t>(pool.threadCount());
    CentreSums sums{std::vector<double>(clusters, 0.0), std::vector<double>(clusters * bands, 0.0)};
#if defined(__SSE2__)
    if (clusters == 4 && fuzzifier == 2) {
        WithBandCount(bands, [&](auto fixedBands) {
            constexpr std::size_t kBands = fixedBands();
            const double* memberships = membership.data();
            const double* values = pixels.data();
            if (threads == 1) {
                FourClusterSums<kBands, ClusterPairs::Both> all(bands);
                all.AddRange(memberships, values, 0, pixelCount);
                all.StoreInto(sums);
                return;
            }
            FourClusterSums<kBands, ClusterPairs::FirstTwo> firstTwo(bands);
            FourClusterSums<kBands, ClusterPairs::LastTwo> lastTwo(bands);
            pool.Run(2, [&](int pair) {
                if (pair == 0)
                    firstTwo.AddRange(memberships, values, 0, pixelCount);
                else
                    lastTwo.AddRange(memberships, values, 0, pixelCount);
            });
            firstTwo.StoreInto(sums);
            lastTwo.StoreInto(sums);
        });
        ApplyCentreSums(sums);
        return;
    }
#endif
    // Each thread sums whole clusters over all pixels, so every sum keeps its order.
    const std::size_t parts = std::min(threads, clusters);
    pool.Run(static_cast<int>(parts), [&](int part) {
        const std::size_t p = static_cast<std::size_t>(part);
        fcm::detail::AccumulateCentreSums(membership.data(), pixels.data(), pixelCount, clusters,
                                          bands, fuzzifier, clusters * p / parts,
                                          clusters * (p + 1) / parts, sums);
    });
    ApplyCentreSums(sums);
}

void CFcmRunner::ApplyCentreSums(const CentreSums& sums) {
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    for (std::size_t j = 0; j < clusters; ++j) {
        for (std::size_t k = 0; k < bands; ++k) {
            centres[j * bands + k] = sums.weighted[k * clusters + j] / sums.weights[j];
        }
    }
}

void CFcmRunner::UpdateMemberships() { UpdateMembershipsAndSum(false); }

std::optional<CFcmRunner::CentreSums> CFcmRunner::UpdateMembershipsAndSum(bool sumNextCentres) {
    const std::size_t pixelCount = PixelCount();
#if defined(__SSE2__)
    if (clusterNumber == 4 && fuzzifier == 2) {
        const std::size_t bands = static_cast<std::size_t>(bandCount);
        std::vector<double> pairedCentres(2 * centres.size());
        for (std::size_t c = 0; c < centres.size(); ++c) {
            pairedCentres[2 * c] = centres[c];
            pairedCentres[2 * c + 1] = centres[c];
        }
        const FourClusterPass pass{pixels.data(), centres.data(), pairedCentres.data(),
                                   newMembership.data(), bands};
        return WithBandCount(bands, [&](auto fixedBands) -> std::optional<CentreSums> {
            constexpr std::size_t kBands = fixedBands();
            if (!sumNextCentres) {
                fcm::detail::ForEachChunk(Pool(), pixelCount,
                                          [&](std::size_t begin, std::size_t end) {
                                              FourClusterMembershipsRange<kBands>(pass, begin, end);
                                          });
                return std::nullopt;
            }
            CentreSums sums{std::vector<double>(4), std::vector<double>(4 * bands)};
            platform::ThreadPool& pool = Pool();
            const std::size_t threads = static_cast<std::size_t>(pool.threadCount());
            if (threads == 1) {
                // A block at a time, so the new memberships are summed while still in the cache.
                FourClusterSums<kBands, ClusterPairs::Both> all(bands);
                for (std::size_t first = 0; first < pixelCount; first += kPixelBlock) {
                    const std::size_t end = std::min(first + kPixelBlock, pixelCount);
                    FourClusterMembershipsRange<kBands>(pass, first, end);
                    all.AddRange(pass.memberships, pass.pixels, first, end);
                }
                all.StoreInto(sums);
                return sums;
            }
            // Made before the threads start: nothing inside them may fail.
            SharedFourClusterPass<kBands> shared(pass, pixelCount);
            pool.Run(static_cast<int>(threads), [&](int) { shared.Work(); });
            shared.StoreInto(sums);
            return sums;
        });
    }
#endif
    const fcm::detail::MembershipPass pass{pixels.data(),
                                           centres.data(),
                                           newMembership.data(),
                                           static_cast<std::size_t>(clusterNumber),
                                           static_cast<std::size_t>(bandCount),
                                           fuzzifier};
    fcm::detail::ForEachChunk(Pool(), pixelCount, [&](std::size_t begin, std::size_t end) {
        fcm::detail::MembershipsRange(pass, begin, end);
    });
    return std::nullopt;
}

platform::ThreadPool& CFcmRunner::Pool() {
    const int wanted = std::max(threadCount, 1);
    std::unique_ptr<platform::ThreadPool>& pool = poolHolder_.pool;
    if (!pool || poolHolder_.requested != wanted) {
        pool.reset();
        pool = std::make_unique<platform::ThreadPool>(wanted);
        poolHolder_.requested = wanted;
        if (pool->threadCount() < wanted) {
            platform::ShowMessage(platform::FewerThreadsMessage(pool->threadCount(), wanted),
                                  platform::MessageKind::Information);
        }
    }
    return *pool;
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
    std::vector<unsigned char> labels = Labels();
    WriteCentresFile(resultCentresPath);

    CEnviImage result;
    result.classes = clusterNumber + 1;
    result.SetGeometry(1, lineCount, sampleCount, 1, resultImagePath);
    result.georeferenceEntries = georeferenceEntries;
    if (leftOut && leftOut->count() > 0) {
        // The clustered pixels' labels spread over the image; class 0 marks the others.
        std::vector<unsigned char> imageLabels(leftOut->searched.size(), 0);
        std::size_t next = 0;
        for (std::size_t p = 0; p < imageLabels.size(); ++p) {
            if (leftOut->searched[p] != 0) imageLabels[p] = labels[next++];
        }
        labels = std::move(imageLabels);
        result.bandNodata = {0.0};
    }
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
    const std::size_t imagePixels =
        static_cast<std::size_t>(lineCount) * static_cast<std::size_t>(sampleCount);
    return leftOut ? imagePixels - static_cast<std::size_t>(leftOut->count()) : imagePixels;
}

std::string CFcmRunner::ImageName() const { return testImage_ ? "The test image" : "The image"; }

void CFcmRunner::CheckSettings() const {
    if (clusterNumber < 1 || clusterNumber > 254) {
        throw std::logic_error("CFcmRunner: the cluster count must be 1 to 254");
    }
    if (fuzzifier < 2) throw std::logic_error("CFcmRunner: the fuzzifier must be at least 2");
    if (threadCount < 1) throw std::logic_error("CFcmRunner: the thread count must be positive");
    const std::size_t pixelCount = PixelCount();
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    if (lineCount < 0 || sampleCount < 0 || bandCount < 0 ||
        membership.size() != pixelCount * clusters || newMembership.size() != membership.size() ||
        centres.size() != clusters * static_cast<std::size_t>(bandCount) ||
        pixels.size() != pixelCount * static_cast<std::size_t>(bandCount)) {
        throw std::logic_error("CFcmRunner: the matrices do not match the sizes");
    }
    if (leftOut && leftOut->count() > 0 &&
        leftOut->searched.size() !=
            static_cast<std::size_t>(lineCount) * static_cast<std::size_t>(sampleCount)) {
        throw std::logic_error("CFcmRunner: the left-out pixels do not match the image");
    }
}

void CFcmRunner::WriteCentresFile(const std::string& path) const {
    platform::WriteWholeTextFile(path, CentresText());
}

}  // namespace tavorin
