#include "platform/ThreadPool.h"

#include <atomic>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace tavorin::platform {
namespace {

TEST(ThreadPoolTest, RunsEveryIndexExactlyOnceForAnyThreadCount) {
    for (int threads : {1, 2, 4}) {
        ThreadPool pool(threads);
        EXPECT_EQ(pool.threadCount(), threads);
        for (int count : {0, 1, 3, 100}) {
            std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
            pool.Run(count, [&](int i) { calls[static_cast<size_t>(i)]++; });
            for (const auto& c : calls) EXPECT_EQ(c.load(), 1) << threads << " threads";
        }
    }
}

TEST(ThreadPoolTest, IsReusableAcrossManyTasks) {
    ThreadPool pool(3);
    long long total = 0;
    for (int round = 0; round < 500; ++round) {
        std::vector<long long> out(7);
        pool.Run(7, [&](int i) { out[static_cast<size_t>(i)] = i * round; });
        for (long long v : out) total += v;
    }
    EXPECT_EQ(total, 21LL * (499 * 500 / 2));
}

TEST(ThreadPoolTest, RethrowsAfterEveryIndexEnded) {
    ThreadPool pool(2);
    std::atomic<int> ran{0};
    EXPECT_THROW(pool.Run(10,
                          [&](int i) {
                              ran++;
                              if (i == 3) throw std::runtime_error("task failed");
                          }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 10);
    pool.Run(2, [&](int) { ran++; });  // still usable
    EXPECT_EQ(ran.load(), 12);
}

}  // namespace
}  // namespace tavorin::platform
