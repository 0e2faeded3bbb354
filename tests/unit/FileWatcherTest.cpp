// File watcher with real files whose times are set explicitly. Most tests poll
// by hand (the background task sleeps for an hour and is woken at shutdown);
// one runs the real 20 ms poll loop.
#include "dispatch/FileWatcher.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {
struct Recorder {
    std::vector<std::string> calls;
    static void callback(const std::string& path, void* context) {
        static_cast<Recorder*>(context)->calls.push_back(path);
    }
    static void other(const std::string& path, void* context) {
        static_cast<Recorder*>(context)->calls.push_back("other:" + path);
    }
};

constexpr int kManualPolling = 3600 * 1000;
} // namespace

TEST(FileWatcher, LastWriteTimeHasSubSecondPrecisionAndMinusOneWhenMissing) {
    test::TempDir dir;
    std::string f = dir.file("a.frag");
    test::writeFile(f, "x");
    test::setWriteTime(f, 1700000000.25);
    EXPECT_NEAR(FileWatcher::getLastWriteTime(f), 1700000000.25, 1e-6);
    EXPECT_EQ(FileWatcher::getLastWriteTime(dir.file("missing")), -1.0);
    EXPECT_EQ(FileWatcher::getLastWriteTime(dir.path()), -1.0);  // a folder is not a file
}

TEST(FileWatcher, TwoSavesWithinOneSecondAreBothReported) {
    test::TempDir dir;
    std::string f = dir.file("a.frag");
    test::writeFile(f, "x");
    Recorder r;
    FileWatcher w;
    ASSERT_TRUE(w.init(kManualPolling));
    w.addWatch(f, &Recorder::callback, &r);
    double base = static_cast<double>(static_cast<long long>(test::nowSeconds())) + 5.0;
    test::setWriteTime(f, base + 0.2);
    w.poll();
    w.dispatchChanges();
    test::setWriteTime(f, base + 0.7);
    w.poll();
    w.dispatchChanges();
    w.poll();  // unchanged since: nothing new
    w.dispatchChanges();
    w.shutdown();
    EXPECT_EQ(r.calls, (std::vector<std::string>{f, f}));
}

TEST(FileWatcher, AFileCopiedInWithAnOlderTimeIsNotReported) {
    test::TempDir dir;
    std::string fresh = dir.file("fresh.vert");
    std::string old = dir.file("old.vert");
    Recorder r;
    FileWatcher w;
    ASSERT_TRUE(w.init(kManualPolling));
    w.addWatch(fresh, &Recorder::callback, &r);
    w.addWatch(old, &Recorder::callback, &r);
    test::writeFile(fresh, "x");
    test::setWriteTime(fresh, test::nowSeconds() + 10.0);
    w.poll();
    w.dispatchChanges();
    // Newer than start-up but older than the newest change seen: not reported.
    test::writeFile(old, "y");
    test::setWriteTime(old, test::nowSeconds() + 5.0);
    w.poll();
    w.dispatchChanges();
    // From before start-up: never reported.
    test::setWriteTime(old, 946684800.0);
    w.poll();
    w.dispatchChanges();
    w.shutdown();
    EXPECT_EQ(r.calls, (std::vector<std::string>{fresh}));
}

TEST(FileWatcher, TwoFilesInOnePollAreDispatchedInPathOrder) {
    test::TempDir dir;
    std::string b = dir.file("b.frag");
    std::string a = dir.file("a.frag");
    Recorder r;
    FileWatcher w;
    ASSERT_TRUE(w.init(kManualPolling));
    w.addWatch(b, &Recorder::callback, &r);
    w.addWatch(a, &Recorder::callback, &r);
    test::writeFile(b, "b");
    test::writeFile(a, "a");
    test::setWriteTime(b, test::nowSeconds() + 3.0);
    test::setWriteTime(a, test::nowSeconds() + 2.0);  // older than b, same poll: still reported
    w.poll();
    EXPECT_TRUE(r.calls.empty());  // nothing runs before dispatch
    w.dispatchChanges();
    w.shutdown();
    EXPECT_EQ(r.calls, (std::vector<std::string>{a, b}));
}

TEST(FileWatcher, SameCallbackTwiceKeepsItsFirstContextAndOthersAllRun) {
    test::TempDir dir;
    std::string f = dir.file("scene.lua");
    test::writeFile(f, "-- script");
    Recorder first;
    Recorder second;
    FileWatcher w;
    ASSERT_TRUE(w.init(kManualPolling));
    w.addWatch(f, &Recorder::callback, &first);
    w.addWatch(f, &Recorder::callback, &second);
    w.addWatch(f, &Recorder::other, &second);
    test::setWriteTime(f, test::nowSeconds() + 3.0);
    w.poll();
    w.dispatchChanges();
    w.shutdown();
    EXPECT_EQ(first.calls, (std::vector<std::string>{f}));
    EXPECT_EQ(second.calls, (std::vector<std::string>{"other:" + f}));
}

namespace {
struct Rewatcher {
    FileWatcher* watcher;
    std::string extra;
    int calls = 0;
    static void callback(const std::string&, void* context) {
        auto* self = static_cast<Rewatcher*>(context);
        ++self->calls;
        self->watcher->addWatch(self->extra, &Rewatcher::callback, self);  // as a reload does
    }
};
} // namespace

TEST(FileWatcher, AMissingFileIsReportedOnceItAppearsAndCallbacksMayAddWatches) {
    test::TempDir dir;
    std::string f = dir.file("late.frag");
    FileWatcher w;
    Rewatcher r{&w, dir.file("extra.frag")};
    ASSERT_TRUE(w.init(20));  // the real background poll
    w.addWatch(f, &Rewatcher::callback, &r);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // polled while missing
    w.dispatchChanges();
    EXPECT_EQ(r.calls, 0);
    test::writeFile(f, "void main() {}");
    test::setWriteTime(f, test::nowSeconds() + 1.0);
    EXPECT_TRUE(test::waitFor([&] {
        w.dispatchChanges();
        return r.calls > 0;
    }));
    w.shutdown();
    EXPECT_EQ(r.calls, 1);
}

TEST(FileWatcher, ShutdownWithoutInitAndTwiceIsHarmless) {
    FileWatcher idle;
    idle.shutdown();
    FileWatcher w;
    ASSERT_TRUE(w.init(kManualPolling));
    w.shutdown();  // wakes the hour-long sleep at once
    w.shutdown();
    EXPECT_FALSE(w.isPolling());
}
