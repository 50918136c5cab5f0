#pragma once
// Shares a list of independent jobs between the calling thread and one helper
// thread per further core, so reading and hashing files uses every core.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace cairnly {

// The cores this process may run on (taskset, cgroup cpusets), which can be
// fewer than the machine has: more threads than that only take turns.
unsigned UsableCores();

class ParallelRunner {
  public:
    using Work = std::function<void(std::size_t)>;
    using Stopped = std::function<bool()>;

    ParallelRunner() = default;
    ~ParallelRunner();
    ParallelRunner(const ParallelRunner&) = delete;
    ParallelRunner& operator=(const ParallelRunner&) = delete;

    // Calls work(k) once for each k in [0, count), handing k out in ascending
    // order to whichever thread is free; stops handing out once stopped() is
    // true. Returns when every call that was started has finished.
    void Run(std::size_t count, const Work& work, const Stopped& stopped);

  private:
    void Drain();
    void HelperLoop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> helpers_;
    const Work* work_ = nullptr;
    const Stopped* stopped_ = nullptr;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};
    std::size_t generation_ = 0;
    std::size_t helpersBusy_ = 0;
    bool quit_ = false;
};

}  // namespace cairnly
