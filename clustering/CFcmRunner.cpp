#include "clustering/CFcmRunner.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/CEnviImage.h"
#include "platform/Clock.h"
#include "platform/FileOutput.h"
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
// Pixels per chunk of the membership pass shared by threads: small enough that a chunk's pixels
// and memberships (80 bytes a pixel for six bands) are still in the cache when summed, large
// enough that handing chunks out costs nothing to speak of.
constexpr std::size_t kSharedChunkPixels = 1024;

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

// Bytes of physical memory, or nothing when the system does not tell.
std::optional<double> PhysicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::nullopt;
    return static_cast<double>(pages) * static_cast<double>(pageSize);
}

std::string GigabytesText(double bytes) { return platform::formatGeneral(bytes / 1e9, 3) + " GB"; }

// The folder of the running executable, or empty when the system does not tell.
fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : executable.parent_path();
}


// Sets the centre sums of clusters clusterBegin..clusterEnd-1, each summed over all pixels in
// index order, in `sums` (sized for every cluster); the entries of other clusters stay as they
// are, so threads can fill disjoint cluster ranges of one result.
void AccumulateCentreSums(const double* membership, const double* pixels, std::size_t pixelCount,
                          std::size_t clusters, std::size_t bands, int fuzzifier,
                          std::size_t clusterBegin, std::size_t clusterEnd,
                          CFcmRunner::CentreSums& sums) {
    const bool squared = fuzzifier == 2;
    const double m = static_cast<double>(fuzzifier);
    const std::size_t span = clusterEnd - clusterBegin;
    // Local sums, stored once at the end: threads never write near each other while adding.
    std::vector<double> weightSums(span, 0.0);
    std::vector<double> weightedSums(bands * span, 0.0);
    std::vector<double> weights(span);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const double* row = membership + i * clusters + clusterBegin;
        const double* x = pixels + i * bands;
        for (std::size_t s = 0; s < span; ++s) {
            weights[s] = squared ? row[s] * row[s] : std::pow(row[s], m);
            weightSums[s] += weights[s];
        }
        for (std::size_t k = 0; k < bands; ++k) {
            double* bandSums = weightedSums.data() + k * span;
            for (std::size_t s = 0; s < span; ++s) bandSums[s] += weights[s] * x[k];
        }
    }
    for (std::size_t s = 0; s < span; ++s) {
        sums.weights[clusterBegin + s] = weightSums[s];
        for (std::size_t k = 0; k < bands; ++k) {
            sums.weighted[k * clusters + clusterBegin + s] = weightedSums[k * span + s];
        }
    }
}

// New memberships of one pixel for four clusters and m = 2, written plainly: the fallback of
// the two-pixel kernel below for pixels that coincide with a centre, and for an odd last pixel.
void FourClusterMembershipsOfPixel(const double* x, const double* centres, std::size_t bands,
                                   double* out) {
    std::array<double, 4> powered{};
    std::size_t coincident = 4;
    for (std::size_t j = 0; j < 4; ++j) {
        double squareSum = 0.0;
        for (std::size_t k = 0; k < bands; ++k) {
            const double difference = x[k] - centres[j * bands + k];
            squareSum += difference * difference;
        }
        const double distance = std::sqrt(squareSum);
        if (distance == 0.0 || std::isnan(distance)) coincident = j;
        powered[j] = distance * distance;
    }
    if (coincident < 4) {
        std::fill(out, out + 4, 0.0);
        out[coincident] = 1.0;
        return;
    }
    double inverseSum = 0.0;
    for (std::size_t l = 0; l < 4; ++l) inverseSum += 1.0 / powered[l];
    for (std::size_t j = 0; j < 4; ++j) out[j] = 1.0 / (powered[j] * inverseSum);
}

#if defined(__SSE2__)
// Calls `visit` with the band count as a compile-time constant for the common counts 1 to 8,
// so that the band loops unroll and their sums stay in registers, and with 0 (counted at run
// time) otherwise.
template <class Visitor>
decltype(auto) WithBandCount(std::size_t bands, Visitor&& visit) {
    using std::integral_constant;
    switch (bands) {
        case 1: return visit(integral_constant<std::size_t, 1>{});
        case 2: return visit(integral_constant<std::size_t, 2>{});
        case 3: return visit(integral_constant<std::size_t, 3>{});
        case 4: return visit(integral_constant<std::size_t, 4>{});
        case 5: return visit(integral_constant<std::size_t, 5>{});
        case 6: return visit(integral_constant<std::size_t, 6>{});
        case 7: return visit(integral_constant<std::size_t, 7>{});
        case 8: return visit(integral_constant<std::size_t, 8>{});
        default: return visit(integral_constant<std::size_t, 0>{});
    }
}

