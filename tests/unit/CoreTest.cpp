// The engine's own plumbing: Config.txt's typed reads, the log file and the main loop's
// fixed-step accumulator.
#include "app/Engine.h"
#include "core/Config.h"
#include "core/Log.h"

#include "TestSupport.h"

// Which entries are read is the scanner's table (HostileInputTest); here their typed reads.
TEST(Config, TypedReadsAndTheFirstValueWins) {
    Config c;
    c.parse("N = 12abc; T = tRuE; F = true1; MSAA = 4;\nMSAA = 8;");
    EXPECT_TRUE(c.getInt("N") == 12 && c.getInt("MSAA") == 4 && c.getInt("Missing") == -1);
    EXPECT_TRUE(c.getBool("T") && !c.getBool("F") && !c.getBool("Missing"));
}

TEST(Log, EachMessageIsOneFlushedLineRunsOfOneCollapseAndNothingFollowsTheClose) {
    test::TempDir dir;
    test::writeFile(dir.file("Log.txt"), "old content\n");  // every start truncates
    LogFile log;
    ASSERT_TRUE(log.open(dir.file("Log.txt")));
    logOutputFunction(&log, SDL_LOG_CATEGORY_SYSTEM, SDL_LOG_PRIORITY_INFO, "first");
    logOutputFunction(&log, SDL_LOG_CATEGORY_INPUT, SDL_LOG_PRIORITY_ERROR, "two\nlines");
    EXPECT_EQ(test::readFile(dir.file("Log.txt")), "first\ntwo\nlines\n");  // readable before the close
    // A failing render every frame at 60 frames a second for 2.5 s: at most one repeat line a second.
    for (int frame = 0; frame < 150; ++frame) log.writeLineAt("boom", 2.0 + frame / 60.0);
    log.writeLineAt("Scene reloaded", 4.5);
    log.writeLineAt("boom", 4.6);
    log.writeLineAt("boom", 4.7);
    log.close();
    logOutputFunction(&log, SDL_LOG_CATEGORY_SYSTEM, SDL_LOG_PRIORITY_INFO, "Log Closed");
    EXPECT_EQ(test::readLines(dir.file("Log.txt")),
              (std::vector<std::string>{"first", "two", "lines", "boom", "(last message repeated 60 times)",
                                        "(last message repeated 60 times)", "(last message repeated 29 times)",
                                        "Scene reloaded", "boom", "(last message repeated 1 times)"}));

    EXPECT_FALSE(log.open(dir.file("no/such/folder/Log.txt")));
    log.writeLine("dropped");  // must not crash
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
