#pragma once
// Work a scan leaves for after it, done on a thread of its own: freeing the
// records of the scan before (a large scan's take a noticeable moment) and
// writing the digest cache. Neither the next scan, nor the window that shows
// the results, need wait for it.
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

namespace cairnly {

class BackgroundWork {
  public:
    BackgroundWork() = default;
    ~BackgroundWork() { Wait(); }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Runs work on another thread, or here when no thread can be had. One at
    // a time, in order: it first waits for the work given before, so freed
    // memory never piles up behind a slow free and a file is never read
    // while it is being written.
    void Run(std::function<void()> work) {
        Wait();
        // Shared, so that it is still here to run if the thread is refused.
        auto shared = std::make_shared<std::function<void()>>(std::move(work));
        try {
            thread_ = std::thread([shared] { (*shared)(); });
        } catch (const std::system_error&) {
            (*shared)();
        }
    }
    // Destroys garbage (moved in) there.
    template <typename Garbage>
    void Dispose(Garbage garbage) {
        auto held = std::make_shared<Garbage>(std::move(garbage));
        Run([held]() mutable { held.reset(); });
    }
    void Wait() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::thread thread_;
};

}  // namespace cairnly