// The cluster pairs whose centre sums one sum object adds up.
enum class ClusterPairs { Both, FirstTwo, LastTwo };

// The centre sums of four clusters with m = 2, two clusters per register, added pixel by pixel.
// FixedBands > 0 is the band count known at compile time. Each sum is one register lane that
// only ever adds its own pixel terms in pixel order, so splitting the pairs between threads
// leaves every sum's bits as they are.
template <std::size_t FixedBands, ClusterPairs Pairs>
class FourClusterSums {
public:
    static constexpr bool kFirstTwo = Pairs != ClusterPairs::LastTwo;
    static constexpr bool kLastTwo = Pairs != ClusterPairs::FirstTwo;

    explicit FourClusterSums(std::size_t bands) : bands_(FixedBands > 0 ? FixedBands : bands) {
        if constexpr (FixedBands == 0) {
            sums_.weighted01.assign(bands_, Packed{_mm_setzero_pd()});
            sums_.weighted23.assign(bands_, Packed{_mm_setzero_pd()});
        } else {
            sums_.weighted01.fill(Packed{_mm_setzero_pd()});
            sums_.weighted23.fill(Packed{_mm_setzero_pd()});
        }
    }

    // Adds the pixels begin..end-1, in order.
    void AddRange(const double* memberships, const double* pixels, std::size_t begin,
                  std::size_t end) {
        const std::size_t bands = FixedBands > 0 ? FixedBands : bands_;
        if constexpr (FixedBands == 0) {
            for (std::size_t i = begin; i < end; ++i) {
                Add(sums_, memberships + i * 4, pixels + i * bands, bands);
            }
        } else {
            // Added in a local copy, which the compiler keeps in registers; the members could
            // alias the pixels (the register type may alias any double), which would send
            // every addition through memory.
            Accumulators local = sums_;
            for (std::size_t i = begin; i < end; ++i) {
                Add(local, memberships + i * 4, pixels + i * bands, bands);
            }
            sums_ = local;
        }
    }

    // Writes the sums of this object's pairs into `sums`, leaving the other entries alone.
    void StoreInto(CFcmRunner::CentreSums& sums) const {
        if constexpr (kFirstTwo) {
            _mm_storeu_pd(sums.weights.data(), sums_.weights01);
            for (std::size_t k = 0; k < bands_; ++k) {
                _mm_storeu_pd(sums.weighted.data() + 4 * k, sums_.weighted01[k].value);
            }
        }
        if constexpr (kLastTwo) {
            _mm_storeu_pd(sums.weights.data() + 2, sums_.weights23);
            for (std::size_t k = 0; k < bands_; ++k) {
                _mm_storeu_pd(sums.weighted.data() + 4 * k + 2, sums_.weighted23[k].value);
            }
        }
    }

private:
    // Wrapped so that containers take the register type without dropping its alignment.
    struct Packed {
        __m128d value;
    };
    using Storage = std::conditional_t<FixedBands == 0, std::vector<Packed>,
                                       std::array<Packed, (FixedBands > 0 ? FixedBands : 1)>>;
    struct Accumulators {
        __m128d weights01 = _mm_setzero_pd();
        __m128d weights23 = _mm_setzero_pd();
        Storage weighted01{};  // per band, clusters 0 and 1
        Storage weighted23{};  // per band, clusters 2 and 3
    };

    static void Add(Accumulators& sums, const double* row, const double* x, std::size_t bands) {
        [[maybe_unused]] __m128d w01 = _mm_setzero_pd();
        [[maybe_unused]] __m128d w23 = _mm_setzero_pd();
        if constexpr (kFirstTwo) {
            const __m128d u01 = _mm_loadu_pd(row);
            w01 = _mm_mul_pd(u01, u01);
            sums.weights01 = _mm_add_pd(sums.weights01, w01);
        }
        if constexpr (kLastTwo) {
            const __m128d u23 = _mm_loadu_pd(row + 2);
            w23 = _mm_mul_pd(u23, u23);
            sums.weights23 = _mm_add_pd(sums.weights23, w23);
        }
        for (std::size_t k = 0; k < bands; ++k) {
            const __m128d value = _mm_set1_pd(x[k]);
            if constexpr (kFirstTwo) {
                sums.weighted01[k].value =
                    _mm_add_pd(sums.weighted01[k].value, _mm_mul_pd(w01, value));
            }
            if constexpr (kLastTwo) {
                sums.weighted23[k].value =
                    _mm_add_pd(sums.weighted23[k].value, _mm_mul_pd(w23, value));
            }
        }
    }

