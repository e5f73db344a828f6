#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavorin::platform {

// A fixed set of worker threads that run the indices 0..count-1 of one task side by side.
// The caller's thread works too, so a pool of one thread runs everything in the caller.
// Which thread runs which index is not fixed; callers give each index its own output, so
// results never depend on the number of threads.
class ThreadPool {
  public:
    // Starts threadCount - 1 workers (the caller is the last thread). When the system refuses
    // a thread, the pool keeps those it has: threadCount() tells how many there are.
    explicit ThreadPool(int threadCount);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    int threadCount() const { return static_cast<int>(workers_.size()) + 1; }

    // Calls task(i) once for every i in 0..count-1 and returns when all calls have returned.
    // An exception thrown by a task is rethrown here (the first one, after all have ended).
    void Run(int count, const std::function<void(int)>& task);

  private:
    void WorkerLoop();
    void RunIndices();

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable workDone_;
    const std::function<void(int)>* task_ = nullptr;
    int count_ = 0;
    int nextIndex_ = 0;
    int finished_ = 0;
    long long generation_ = 0;
    bool stopping_ = false;
    std::exception_ptr firstError_;
};

// "Only N of the M threads asked for could be started; the run goes on with N."
std::string FewerThreadsMessage(int started, int requested);

}  // namespace tavorin::platform
