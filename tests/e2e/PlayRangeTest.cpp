// --loop through the real player, seen from a stand-in editor: the rows it tells
// while playing say where the show is (--start is the show file test's).
#include "PlayerRun.h"

// 10 s to 12 s is rows 282.7 to 339.2: every row told lies there, and it comes back down at least twice.
TEST(PlayRange, LoopReturnsToItsStartEachTimeItReachesItsEnd) {
    test::TempDir dir;
    test::copyFixtureShow(dir, test::standardConfig(320, 180, 0, true));
    test::writeFile(dir.file("res/audio/melody2.mp3"), test::readFile(SOLVANE_FIXTURES_DIR "/audio/clicks_20s.mp3"));
    e2e::EditedPlayer run(dir.path(), {"--loop", "10:12"});
    int returns = 0;
    uint32_t previous = 0;
    const auto rows = run.rowsTold([&](uint32_t row) {
        if (previous > 320 && row < 300) ++returns;
        previous = row;
        return returns == 3;
    });
    EXPECT_EQ(returns, 3) << rows.size() << " rows told";
    for (const uint32_t row : rows) EXPECT_TRUE(row >= 282 && row <= 345) << row;
}