    std::size_t bands_;
    Accumulators sums_;
};

// New memberships of the pixel pair (first, first + 1) for four clusters and m = 2: both
// pixels side by side in one register. `pairedCentres` holds each centre value twice (band k
// of centre j at 2 * (j * bands + k)). Returns false, leaving `out` unchanged, when either pixel
// coincides with a centre; the caller handles those pixels one by one.
template <std::size_t FixedBands>
bool FourClusterMembershipsOfPair(const double* pixels, std::size_t first, std::size_t runtimeBands,
                                  const double* pairedCentres, double* out) {
    const std::size_t bands = FixedBands > 0 ? FixedBands : runtimeBands;
    const double* a = pixels + first * bands;
    const double* b = a + bands;
    __m128d squareSums[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(),
                             _mm_setzero_pd()};
    for (std::size_t k = 0; k < bands; ++k) {
        const __m128d x = _mm_set_pd(b[k], a[k]);
        for (std::size_t j = 0; j < 4; ++j) {
            const __m128d difference =
                _mm_sub_pd(x, _mm_loadu_pd(pairedCentres + 2 * (j * bands + k)));
            squareSums[j] = _mm_add_pd(squareSums[j], _mm_mul_pd(difference, difference));
        }
    }
    __m128d powered[4];
    __m128d coincidence = _mm_setzero_pd();
    for (std::size_t j = 0; j < 4; ++j) {
        const __m128d distance = _mm_sqrt_pd(squareSums[j]);
        coincidence = _mm_or_pd(coincidence, _mm_cmpeq_pd(distance, _mm_setzero_pd()));
        coincidence = _mm_or_pd(coincidence, _mm_cmpunord_pd(distance, distance));
        powered[j] = _mm_mul_pd(distance, distance);
    }
    if (_mm_movemask_pd(coincidence) != 0) return false;
    const __m128d one = _mm_set1_pd(1.0);
    __m128d inverseSum = _mm_setzero_pd();
    for (std::size_t l = 0; l < 4; ++l) {
        inverseSum = _mm_add_pd(inverseSum, _mm_div_pd(one, powered[l]));
    }
    __m128d u[4];
    for (std::size_t j = 0; j < 4; ++j) u[j] = _mm_div_pd(one, _mm_mul_pd(powered[j], inverseSum));
    _mm_storeu_pd(out, _mm_unpacklo_pd(u[0], u[1]));
    _mm_storeu_pd(out + 2, _mm_unpacklo_pd(u[2], u[3]));
    _mm_storeu_pd(out + 4, _mm_unpackhi_pd(u[0], u[1]));
    _mm_storeu_pd(out + 6, _mm_unpackhi_pd(u[2], u[3]));
    return true;
}

// What the four-cluster membership pass reads and writes.
struct FourClusterPass {
    const double* pixels;         // N x d
    const double* centres;        // 4 x d
    const double* pairedCentres;  // every centre value twice, for the two-pixel kernel
    double* memberships;          // N x 4, written
    std::size_t bands;
};

// New memberships of the pixels begin..end-1 for four clusters and m = 2.
template <std::size_t FixedBands>
void FourClusterMembershipsRange(const FourClusterPass& pass, std::size_t begin, std::size_t end) {
    std::size_t first = begin;
    for (; first + 2 <= end; first += 2) {
        if (!FourClusterMembershipsOfPair<FixedBands>(pass.pixels, first, pass.bands,
                                                      pass.pairedCentres,
                                                      pass.memberships + first * 4)) {
            for (std::size_t i = first; i < first + 2; ++i) {
                FourClusterMembershipsOfPixel(pass.pixels + i * pass.bands, pass.centres,
                                              pass.bands, pass.memberships + i * 4);
            }
        }
    }
    if (first < end) {
        FourClusterMembershipsOfPixel(pass.pixels + first * pass.bands, pass.centres, pass.bands,
                                      pass.memberships + first * 4);
    }
}

