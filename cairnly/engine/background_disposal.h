#pragma once
// Frees what a finished scan left behind on a thread of its own: the records
// of a large scan take a noticeable moment to free, and neither the next scan
// nor the window that starts it need wait for that.
#include <system_error>
#include <thread>
#include <utility>

namespace cairnly {

class BackgroundDisposal {
  public:
    BackgroundDisposal() = default;
    ~BackgroundDisposal() { Wait(); }
    BackgroundDisposal(const BackgroundDisposal&) = delete;
    BackgroundDisposal& operator=(const BackgroundDisposal&) = delete;

    // Destroys garbage (moved in) on another thread, or here when no thread
    // can be had. One disposal at a time: a new one first waits for the last,
    // so freed memory never piles up behind a slow one.
    template <typename Garbage>
    void Dispose(Garbage garbage) {
        Wait();
        try {
            thread_ = std::thread(
                [taken = std::move(garbage)]() mutable { Garbage dropped = std::move(taken); });
        } catch (const std::system_error&) {
            // garbage, if not yet moved into the thread, is destroyed on return
        }
    }
    void Wait() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::thread thread_;
};

}  // namespace cairnly
