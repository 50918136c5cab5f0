#include "shared/single_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace shared {
namespace {

using Rules = SingleWorker::StartRules;

// Holds a job until opened.
class Gate {
  public:
    void Wait() {
        entered_ = true;
        while (!open_) std::this_thread::yield();
    }
    void WaitUntilEntered() const {
        while (!entered_) std::this_thread::yield();
    }
    void Open() { open_ = true; }

  private:
    std::atomic<bool> entered_{false}, open_{false};
};

void WaitUntilIdle(const SingleWorker& worker) {
    while (worker.Busy()) std::this_thread::yield();
}

TEST(SingleWorker, StartRunsTheJobOnItsOwnThreadAndJoinWaitsForItsLastCall) {
    SingleWorker worker;
    worker.RequestStop();  // left from an earlier run: a start clears it
    Gate inWork, inAfterWork;
    std::thread::id workThread;
    std::vector<std::string> seen;
    bool stopSeen = true;
    Rules rules;
    rules.beforeStart = [&] { seen.push_back("before"); };
    ASSERT_TRUE(worker.Start({[&] {
                                  workThread = std::this_thread::get_id();
                                  stopSeen = worker.StopRequested();
                                  inWork.Wait();
                              },
                              [&] { inAfterWork.Wait(); }},
                             rules));
    inWork.WaitUntilEntered();
    EXPECT_EQ(seen, std::vector<std::string>{"before"});
    EXPECT_TRUE(worker.Running());
    EXPECT_TRUE(worker.Busy());
    inWork.Open();
    inAfterWork.WaitUntilEntered();
    // The work has returned; only the last calls are left.
    EXPECT_FALSE(worker.Running());
    EXPECT_TRUE(worker.Busy());
    // A start now waits in short steps and says nothing: only the last calls are left.
    std::vector<int> steps;
    Rules next;
    next.notice = [](bool) { ADD_FAILURE() << "a notice after the work had ended"; };
    next.pause = [&](int milliseconds) {
        steps.push_back(milliseconds);
        if (steps.size() == 3) inAfterWork.Open();
    };
    Gate second;
    ASSERT_TRUE(worker.Start({[&] { second.Wait(); }, {}}, next));
    EXPECT_GE(steps.size(), 3u);
    EXPECT_EQ(steps, std::vector<int>(steps.size(), SingleWorker::kEndPollMs));
    EXPECT_NE(workThread, std::this_thread::get_id());
    EXPECT_FALSE(stopSeen);
    // Join keeps pausing until the worker's last call.
    int pauses = 0;
    worker.Join([&](int milliseconds) {
        EXPECT_EQ(milliseconds, SingleWorker::kEndPollMs);
        if (++pauses == 3) second.Open();
    });
    EXPECT_GE(pauses, 3);
    EXPECT_FALSE(worker.Busy());

    // RunHere runs the same way on the calling thread.
    bool busyInside = false;
    ASSERT_TRUE(worker.RunHere({[&] {
                                    workThread = std::this_thread::get_id();
                                    busyInside = worker.Running() && worker.Busy();
                                },
                                {}},
                               {}));
    EXPECT_EQ(workThread, std::this_thread::get_id());
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(worker.Busy());
}

TEST(SingleWorker, ASecondStartWaitsInStepsSaysSoPastTheBoundAndNeverRunsBesideTheFirst) {
    SingleWorker worker(1500);  // three steps instead of thirty seconds
    Gate first;
    std::atomic<int> atOnce{0}, mostAtOnce{0};
    auto job = [&](Gate* gate) {
        return SingleWorker::Job{[&, gate] {
                                     mostAtOnce = std::max(mostAtOnce.load(), ++atOnce);
                                     if (gate) gate->Wait();
                                     --atOnce;
                                 },
                                 {}};
    };
    ASSERT_TRUE(worker.Start(job(&first), {}));
    first.WaitUntilEntered();
    std::vector<bool> notices;
    int pauses = 0;
    bool nestedStarted = true;
    Rules rules;
    rules.notice = [&](bool late) { notices.push_back(late); };
    rules.pause = [&](int milliseconds) {
        if (milliseconds != SingleWorker::kWaitStepMs) return;
        // A start arriving through this pause is turned away at once.
        if (++pauses == 1) nestedStarted = worker.Start(job(nullptr), {});
        if (pauses < 5) return;
        first.Open();
        while (worker.Busy()) std::this_thread::yield();
    };
    EXPECT_TRUE(worker.Start(job(nullptr), rules));
    worker.Join();
    EXPECT_FALSE(nestedStarted);
    EXPECT_EQ(pauses, 5);
    EXPECT_EQ(notices, (std::vector<bool>{false, false, false, true, true}));
    EXPECT_EQ(mostAtOnce, 1);
}

TEST(SingleWorker, AStopOrACloseWhileWaitingDecidesWhetherTheStartGoesAhead) {
    for (bool stopCancelsWait : {true, false}) {
        SingleWorker worker;
        Gate first;
        ASSERT_TRUE(worker.Start({[&] { first.Wait(); }, {}}, {}));
        first.WaitUntilEntered();
        bool ran = false;
        Rules rules;
        rules.stopCancelsWait = stopCancelsWait;
        rules.pause = [&](int) {
            worker.RequestStop();
            first.Open();
        };
        EXPECT_EQ(worker.Start({[&] { ran = true; }, {}}, rules), !stopCancelsWait);
        worker.Join();
        EXPECT_EQ(ran, !stopCancelsWait);
        // A start that goes ahead begins with the stop request cleared.
        EXPECT_EQ(worker.StopRequested(), stopCancelsWait);
    }

    SingleWorker closing;
    Gate first;
    ASSERT_TRUE(closing.Start({[&] { first.Wait(); }, {}}, {}));
    first.WaitUntilEntered();
    Rules rules;
    rules.stopCancelsWait = false;
    rules.pause = [&](int) {
        closing.Close();
        first.Open();
    };
    EXPECT_FALSE(closing.Start({[] {}, {}}, rules));
    closing.Join();
    EXPECT_TRUE(closing.Closed());
    bool ran = false;
    EXPECT_FALSE(closing.Start({[&] { ran = true; }, {}}, {}));
    EXPECT_FALSE(closing.RunHere({[&] { ran = true; }, {}}, {}));
    EXPECT_FALSE(ran);
}

TEST(SingleWorker, WaitForEndGivesUpAtItsLimitAndDestructionStopsAndJoins) {
    auto ended = std::make_shared<std::atomic<bool>>(false);
    {
        SingleWorker worker;
        ASSERT_TRUE(worker.Start({[&worker, ended] {
                                      while (!worker.StopRequested()) std::this_thread::yield();
                                      *ended = true;
                                  },
                                  {}},
                                 {}));
        int pauses = 0;
        EXPECT_FALSE(worker.WaitForEnd(
            [&](int milliseconds) {
                EXPECT_EQ(milliseconds, SingleWorker::kWaitStepMs);
                ++pauses;
            },
            2000));
        EXPECT_EQ(pauses, 4);
        EXPECT_TRUE(worker.Running());
        EXPECT_FALSE(*ended);
    }
    EXPECT_TRUE(*ended);

    SingleWorker quick;
    ASSERT_TRUE(quick.Start({[] {}, {}}, {}));
    WaitUntilIdle(quick);
    EXPECT_TRUE(quick.WaitForEnd([](int) { ADD_FAILURE() << "no pause once ended"; }, 2000));
}

}  // namespace
}  // namespace shared