// The membership pass that also sums up the next centres, shared by several threads without
// any thread waiting for another. The pixels are cut into chunks. Any thread takes the next
// chunk whose memberships are not yet computed; the sums of clusters 0 and 1 and those of
// clusters 2 and 3 are two streams that add whole chunks strictly in chunk order, each
// advanced by whichever thread holds it at the time, as far as the computed chunks reach. So
// every sum adds its pixels in index order whatever the number of threads and however they
// are scheduled, a chunk is usually still in the cache when it is summed, and a thread that
// the system holds back only slows the pass down. Nothing in Work allocates or throws.
template <std::size_t FixedBands>
class SharedFourClusterPass {
public:
    SharedFourClusterPass(const FourClusterPass& pass, std::size_t pixelCount)
        : pass_(pass),
          pixelCount_(pixelCount),
          chunkCount_((pixelCount + kSharedChunkPixels - 1) / kSharedChunkPixels),
          chunkComputed_(chunkCount_),
          firstTwo_(pass.bands),
          lastTwo_(pass.bands) {}

    // One thread's part: returns once every chunk is computed and summed by both streams.
    void Work() {
        for (;;) {
            const bool summedFirstTwo = Advance(firstTwo_);
            const bool summedLastTwo = Advance(lastTwo_);
            if (nextChunk_.load(std::memory_order_relaxed) < chunkCount_) {
                const std::size_t chunk = nextChunk_.fetch_add(1, std::memory_order_relaxed);
                if (chunk < chunkCount_) {
                    FourClusterMembershipsRange<FixedBands>(pass_, ChunkBegin(chunk),
                                                            ChunkBegin(chunk + 1));
                    chunkComputed_[chunk].store(true, std::memory_order_release);
                    continue;
                }
            }
            if (Finished(firstTwo_) && Finished(lastTwo_)) return;
            // The last chunks are being computed elsewhere.
            if (!summedFirstTwo && !summedLastTwo) std::this_thread::yield();
        }
    }

    // After every Work has returned: the sums of all four clusters.
    void StoreInto(CFcmRunner::CentreSums& sums) const {
        firstTwo_.sums.StoreInto(sums);
        lastTwo_.sums.StoreInto(sums);
    }

private:
    template <ClusterPairs Pairs>
    struct Stream {
        explicit Stream(std::size_t bands) : sums(bands) {}
        FourClusterSums<FixedBands, Pairs> sums;
        std::atomic<std::size_t> nextChunk{0};  // changed only by the holder of `busy`
        std::atomic_flag busy;
    };

    std::size_t ChunkBegin(std::size_t chunk) const {
        return std::min(chunk * kSharedChunkPixels, pixelCount_);
    }

    template <ClusterPairs Pairs>
    bool Finished(const Stream<Pairs>& stream) const {
        return stream.nextChunk.load(std::memory_order_acquire) == chunkCount_;
    }

    // Adds the computed chunks that follow the stream's last one, unless another thread holds
    // the stream; tells whether it added any.
    template <ClusterPairs Pairs>
    bool Advance(Stream<Pairs>& stream) {
        if (Finished(stream) || stream.busy.test_and_set(std::memory_order_acquire)) return false;
        std::size_t chunk = stream.nextChunk.load(std::memory_order_relaxed);
        const std::size_t first = chunk;
        while (chunk < chunkCount_ && chunkComputed_[chunk].load(std::memory_order_acquire)) {
            stream.sums.AddRange(pass_.memberships, pass_.pixels, ChunkBegin(chunk),
                                 ChunkBegin(chunk + 1));
            ++chunk;
            stream.nextChunk.store(chunk, std::memory_order_release);
        }
        stream.busy.clear(std::memory_order_release);
        return chunk != first;
    }

