// Work queues, and the file watcher on real files with set times, polled by hand (its own
// poll sleeps for an hour; the real loop runs in the hot-reload tests).
#include "dispatch/DispatchManager.h"
#include "dispatch/FileWatcher.h"

#include "TestSupport.h"

#include <atomic>
#include <thread>

namespace {
namespace fs = std::filesystem;

struct Counts {
    std::atomic<int> started{0}, finished{0}, destroyed{0};
};

struct Task : DispatchTask {
    Task(Counts& c, int sleepMs = 0) : counts(c), sleepMs(sleepMs) {}
    ~Task() override { ++counts.destroyed; }
    void run() override {
        ++counts.started;
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
        ++counts.finished;
    }
    Counts& counts;
    int sleepMs;
};
void record(const std::string& path, void* calls) { static_cast<std::vector<std::string>*>(calls)->push_back(path); }

class Watcher : public ::testing::Test {
public:
    void SetUp() override { ASSERT_TRUE(watcher.init(3600 * 1000)); }
    // Writes the file and sets its time `offset` seconds from now.
    std::string touch(const std::string& name, double offset) {
        const std::string path = dir.file(name);
        test::writeFile(path, "x");
        test::setWriteTime(path, now + offset);
        return path;
    }
    void cycle() { watcher.poll(); watcher.dispatchChanges(); }

    test::TempDir dir;
    FileWatcher watcher;
    std::vector<std::string> calls;
    double now = test::nowSeconds();
};
} // namespace

TEST(Dispatch, EachTaskRunsOnceAndIsDestroyedOnceAndStopWaitsForTheOneInProgress) {
    Counts counts;
    DispatchManager manager;
    ASSERT_TRUE(manager.createQueue("TestWorker", 0));
    EXPECT_FALSE(manager.createQueue("TestWorker", 0));  // a name is taken once
    DispatchQueue* queue = manager.getQueue("TestWorker");
    ASSERT_NE(queue, nullptr);
    for (int i = 0; i < 100; ++i) queue->addTask(new Task(counts));
    EXPECT_TRUE(test::waitFor([&] { return counts.destroyed == 100; }));
    manager.shutdown();
    manager.shutdown();  // a second shutdown has nothing left to do
    EXPECT_TRUE(manager.getQueue("TestWorker") == nullptr && counts.finished == 100);
    DispatchManager running;
    running.createQueue("TestWorker", 0);  // destroyed running: must not terminate on a joinable worker

    counts.started = counts.finished = counts.destroyed = 0;
    {
        SerialDispatchQueue queue;
        queue.start();
        queue.addTask(new Task(counts, 200));
        ASSERT_TRUE(test::waitFor([&] { return counts.started == 1; }));
        queue.addTask(new Task(counts));
        queue.stop();
        EXPECT_EQ(counts.finished, 1);
    }
    EXPECT_TRUE(counts.started == 1 && counts.destroyed == 2);
}

TEST_F(Watcher, EachSaveIsReportedOnceWhateverTheTimeItCarries) {
    const std::string f = touch("a.frag", 0.0);
    watcher.addWatch(f, &record, &calls);
    cycle();  // as registered: nothing
    const double second = std::floor(now) + 5.0;
    test::setWriteTime(f, second + 0.2);
    cycle();
    test::setWriteTime(f, second + 0.7);  // a second save within the same second
    cycle();
    cycle();  // unchanged since: nothing new
    test::setWriteTime(f, 946684800.0);  // restored from a backup with its old time
    cycle();
    test::writeFile(f, "longer");  // a save that keeps the time but not the size
    test::setWriteTime(f, 946684800.0);
    cycle();
    fs::remove(f);  // gone, then a directory: nothing to read, nothing reported
    cycle();
    fs::create_directory(f);
    cycle();
    EXPECT_EQ(calls, (std::vector<std::string>(4, f)));
}

TEST_F(Watcher, FilesInOnePollGoInPathOrderOnTheMainThreadOnceAndLateFilesAndNewWatchesAreSeen) {
    watcher.addWatch(dir.file("b.frag"), &record, &calls);
    watcher.addWatch(dir.file("a.frag"), &record, &calls);
    watcher.addWatch(dir.file("a.frag"), &record, &calls);  // the same callback again: still one call
    const std::string b = touch("b.frag", 3.0);
    const std::string a = touch("a.frag", 2.0);  // older than b, same poll: still reported
    watcher.poll();
    EXPECT_TRUE(calls.empty());  // nothing runs before dispatch
    watcher.dispatchChanges();
    EXPECT_EQ(calls, (std::vector<std::string>{a, b}));

    calls.clear();
    const std::string late = dir.file("late.frag"), extra = dir.file("extra.frag");
    auto rewatch = [](const std::string& path, void* context) {
        auto* self = static_cast<Watcher*>(context);
        record(path, &self->calls);
        self->watcher.addWatch(self->dir.file("extra.frag"), &record, &self->calls);  // as a reload does
    };
    watcher.addWatch(late, rewatch, this);
    cycle();  // polled while missing
    touch("late.frag", 1.0);
    cycle();
    cycle();
    touch("extra.frag", 2.0);
    cycle();
    EXPECT_EQ(calls, (std::vector<std::string>{late, extra}));
}
