#include "shared/single_worker.h"

#include <chrono>

namespace shared {
namespace {

void PauseFor(const SingleWorker::Pause& pause, int milliseconds) {
    if (pause)
        pause(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

SingleWorker::~SingleWorker() {
    RequestStop();
    JoinThread();
}

void SingleWorker::RequestStop() {
    stop_ = true;
    ++stopCount_;
}

void SingleWorker::Close() {
    closed_ = true;
    RequestStop();
}

bool SingleWorker::Cancelled(const StartRules& rules, unsigned stopsBefore) const {
    return closed_.load() || (rules.stopCancelsWait && stopCount_.load() != stopsBefore);
}

bool SingleWorker::Claim(const StartRules& rules) {
    if (closed_.load() || startWaiting_.exchange(true)) return false;
    const unsigned stopsBefore = stopCount_.load();
    int waited = 0;
    bool claimed = false;
    for (bool idle = false; !(claimed = busy_.compare_exchange_strong(idle, true)); idle = false) {
        if (Cancelled(rules, stopsBefore)) break;
        if (finishing_.load()) {
            // Only its last calls are left: they may need this thread's events.
            PauseFor(rules.pause, kEndPollMs);
            continue;
        }
        // Two workers must never share their data, so the wait has no limit.
        if (rules.notice) rules.notice(waited >= patientWaitMs_);
        PauseFor(rules.pause, kWaitStepMs);
        waited += kWaitStepMs;
    }
    if (claimed && Cancelled(rules, stopsBefore)) {
        busy_ = false;
        claimed = false;
    }
    startWaiting_ = false;
    return claimed;
}

void SingleWorker::JoinThread() {
    std::lock_guard<std::mutex> lock(threadMutex_);
    if (thread_.joinable()) thread_.join();
}

void SingleWorker::Prepare(const StartRules& rules) {
    // Busy is clear, so the worker before has nothing left to do but return.
    JoinThread();
    finishing_ = false;
    running_ = true;
    if (rules.beforeStart) rules.beforeStart();
    stop_ = false;
}

void SingleWorker::Execute(const Job& job) {
    if (job.work) job.work();
    // Stays set until the next start: a waiter that saw busy set a moment ago
    // must not take the ended worker for one still at its work.
    if (job.afterWork) finishing_ = true;
    running_ = false;
    if (job.afterWork) job.afterWork();
    // Last: whoever sees it clear may join this thread.
    busy_ = false;
}

bool SingleWorker::Start(Job job, const StartRules& rules) {
    if (!Claim(rules)) return false;
    Prepare(rules);
    std::lock_guard<std::mutex> lock(threadMutex_);
    thread_ = std::thread([this, job = std::move(job)] { Execute(job); });
    return true;
}

bool SingleWorker::RunHere(const Job& job, const StartRules& rules) {
    if (!Claim(rules)) return false;
    Prepare(rules);
    Execute(job);
    return true;
}

bool SingleWorker::WaitForEnd(const Pause& pause, int limitMs) {
    for (int waited = 0; running_.load() && waited < limitMs; waited += kWaitStepMs)
        PauseFor(pause, kWaitStepMs);
    return !running_.load();
}

void SingleWorker::Join(const Pause& pause) {
    while (busy_.load()) PauseFor(pause, kEndPollMs);
    JoinThread();
}

}  // namespace shared
