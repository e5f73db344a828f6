#include "platform/ThreadPool.h"

#include <algorithm>
#include <exception>
#include <string>
#include <system_error>

namespace tavorin::platform {

ThreadPool::ThreadPool(int threadCount) {
    for (int i = 1; i < std::max(threadCount, 1); ++i) {
        try {
            workers_.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
            break;  // a process or memory limit: go on with the workers already running
        }
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (auto& worker : workers_) worker.join();
}

std::string FewerThreadsMessage(int started, int requested) {
    return "Only " + std::to_string(started) + " of the " + std::to_string(requested) +
           " threads asked for could be started; the run goes on with " + std::to_string(started) +
           ".";
}

void ThreadPool::Run(int count, const std::function<void(int)>& task) {
    if (count <= 0) return;
    if (workers_.empty() || count == 1) {
        for (int i = 0; i < count; ++i) task(i);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        task_ = &task;
        count_ = count;
        nextIndex_ = 0;
        finished_ = 0;
        firstError_ = nullptr;
        ++generation_;
    }
    workAvailable_.notify_all();
    RunIndices();
    std::unique_lock lock(mutex_);
    workDone_.wait(lock, [this] { return finished_ == count_; });
    task_ = nullptr;
    if (firstError_) std::rethrow_exception(firstError_);
}

void ThreadPool::RunIndices() {
    for (;;) {
        int index = 0;
        const std::function<void(int)>* task = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (task_ == nullptr || nextIndex_ >= count_) return;
            index = nextIndex_++;
            task = task_;
        }
        try {
            (*task)(index);
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!firstError_) firstError_ = std::current_exception();
        }
        bool allDone = false;
        {
            std::lock_guard lock(mutex_);
            allDone = ++finished_ == count_;
        }
        if (allDone) workDone_.notify_all();
    }
}

void ThreadPool::WorkerLoop() {
    long long seenGeneration = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            workAvailable_.wait(lock, [&] { return stopping_ || generation_ != seenGeneration; });
            if (stopping_) return;
            seenGeneration = generation_;
        }
        RunIndices();
    }
}

}  // namespace tavorin::platform
