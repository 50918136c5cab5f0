#include "cairnly/engine/parallel_runner.h"

#include <sched.h>

namespace cairnly {

unsigned UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<unsigned>(count);
    }
    return std::thread::hardware_concurrency();
}

ParallelRunner::~ParallelRunner() {
    if (helpers_.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
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
        if (--helpersBusy_ == 0) done_.notify_one();
    }
}

void ParallelRunner::Run(std::size_t count, const Work& work, const Stopped& stopped) {
    static const unsigned cores = UsableCores();
    if (cores < 2 || count < 2) {
        for (std::size_t k = 0; k < count && !stopped(); ++k) work(k);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = &work;
        stopped_ = &stopped;
        count_ = count;
        next_.store(0);
        while (helpers_.size() + 1 < cores) helpers_.emplace_back([this] { HelperLoop(); });
        helpersBusy_ = helpers_.size();
        ++generation_;
    }
    wake_.notify_all();
    Drain();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return helpersBusy_ == 0; });
}

}  // namespace cairnly
