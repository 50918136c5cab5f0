#include "cairnly/engine/parallel_runner.h"

namespace cairnly {

ParallelRunner::~ParallelRunner() {
    if (!helper_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    helper_.join();
}

void ParallelRunner::Drain() {
    for (;;) {
        if ((*stopped_)()) return;
        std::size_t k = next_.fetch_add(1);
        if (k >= count_) return;
        (*work_)(k);
    }
}

void ParallelRunner::HelperLoop() {
    std::size_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
        if (quit_) return;
        seen = generation_;
        lock.unlock();
        Drain();
        lock.lock();
        helperBusy_ = false;
        done_.notify_one();
    }
}

void ParallelRunner::Run(std::size_t count, const Work& work, const Stopped& stopped) {
    if (std::thread::hardware_concurrency() < 2 || count < 2) {
        for (std::size_t k = 0; k < count && !stopped(); ++k) work(k);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = &work;
        stopped_ = &stopped;
        count_ = count;
        next_.store(0);
        helperBusy_ = true;
        ++generation_;
        if (!helper_.joinable()) helper_ = std::thread([this] { HelperLoop(); });
    }
    wake_.notify_one();
    Drain();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return !helperBusy_; });
}

}  // namespace cairnly