    FourClusterPass pass_;
    std::size_t pixelCount_;
    std::size_t chunkCount_;
    std::vector<std::atomic<bool>> chunkComputed_;
    std::atomic<std::size_t> nextChunk_{0};  // the next chunk whose memberships nobody computes yet
    Stream<ClusterPairs::FirstTwo> firstTwo_;
    Stream<ClusterPairs::LastTwo> lastTwo_;
};
#endif

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
    // Refused before anything is allocated: the two membership matrices, the pixels and, while
    // they load, the image's band data (a header may claim any size).
    const double neededBytes = static_cast<double>(lineCount) * static_cast<double>(sampleCount) *
                               (2.0 * static_cast<double>(clusters) + 2.0 * static_cast<double>(bands)) *
                               8.0;
    const auto physical = PhysicalMemoryBytes();
    if (physical && neededBytes > *physical) {
        throw UserError("The test image of " + platform::formatInt(sampleCount) + " samples, " +
                        platform::formatInt(lineCount) + " lines and " +
                        platform::formatInt(bandCount) +
                        " bands is too large to cluster: it would need about " +
                        GigabytesText(neededBytes) + " of memory (this computer has about " +
                        GigabytesText(*physical) + ").");
    }
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
                if (pair == 0) firstTwo.AddRange(memberships, values, 0, pixelCount);
                else lastTwo.AddRange(memberships, values, 0, pixelCount);
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
        AccumulateCentreSums(membership.data(), pixels.data(), pixelCount, clusters, bands,
                             fuzzifier, clusters * p / parts, clusters * (p + 1) / parts, sums);
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
                ForEachChunk(pixelCount, [&](std::size_t begin, std::size_t end) {
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
    ForEachChunk(pixelCount,
                 [&](std::size_t begin, std::size_t end) { UpdateMembershipRange(begin, end); });
    return std::nullopt;
}

platform::ThreadPool& CFcmRunner::Pool() {
    const int wanted = std::max(threadCount, 1);
    std::unique_ptr<platform::ThreadPool>& pool = poolHolder_.pool;
    if (!pool || pool->threadCount() != wanted) pool = std::make_unique<platform::ThreadPool>(wanted);
    return *pool;
}

void CFcmRunner::ForEachChunk(std::size_t count,
                              const std::function<void(std::size_t, std::size_t)>& task) {
    platform::ThreadPool& pool = Pool();
    if (pool.threadCount() == 1) {
        task(0, count);
        return;
    }
    // The pool hands the chunks out one at a time, so a thread held back by the system
    // leaves its share to the others.
    const std::size_t chunks = (count + kSharedChunkPixels - 1) / kSharedChunkPixels;
    pool.Run(static_cast<int>(chunks), [&](int chunk) {
        const std::size_t begin = static_cast<std::size_t>(chunk) * kSharedChunkPixels;
        task(begin, std::min(begin + kSharedChunkPixels, count));
    });
}

void CFcmRunner::UpdateMembershipRange(std::size_t begin, std::size_t end) {
    const std::size_t clusters = static_cast<std::size_t>(clusterNumber);
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    const int exponent = 2 / (fuzzifier - 1);
    const bool squared = exponent == 2;
    if (end <= begin) return;
    const std::size_t block = std::min(kPixelBlock, end - begin);

    // Pixels are taken a block at a time with the block's bands side by side, so every
    // operation below runs over independent pixels; each pixel's own sums keep their order.
    std::vector<double> blockBands(bands * block);
    std::vector<double> powered(clusters * block);  // D^e, cluster by cluster
    std::vector<double> inverseSums(block);
    std::vector<std::size_t> coincidentCluster(block);
    for (std::size_t first = begin; first < end; first += block) {
        const std::size_t count = std::min(block, end - first);
        const double* blockPixels = pixels.data() + first * bands;
        for (std::size_t p = 0; p < count; ++p) {
            for (std::size_t k = 0; k < bands; ++k) {
                blockBands[k * block + p] = blockPixels[p * bands + k];
            }
        }

        for (std::size_t j = 0; j < clusters; ++j) {
            double* distances = powered.data() + j * block;
            std::fill(distances, distances + count, 0.0);
            for (std::size_t k = 0; k < bands; ++k) {
                const double centre = centres[j * bands + k];
                const double* band = blockBands.data() + k * block;
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
                const double distance = powered[j * block + p];
                if (distance == 0.0 || std::isnan(distance)) coincident = j;
            }
            coincidentCluster[p] = coincident;
        }

        for (std::size_t j = 0; j < clusters; ++j) {
            double* values = powered.data() + j * block;
            if (squared) {
                for (std::size_t p = 0; p < count; ++p) values[p] = values[p] * values[p];
            } else {
                for (std::size_t p = 0; p < count; ++p) values[p] = std::pow(values[p], exponent);
            }
        }
        std::fill(inverseSums.begin(), inverseSums.begin() + static_cast<std::ptrdiff_t>(count), 0.0);
        for (std::size_t l = 0; l < clusters; ++l) {
            const double* values = powered.data() + l * block;
            for (std::size_t p = 0; p < count; ++p) inverseSums[p] += 1.0 / values[p];
        }
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* values = powered.data() + j * block;
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
    if (threadCount < 1) throw std::logic_error("CFcmRunner: the thread count must be positive");
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
        throw UserError(platform::CannotCreateFileMessage(path));
    }
    file.Write(CentresText());
    if (!file.Close()) {
        std::error_code ignored;
        fs::remove(path, ignored);
        throw UserError("Cannot write the file \"" + path + "\" completely.");
    }
}

}  // namespace tavorin
