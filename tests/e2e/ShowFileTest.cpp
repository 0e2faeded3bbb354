// res/show.txt through the real player: a show at its own tempo and rows per
// beat moves on its own beats, in capture, with an editor (from --start, in a
// --loop) and to its own end; each kind of bad show file is told in one line,
// before any window.
#include "PlayerRun.h"

namespace {
const std::string kConfig = test::standardConfig(320, 180, 0, true);

// The probe show: a 12 s click track at 128 bpm, 8 rows a beat, and a cube that a
// step key at row 64 (3.75 s) brings from far out of the picture into its middle.
void makeProbeShow(const test::TempDir& dir) {
    test::copyFixtureShow(dir, kConfig);
    test::writeFile(dir.file("res/audio/clicks.mp3"), test::readFile(SOLVANE_FIXTURES_DIR "/audio/clicks_128bpm_12s.mp3"));
    test::writeFile(dir.file("res/show.txt"),
                    "Soundtrack = res/audio/clicks.mp3;\nBeatsPerMinute = 128;\nRowsPerBeat = 8;\nTitle = Probe Show;\n");
    test::writeTrack(dir.file("res/sync"), "Cube.X", {{0, -50.0f, Step}, {64, 0.0f, Step}});
    e2e::writeCubeScene(dir, "", "sync.getFloat('Cube.X')");
}
} // namespace

TEST(ShowFile, AProbeShowMovesOnItsOwnRowsInCapture) {
    test::TempDir dir;
    makeProbeShow(dir);
    // Frames 149 to 151 of a 40 fps capture: 3.725, 3.75 and 3.775 s.
    ASSERT_EQ(e2e::play(dir, "--capture f --from 3.725 --to 3.8 --fps 40").status, 0);
    EXPECT_EQ(test::pngColours(dir.file("f/frame_000000.png")).yellow, 0);
    EXPECT_GT(test::pngColours(dir.file("f/frame_000002.png")).yellow, 50);
    test::expectInOrder(test::readLines(dir.file("Log.txt")),
                        {"Show: Probe Show, 128 beats per minute, 8 rows per beat, soundtrack res/audio/clicks.mp3"});
}

// In real time from --start 6, with an editor: the player greets it, asks once for
// each track the camera and the script read, and tells rows at 128 x 8 a minute
// (102.4 at 6 s) in a window titled by the show. A pause near the end holds the
// show; resumed, it ends with its 12 s soundtrack (row 204.8, and a frame or two
// of encoder padding).
TEST(ShowFile, AProbeShowWithAnEditorStartsOnItsRowsHoldsWhenPausedAndEndsWithItsSoundtrack) {
    using namespace test::editorwire;
    test::TempDir dir;
    makeProbeShow(dir);
    e2e::EditedPlayer run(dir.path(), "--start", "6");
    EXPECT_EQ(run.editor.heard, "hello, synctracker!");
    const auto first = run.rowsTold([](uint32_t) { return true; });
    ASSERT_EQ(first.size(), 1u) << "the player stopped talking";
    EXPECT_TRUE(first[0] >= 101 && first[0] <= 106) << first[0];
    EXPECT_TRUE(test::sendKey("Probe Show", "shift")) << "no window titled 'Probe Show'";
    std::sort(run.tracks.begin(), run.tracks.end());
    EXPECT_EQ(std::unique(run.tracks.begin(), run.tracks.end()), run.tracks.end());
    for (const char* read : {"Camera.Mode", "Camera.Distance", "Cube.X"})
        EXPECT_TRUE(std::binary_search(run.tracks.begin(), run.tracks.end(), read)) << read;
    run.editor.write(pause(true) + setRow(200));
    EXPECT_EQ(run.player.wait(std::chrono::seconds(5)), -1);
    run.editor.write(pause(false));
    const auto rows = run.rowsTold([](uint32_t) { return false; });
    EXPECT_EQ(run.player.wait(std::chrono::seconds(60)), 0);
    EXPECT_TRUE(!rows.empty() && rows.back() >= 195 && rows.back() <= 215) << (rows.empty() ? 0 : rows.back());
    const auto lines = e2e::playerLog(dir.file("Log.txt"));
    test::expectInOrder(lines, {"Sync editor: connected to " + run.editor.address(), "Sucessfully initialized Sync Device",
                                "Starting playback!", "Successfully shut down SDL"});
    EXPECT_EQ(e2e::linesWith(lines, "Failed"), 0);
}

// --loop 3:5 is rows 51.2 to 85.3: every row told lies there, and it comes back down at least twice.
TEST(ShowFile, ALoopReturnsToItsStartEachTimeItReachesItsEnd) {
    test::TempDir dir;
    makeProbeShow(dir);
    e2e::EditedPlayer run(dir.path(), "--loop", "3:5");
    int returns = 0;
    uint32_t previous = 0;
    const auto rows = run.rowsTold([&](uint32_t row) {
        returns += previous > 75 && row < 60;
        previous = row;
        return returns == 3;
    });
    EXPECT_EQ(returns, 3) << rows.size() << " rows told";
    for (const uint32_t row : rows) EXPECT_TRUE(row >= 51 && row <= 88) << row;
}

TEST(ShowFile, EachBadShowFileIsToldInOneLine) {
    const std::pair<const char*, const char*> cases[] = {  // the file, and its line in the log and on stderr
        {"Tempo = 128;\n", "res/show.txt: unknown key 'Tempo' is ignored"},  // a warning: the show plays
        {"BeatsPerMinute = 0;\n", "res/show.txt: BeatsPerMinute = '0' is not a number from 20 to 400"},
        {"BeatsPerMinute = -5;\n", "BeatsPerMinute = '-5' is not a number from 20 to 400"},
        {"BeatsPerMinute = abc;\n", "BeatsPerMinute = 'abc' is not a number from 20 to 400"},
        {"BeatsPerMinute = 1e9;\n", "BeatsPerMinute = '1e9' is not a number from 20 to 400"},
        {"BeatsPerMinute = 128 bpm;\n", "BeatsPerMinute = '128 bpm' is not a number from 20 to 400"},
        {"RowsPerBeat = 0;\n", "res/show.txt: RowsPerBeat = '0' is not a whole number from 1 to 64"},
        {"RowsPerBeat = 2.5;\n", "RowsPerBeat = '2.5' is not a whole number from 1 to 64"},
        {"Soundtrack = res/audio/none.mp3;\n", "The soundtrack res/audio/none.mp3 cannot be opened"},
        {"Soundtrack = Config.txt;\n", "The soundtrack Config.txt is not an MP3 file"},
    };
    for (const auto& [show, line] : cases) {
        SCOPED_TRACE(show);
        test::TempDir dir;
        test::copyFixtureShow(dir, kConfig);
        test::writeFile(dir.file("res/show.txt"), show);
        const e2e::Run run = e2e::play(dir, "--capture f --to 0.2 --fps 10");
        const bool warning = show == cases[0].first;
        EXPECT_EQ(run.status, warning ? 0 : 1);
        const auto lines = test::readLines(dir.file("Log.txt"));
        EXPECT_EQ(e2e::linesWith(lines, line), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Initialized window"), warning ? 1 : 0);
        EXPECT_EQ(e2e::linesWith(run.said, line), 1);  // a failure as the reason start-up failed
    }
}
