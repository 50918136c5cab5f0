#pragma once
// One worker thread at a time: starting it (after waiting for the one before),
// asking it to stop, waiting for it while the caller keeps its own events
// flowing, and joining it. The flags stay inside; callers observe them.
//
// Usage (the owner's thread, usually the user-interface thread):
// - Start runs a Job on a new thread, RunHere on the calling thread; both
//   wait first for a worker that is still busy, pausing through the caller's
//   Pause so a window keeps serving the worker's calls meanwhile.
// - The worker polls StopRequested(); RequestStop asks it to end early.
// - Join waits (pausing) until the worker has made its last call, then joins.
//   The destructor requests a stop and joins without pausing: an owner whose
//   worker calls back into its thread joins first.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace shared {

class SingleWorker {
  public:
    using Work = std::function<void()>;
    // Waits in the caller's own way (a window pumps its events); empty sleeps.
    using Pause = std::function<void(int milliseconds)>;
    // Called before each pause while a start waits for the worker before it;
    // late once that wait has passed the patient bound.
    using Notice = std::function<void(bool late)>;

    struct Job {
        Work work;  // Running() while it runs
        // Runs after Running() has cleared and before Busy() does: the
        // worker's last calls, made once the data it worked on is free.
        Work afterWork;
    };

    struct StartRules {
        Pause pause;
        Notice notice;
        // Runs once the worker before has ended, just before the stop request clears.
        Work beforeStart;
        // A stop requested while the start waits makes it start nothing. Close
        // always does.
        bool stopCancelsWait = true;
    };

    static constexpr int kWaitStepMs = 500;
    static constexpr int kPatientWaitMs = 30000;
    static constexpr int kEndPollMs = 20;

    explicit SingleWorker(int patientWaitMs = kPatientWaitMs) : patientWaitMs_(patientWaitMs) {}
    SingleWorker(const SingleWorker&) = delete;
    SingleWorker& operator=(const SingleWorker&) = delete;
    ~SingleWorker();

    // Waits while a worker is busy (the worker never runs twice at once), joins
    // it, calls beforeStart, clears the stop request and starts the job on a
    // new thread. Returns false, starting nothing, when another start is
    // already waiting (one re-entered through the pause), after Close, or
    // when the wait is cancelled by a stop.
    bool Start(Job job, const StartRules& rules);
    // The same, with the job run on the calling thread.
    bool RunHere(const Job& job, const StartRules& rules);

    void RequestStop();
    // Requests a stop for good: no start succeeds afterwards, not even one
    // already waiting.
    void Close();
    // Pauses in kWaitStepMs steps while the job runs, for at most limitMs;
    // true when it has ended.
    bool WaitForEnd(const Pause& pause, int limitMs);
    // Pauses until the worker has made its last call, then joins its thread.
    void Join(const Pause& pause = {});

    bool StopRequested() const { return stop_.load(); }
    // From the start until the job's work returns.
    bool Running() const { return running_.load(); }
    // From the start until the worker's very last call.
    bool Busy() const { return busy_.load(); }
    // A start is waiting for the worker before it.
    bool StartWaiting() const { return startWaiting_.load(); }
    bool Closed() const { return closed_.load(); }

  private:
    bool Claim(const StartRules& rules);
    bool Cancelled(const StartRules& rules, unsigned stopsBefore) const;
    void JoinThread();
    void Prepare(const StartRules& rules);
    void Execute(const Job& job);

    const int patientWaitMs_;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> stopCount_{0};
    std::atomic<bool> closed_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> finishing_{false};  // the job's afterWork has begun
    std::atomic<bool> startWaiting_{false};
    std::mutex threadMutex_;
    std::thread thread_;
};

}  // namespace shared
