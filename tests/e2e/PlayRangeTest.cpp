// --start and --loop through the real player, seen from a stand-in editor: the
// rows it tells while playing say where the show is.
#include "StandInEditor.h"
#include "TestSupport.h"

namespace {
// The rows the player tells `editor` until `enough` says so or the player stops talking.
std::vector<uint32_t> reportedRows(test::StandInEditor& editor, const std::function<bool(uint32_t)>& enough) {
    std::vector<uint32_t> rows;
    for (std::string command = editor.read(5); command.size() == 5; command = editor.read(5)) {
        const uint32_t word = static_cast<uint32_t>(static_cast<uint8_t>(command[1]) << 24 |
                                                    static_cast<uint8_t>(command[2]) << 16 |
                                                    static_cast<uint8_t>(command[3]) << 8 | static_cast<uint8_t>(command[4]));
        if (command[0] == 2) editor.read(word);  // a track request: its name follows
        if (command[0] == 3) rows.push_back(word);
        if (command[0] == 3 && enough(word)) break;
    }
    return rows;
}
} // namespace

// 40 s at 106 beats a minute and 16 rows a beat: row 1130.67.
TEST(PlayRange, StartPlaysFromTheGivenSecond) {
    test::TempDir dir;
    test::copyShow(dir, test::standardConfig(320, 180, 0, true));
    test::StandInEditor editor;
    editor.greetWith("hello, demo!");
    test::Process player(SOLVANE_BINARY, dir.path(), {"--start", "40", "--sync-editor", editor.address()});
    editor.joinGreeter();
    const auto rows = reportedRows(editor, [](uint32_t) { return true; });
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NEAR(rows[0], 1131.0, 2.0);
}

// 10 s to 12 s is rows 282.7 to 339.2: every row told lies there, and it comes back down at least twice.
TEST(PlayRange, LoopReturnsToItsStartEachTimeItReachesItsEnd) {
    test::TempDir dir;
    test::copyFixtureShow(dir, test::standardConfig(320, 180, 0, true));
    test::writeFile(dir.file("res/audio/melody2.mp3"), test::readFile(SOLVANE_FIXTURES_DIR "/audio/clicks_20s.mp3"));
    test::StandInEditor editor;
    editor.greetWith("hello, demo!");
    test::Process player(SOLVANE_BINARY, dir.path(), {"--loop", "10:12", "--sync-editor", editor.address()});
    editor.joinGreeter();
    int returns = 0;
    uint32_t previous = 0;
    const auto rows = reportedRows(editor, [&](uint32_t row) {
        if (previous > 320 && row < 300) ++returns;
        previous = row;
        return returns == 3;
    });
    EXPECT_EQ(returns, 3) << rows.size() << " rows told";
    for (const uint32_t row : rows) EXPECT_TRUE(row >= 282 && row <= 345) << row;
}
