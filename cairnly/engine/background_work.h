#pragma once
// Work a scan leaves for after it, done on a thread of its own (writing the
// digest cache): the results are shown without waiting for it.
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
    // a time, in order: it first waits for the work given before.
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
    void Wait() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::thread thread_;
};

}  // namespace cairnly
