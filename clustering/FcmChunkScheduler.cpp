#include "clustering/FcmChunkScheduler.h"

namespace tavorin::fcm::detail {

void ForEachChunk(platform::ThreadPool& pool, std::size_t count,
                  const std::function<void(std::size_t, std::size_t)>& task) {
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

}  // namespace tavorin::fcm::detail
