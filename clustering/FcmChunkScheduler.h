#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

#include "clustering/FcmCentreSums.h"
#include "clustering/FcmKernels.h"
#include "platform/ThreadPool.h"

// How the fuzzy c-means runner shares its pixel passes between threads: chunks handed out by
// the pool, and the lock-free four-cluster pass that sums the next centres as it goes.
// Internal to the runner.
namespace tavorin::fcm::detail {

// Pixels per chunk of the membership pass shared by threads: small enough that a chunk's pixels
// and memberships (80 bytes a pixel for six bands) are still in the cache when summed, large
// enough that handing chunks out costs nothing to speak of.
inline constexpr std::size_t kSharedChunkPixels = 1024;

// Calls task(begin, end) for consecutive chunks of 0..count-1, on all threads of `pool` side by
// side; with one thread, once for the whole range.
void ForEachChunk(platform::ThreadPool& pool, std::size_t count,
                  const std::function<void(std::size_t, std::size_t)>& task);

#if defined(__SSE2__)
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
    void StoreInto(CentreSums& sums) const {
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

}  // namespace tavorin::fcm::detail
