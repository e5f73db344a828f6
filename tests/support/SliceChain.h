#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "clustering/SliceLink.h"

namespace tavorin::testing {

// The processes of a split image inside one process: process 0 evaluates as the search does,
// and the others evaluate a shared batch when process 0 waits for its finished sums (through
// `evaluateOthers`, which calls their ContinueBatch in process order). Sums pass through one
// queue a process.
struct SliceChain {
    explicit SliceChain(int count) : processes(count), inbox(static_cast<std::size_t>(count)) {}
    int processes;
    std::vector<std::deque<std::vector<double>>> inbox;  // inbox[0]: finished sums
    std::vector<double> batch;                           // the shared batch's centres
    std::size_t values = 0;                              // of one solution
    bool batchWaiting = false;
    std::function<void()> evaluateOthers;
    // The samples of process r's pixels among those asked, in the order asked.
    std::function<std::vector<double>(int r, std::span<const long long> pixels)> samplesOf;
    std::vector<long long> places;  // searched pixels before each process, then in all
};

class SliceChainLink : public SliceLink {
  public:
    SliceChainLink(SliceChain& chain, int process) : chain_(chain), process_(process) {}
    int processCount() const override { return chain_.processes; }
    void ShareBatch(const double* const* centres, std::size_t count, std::size_t values) override {
        chain_.batch.clear();
        for (std::size_t s = 0; s < count; ++s) {
            chain_.batch.insert(chain_.batch.end(), centres[s], centres[s] + values);
        }
        chain_.values = values;
        chain_.batchWaiting = true;
    }
    void TakeSums(std::span<double> sums) override { take(process_, sums); }
    void PassSums(std::span<const double> sums) override {
        chain_.inbox[static_cast<std::size_t>((process_ + 1) % chain_.processes)].emplace_back(
            sums.begin(), sums.end());
    }
    void FinishedSums(std::span<double> sums) override {
        if (chain_.batchWaiting) {
            chain_.batchWaiting = false;
            chain_.evaluateOthers();
        }
        take(0, sums);
    }
    void GatherPixelSamples(std::span<const long long> pixels, int bands,
                            std::span<double> samples) override {
        for (int r = 1; r < chain_.processes; ++r) {
            const auto at = static_cast<std::size_t>(r);
            PlacePixelSamples(pixels, chain_.places[at], chain_.places[at + 1], bands,
                              chain_.samplesOf(r, pixels), samples);
        }
    }

  private:
    void take(int process, std::span<double> sums) {
        auto& queue = chain_.inbox[static_cast<std::size_t>(process)];
        ASSERT_FALSE(queue.empty());
        ASSERT_EQ(queue.front().size(), sums.size());
        std::copy(queue.front().begin(), queue.front().end(), sums.begin());
        queue.pop_front();
    }
    SliceChain& chain_;
    int process_;
};

}  // namespace tavorin::testing
