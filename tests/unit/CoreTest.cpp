// The engine's own plumbing: Config.txt entries and their typed reads, the log
// file (one flushed line per message, whole lines under concurrency, nothing
// after close) and the main loop's fixed-step accumulator.
#include "core/Config.h"
#include "core/Engine.h"
#include "core/Log.h"
#include "core/Random.h"

#include "TestSupport.h"

#include <thread>

// Which entries are read is the scanner's table (HostileInputTest); here their typed reads.
TEST(Config, TypedReadsAndTheFirstValueWins) {
    Config c;
    c.parse("N = 12abc; T = tRuE; F = true1; MSAA = 4;\nMSAA = 8;");
    EXPECT_TRUE(c.getInt("N") == 12 && c.getInt("MSAA") == 4 && c.getInt("Missing") == -1);
    EXPECT_TRUE(c.getBool("T") && !c.getBool("F") && !c.getBool("Missing"));
}

TEST(Log, EachMessageIsOneFlushedLineAndNothingFollowsTheClose) {
    test::TempDir dir;
    test::writeFile(dir.file("Log.txt"), "old content\n");  // every start truncates
    Engine engine;
    ASSERT_TRUE(engine.log.open(dir.file("Log.txt")));
    logOutputFunction(&engine, SDL_LOG_CATEGORY_SYSTEM, SDL_LOG_PRIORITY_INFO, "first");
    logOutputFunction(&engine, SDL_LOG_CATEGORY_INPUT, SDL_LOG_PRIORITY_ERROR, "two\nlines");
    EXPECT_EQ(test::readFile(dir.file("Log.txt")), "first\ntwo\nlines\n");  // readable before the close
    engine.log.close();
    logOutputFunction(&engine, SDL_LOG_CATEGORY_SYSTEM, SDL_LOG_PRIORITY_INFO, "Log Closed");
    EXPECT_EQ(test::readFile(dir.file("Log.txt")), "first\ntwo\nlines\n");

    EXPECT_FALSE(engine.log.open(dir.file("no/such/folder/Log.txt")));
    engine.log.writeLine("dropped");  // must not crash
}

TEST(Log, TwoThreadsWriteWholeLines) {
    test::TempDir dir;
    LogFile log;
    ASSERT_TRUE(log.open(dir.file("Log.txt")));
    auto writer = [&](char letter) {  // distinct lines: runs would collapse
        for (int i = 0; i < 2000; ++i) log.writeLine((std::string(200, letter) + std::to_string(i)).c_str());
    };
    std::thread ta(writer, 'a'), tb(writer, 'b');
    ta.join();
    tb.join();
    log.close();
    const auto lines = test::readLines(dir.file("Log.txt"));
    EXPECT_EQ(lines.size(), 4000u);
    for (const std::string& l : lines)
        ASSERT_TRUE(l.find_first_not_of(l[0]) == 200 && l.find_first_not_of("0123456789", 200) == std::string::npos) << l;
}

namespace {
std::vector<float> stepsFor(float& accumulator, float delta) {
    std::vector<float> steps;
    runFixedSteps(accumulator, delta, [&](float s) { steps.push_back(s); });
    return steps;
}
} // namespace

TEST(FixedSteps, WholeStepsRunTheRemainderCarriesOverAndASeekBackRunsNegativeSteps) {
    float accumulator = 0.0f;
    EXPECT_EQ(stepsFor(accumulator, 0.05f), (std::vector<float>{kFixedStep, kFixedStep}));
    EXPECT_EQ(stepsFor(accumulator, 0.001f).size(), 1u);  // 0.0166 + 0.001 passes one step
    accumulator = 0.01f;
    EXPECT_EQ(stepsFor(accumulator, -0.08f), std::vector<float>(4, -kFixedStep));
    EXPECT_TRUE(accumulator > -kFixedStep && accumulator < 0.0f) << accumulator;
}

// The published sequence of the classic 15-bit generator after a zero seed:
// a C library's own rand() would differ from machine to machine.
TEST(Random, SeedZeroGivesTheClassicSequenceAndReseedingRepeatsIt) {
    for (int round = 0; round < 2; ++round) {
        engineSrand(0);
        for (int value : test::kFirstDraws) EXPECT_EQ(engineRand(), value);
    }
}
