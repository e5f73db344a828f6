#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clustering/FcmCentreSums.h"
#include "clustering/TestImageLocation.h"
#include "image/LeftOutPixels.h"
#include "platform/Random.h"
#include "platform/ThreadCount.h"
#include "platform/ThreadPool.h"

namespace tavorin {

// A self-contained fuzzy c-means clusterer, by default with four clusters on the fixed test
// image "small.img", or on any image handed to it by LoadPixels. It owns its pixels, its
// membership and centre matrices and its random generator, and shares nothing with the
// evolutionary search.
// Matrices are stored row by row in one array: element (row, column) at row * columns + column.
class CFcmRunner {
  public:
    static constexpr const char* kTestImageName = "small.img";
    static constexpr const char* kClusteredCentresFileName = "cencer_output_runfcm.txt";
    static constexpr const char* kResultCentresFileName = "cencer_output.txt";
    static constexpr const char* kResultImageName = "small_result";

    CFcmRunner() = default;
    virtual ~CFcmRunner() = default;

    int clusterNumber = 4;  // K
    int sampleCount = 0;
    int lineCount = 0;                  // N = lineCount * sampleCount pixels
    int bandCount = 0;                  // d
    std::vector<double> newMembership;  // N x K, the memberships being computed
    std::vector<double> membership;     // N x K, row i belongs to pixel i
    std::vector<double> centres;        // K x d
    std::vector<double> pixels;         // N x d, row i = the band values of pixel i
    int fuzzifier = 2;                  // m
    int iterationCount = 100;

    // When set, the memberships start from this seed without the pause, so a run repeats.
    std::optional<std::uint32_t> seed;
    // The seed the last InitMemberships used (given or taken from the clock).
    std::uint32_t usedSeed = 0;
    // The image to load; empty means the fixed test image found by LocateTestImage.
    std::string imagePath;
    // Threads that share the membership and centre passes; every count gives the same bits.
    int threadCount = platform::DefaultThreadCount();
    // Where the classification image (its header beside it, named by appending ".hdr") and the
    // two centre files are written.
    std::string resultImagePath = kResultImageName;
    std::string clusteredCentresPath = kClusteredCentresFileName;
    std::string resultCentresPath = kResultCentresFileName;
    // The image's pixels left out of the clustering (labelled 0); none when null. N counts the
    // clustered pixels only.
    std::shared_ptr<const LeftOutPixels> leftOut;
    // Header entries copied into the classification image's header (the input's georeference).
    std::vector<std::string> georeferenceEntries;

    // Loads the image, clusters it and writes the two centre files and "small_result" with
    // its header into the current directory. Throws UserError on any failure.
    void Run();

    // Reads the image into `pixels` and sets the sizes and matrices.
    void LoadTestImage();
    // Takes an image of `lines` x `samples` pixels and `bands` bands instead of the test image:
    // `bandData` holds the clustered pixels band-sequentially (band b of the p-th clustered pixel
    // at b * N + p), every pixel but those in `leftOutPixels`. Sets the sizes and matrices.
    void LoadPixels(int lines, int samples, int bands, const double* bandData,
                    std::shared_ptr<const LeftOutPixels> leftOutPixels = nullptr);
    // Sizes the four matrices for the current sizes, filled with zeros.
    void AllocateMatrices();
    // Random start, then exactly `iterationCount` iterations; writes the centre file
    // "cencer_output_runfcm.txt".
    void Cluster();
    void InitMemberships();
    void NormaliseMemberships();
    void UpdateCentres();
    void UpdateMemberships();
    // Hard labels, "cencer_output.txt" and the classification image "small_result" (or the
    // paths set above), with K + 1 classes; left-out pixels are labelled 0.
    void WriteResult();

    // The label (1..K) of every clustered pixel: the first largest membership, where a NaN
    // always wins.
    std::vector<unsigned char> Labels() const;

    // The text of a centre file: for each centre a line break, then each value and a tab.
    std::string CentresText() const;

    // Searches "small.img" in the folder named by TAVORIN_DATA_DIR, the installed data folder
    // beside the executable (<exe dir>/../share/tavorin), the install prefix's data folder and
    // the source tree's data/ folder, in this order.
    static TestImageLocation LocateTestImage();
    // The same search over given folders.
    static TestImageLocation LocateTestImageIn(const std::vector<std::string>& folders);

    // The sums of a centre update (see clustering/FcmCentreSums.h).
    using CentreSums = fcm::CentreSums;

  private:
    // Worker threads for `threadCount`, made on first use. A copy of the runner makes its own.
    class PoolHolder {
      public:
        PoolHolder() = default;
        PoolHolder(const PoolHolder&) {}
        PoolHolder& operator=(const PoolHolder&) { return *this; }
        std::unique_ptr<platform::ThreadPool> pool;
        int requested = 0;  // the count asked for, which the system may not have granted
    };

    std::size_t PixelCount() const;  // N, the clustered pixels
    std::string ImageName() const;   // the start of the refusals about the image
    platform::ThreadPool& Pool();
    // UpdateMemberships; where the fast path allows and `sumNextCentres` asks, also the centre
    // sums of the new memberships, which UpdateCentres would compute next.
    std::optional<CentreSums> UpdateMembershipsAndSum(bool sumNextCentres);
    void ApplyCentreSums(const CentreSums& sums);
    void CheckSettings() const;
    void WriteCentresFile(const std::string& path) const;

    bool testImage_ = true;  // the image is the fixed test image
    PoolHolder poolHolder_;
    // The start memberships' generator, seeded by InitMemberships.
    platform::Random15 random_;
};

}  // namespace tavorin
