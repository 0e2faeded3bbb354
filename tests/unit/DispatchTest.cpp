// Work queues: lifecycle, run-once/destroy-once, stop waits for the running task.
#include "dispatch/DispatchManager.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {
struct CountingTask : DispatchTask {
    std::atomic<int>& runs;
    std::atomic<int>& destroyed;
    CountingTask(std::atomic<int>& r, std::atomic<int>& d) : runs(r), destroyed(d) {}
    ~CountingTask() override { ++destroyed; }
    void run() override { ++runs; }
};

struct BlockingTask : DispatchTask {
    std::atomic<bool>& started;
    std::atomic<bool>& finished;
    BlockingTask(std::atomic<bool>& s, std::atomic<bool>& f) : started(s), finished(f) {}
    void run() override {
        started = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        finished = true;
    }
};
} // namespace

TEST(Dispatch, CreateThenShutdownJoinsTheWorker) {
    DispatchManager manager;
    ASSERT_TRUE(manager.init());
    ASSERT_TRUE(manager.createQueue("TestWorker", 0));
    EXPECT_EQ(manager.queueCount(), 1u);
    EXPECT_FALSE(manager.createQueue("TestWorker", 0));
    EXPECT_FALSE(manager.createQueue("Other", 1));
    manager.shutdown();
    EXPECT_EQ(manager.queueCount(), 0u);
    manager.shutdown();  // a second shutdown has nothing left to do
}

TEST(Dispatch, EachTaskRunsOnceAndIsDestroyedOnce) {
    std::atomic<int> runs{0};
    std::atomic<int> destroyed{0};
    DispatchManager manager;
    manager.createQueue("TestWorker", 0);
    DispatchQueue* queue = manager.getQueue("TestWorker");
    ASSERT_NE(queue, nullptr);
    for (int i = 0; i < 100; ++i) queue->addTask(new CountingTask(runs, destroyed));
    EXPECT_TRUE(test::waitFor([&] { return destroyed == 100; }));
    manager.shutdown();
    EXPECT_EQ(runs, 100);
    EXPECT_EQ(destroyed, 100);
}

TEST(Dispatch, StopWaitsForTheTaskInProgress) {
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    SerialDispatchQueue queue;
    queue.start();
    queue.addTask(new BlockingTask(started, finished));
    ASSERT_TRUE(test::waitFor([&] { return started.load(); }));
    queue.stop();
    EXPECT_TRUE(finished);
}

TEST(Dispatch, TasksLeftInTheQueueAtStopAreDestroyedNotRun) {
    std::atomic<int> runs{0};
    std::atomic<int> destroyed{0};
    {
        SerialDispatchQueue queue;  // never started: nothing runs
        queue.addTask(new CountingTask(runs, destroyed));
        queue.addTask(new CountingTask(runs, destroyed));
    }
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(destroyed, 2);
}

TEST(Dispatch, StopWithoutAWorkerRaisesTheThreadError) {
    SerialDispatchQueue queue;
    EXPECT_THROW(queue.stop(), std::system_error);
}

TEST(Dispatch, DestroyingTheManagerStopsRunningQueues) {
    auto* manager = new DispatchManager();
    manager->createQueue("TestWorker", 0);
    delete manager;  // must not terminate on a joinable worker
    SUCCEED();
}
