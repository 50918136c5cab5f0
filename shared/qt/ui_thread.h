#pragma once
// Reaching the user-interface thread from a worker, and pausing on it while
// its events keep flowing.
#include <Qt>
#include <functional>

class QObject;

namespace shared {

// Runs work on context's thread. Blocking (the default) waits for it, and runs
// it at once when called there already; Qt::QueuedConnection always posts it
// for later; Qt::AutoConnection runs it at once there and posts it otherwise.
void RunOnThreadOf(QObject* context, std::function<void()> work,
                   Qt::ConnectionType type = Qt::BlockingQueuedConnection);

// Waits about milliseconds while serving the calling thread's events, so a
// worker blocked in a call to this thread can finish it meanwhile.
void PumpEvents(int milliseconds);

}  // namespace shared
