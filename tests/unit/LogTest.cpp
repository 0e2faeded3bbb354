// The log file: one flushed line per message, whole lines under concurrency,
// nothing after close.
#include "core/Engine.h"
#include "core/Log.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

TEST(Log, EachMessageIsOneFlushedLineWithoutDecoration) {
    test::TempDir dir;
    Engine engine;
    ASSERT_TRUE(engine.log.open(dir.file("Log.txt")));
    logOutputFunction(&engine, SDL_LOG_CATEGORY_SYSTEM, SDL_LOG_PRIORITY_INFO, "first");
    logOutputFunction(&engine, SDL_LOG_CATEGORY_INPUT, SDL_LOG_PRIORITY_ERROR, "two\nlines");
    // Flushed per message: readable before the file is closed.
    EXPECT_EQ(test::readFile(dir.file("Log.txt")), "first\ntwo\nlines\n");
    engine.log.close();
    logOutputFunction(&engine, SDL_LOG_CATEGORY_SYSTEM, SDL_LOG_PRIORITY_INFO, "Log Closed");
    EXPECT_EQ(test::readFile(dir.file("Log.txt")), "first\ntwo\nlines\n");
}

TEST(Log, ReopeningTruncates) {
    test::TempDir dir;
    test::writeFile(dir.file("Log.txt"), "old content\n");
    LogFile log;
    ASSERT_TRUE(log.open(dir.file("Log.txt")));
    log.writeLine("new");
    log.close();
    EXPECT_EQ(test::readFile(dir.file("Log.txt")), "new\n");
}

TEST(Log, TwoThreadsWriteWholeLines) {
    test::TempDir dir;
    LogFile log;
    ASSERT_TRUE(log.open(dir.file("Log.txt")));
    const int perThread = 2000;
    const std::string a(200, 'a');
    const std::string b(200, 'b');
    std::thread ta([&] { for (int i = 0; i < perThread; ++i) log.writeLine(a.c_str()); });
    std::thread tb([&] { for (int i = 0; i < perThread; ++i) log.writeLine(b.c_str()); });
    ta.join();
    tb.join();
    log.close();
    auto lines = test::readLines(dir.file("Log.txt"));
    ASSERT_EQ(lines.size(), static_cast<size_t>(2 * perThread));
    int countA = 0;
    for (const auto& line : lines) {
        ASSERT_TRUE(line == a || line == b) << "interleaved line: " << line.substr(0, 40);
        countA += line == a ? 1 : 0;
    }
    EXPECT_EQ(countA, perThread);
}

TEST(Log, UnwritableLogFileFailsToOpen) {
    test::TempDir dir;
    LogFile log;
    EXPECT_FALSE(log.open(dir.file("no/such/folder/Log.txt")));
    log.writeLine("dropped");  // must not crash
}
