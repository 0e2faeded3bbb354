// res/show.txt through the real player: a show at its own tempo and rows per
// beat moves on its own beats, in capture, with an editor and to its own end;
// each kind of bad show file is told in one line, before any window.
#include "StandInEditor.h"
#include "TestSupport.h"

#include <stb/stb_image.h>

namespace {
const std::string kConfig = test::standardConfig(320, 180, 0, true);
const std::string kProbeShow =
    "Soundtrack = res/audio/clicks.mp3;\nBeatsPerMinute = 128;\nRowsPerBeat = 8;\nTitle = Probe Show;\n";

struct PlayerRun {
    int status = -1;
    std::vector<std::string> said;  // the player's own stderr lines
};

PlayerRun play(const test::TempDir& dir, const std::string& arguments) {
    const std::string command = "cd '" + dir.path() + "' && '" + SOLVANE_BINARY + "' " + arguments + " 2> stderr.txt";
    const int raw = std::system(command.c_str());
    PlayerRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    for (const std::string& line : test::readLines(dir.file("stderr.txt")))
        if (line.rfind("solvane: ", 0) == 0) run.said.push_back(line);
    return run;
}

// The probe show: a 12 s click track at 128 bpm, 8 rows a beat, and a cube that a
// step key at row 64 (3.75 s) moves from the left of the picture to the right.
void makeProbeShow(const test::TempDir& dir) {
    test::copyFixtureShow(dir, kConfig);
    test::writeFile(dir.file("res/audio/clicks.mp3"), test::readFile(SOLVANE_FIXTURES_DIR "/audio/clicks_128bpm_12s.mp3"));
    test::writeFile(dir.file("res/show.txt"), kProbeShow);
    for (auto [name, value] : {std::make_pair("Camera.Mode", 1.0f), std::make_pair("Camera.Distance", 8.0f)})
        test::writeTrack(dir.file("res/sync"), name, {{0, value, Step}});
    test::writeTrack(dir.file("res/sync"), "Cube.X", {{0, -2.0f, Step}, {64, 2.0f, Step}});
    test::writeFile(dir.file("res/scripts/scene.lua"),
                    "local cube\n"
                    "function build()\n  cube = object.new('cube')\n  scene.getRoot():addChild(cube)\n  return true\nend\n"
                    "function update(step) end\n"
                    "function render(time)\n  cube:setPosition(vector3.new(sync.getFloat('Cube.X'), 0, 0))\n"
                    "  scene.getRoot():render(time)\nend\n");
}

// The mean column of the lit pixels of a PNG, as a fraction of its width; -1 when none.
double litColumn(const std::string& path) {
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load(path.c_str(), &w, &h, &n, 3);
    if (!px) return -1.0;
    double sum = 0.0;
    long count = 0;
    for (int i = 0; i < w * h; ++i)
        if (px[i * 3] + px[i * 3 + 1] + px[i * 3 + 2] > 120) sum += i % w, ++count;
    stbi_image_free(px);
    return count ? sum / count / w : -1.0;
}
} // namespace

TEST(ShowFile, AProbeShowMovesOnItsOwnRowsInCapture) {
    test::TempDir dir;
    makeProbeShow(dir);
    // Frames 149 to 151 of a 40 fps capture: 3.725, 3.75 and 3.775 s.
    ASSERT_EQ(play(dir, "--capture f --from 3.725 --to 3.8 --fps 40").status, 0);
    const double before = litColumn(dir.file("f/frame_000000.png"));
    const double after = litColumn(dir.file("f/frame_000002.png"));
    EXPECT_TRUE(before > 0.0 && before < 0.5) << before;
    EXPECT_GT(after, 0.5);
    test::expectInOrder(test::readLines(dir.file("Log.txt")),
                        {"Show: Probe Show, 128 beats per minute, 8 rows per beat, soundtrack res/audio/clicks.mp3"});
}

// In real time: the window has the show's title, the rows told to an editor run
// at 128 x 8 a minute up to the end of the 12 s soundtrack (204.8, and a frame or
// two of encoder padding), and the show ends there.
TEST(ShowFile, AProbeShowTellsItsRowsToAnEditorAndEndsWithItsSoundtrack) {
    test::TempDir dir;
    makeProbeShow(dir);
    test::StandInEditor editor;
    editor.greetWith("hello, demo!");
    test::Process player(SOLVANE_BINARY, dir.path(), {"--sync-editor", editor.address()});
    editor.joinGreeter();
    uint32_t lastRow = 0;
    bool titled = false;
    for (std::string command = editor.read(5); command.size() == 5; command = editor.read(5)) {
        const uint32_t word = static_cast<uint32_t>(static_cast<uint8_t>(command[1]) << 24 |
                                                    static_cast<uint8_t>(command[2]) << 16 |
                                                    static_cast<uint8_t>(command[3]) << 8 | static_cast<uint8_t>(command[4]));
        if (command[0] == 2) editor.read(word);  // a track request: its name follows
        if (command[0] == 3) lastRow = word;
        if (command[0] == 3 && !titled) titled = test::sendKey("Probe Show", "shift");
    }
    EXPECT_EQ(player.wait(std::chrono::seconds(60)), 0);
    EXPECT_TRUE(titled) << "no window titled 'Probe Show'";
    EXPECT_TRUE(lastRow >= 195 && lastRow <= 215) << lastRow;
}

TEST(ShowFile, EachBadShowFileIsToldInOneLine) {
    const struct {
        const char* show;
        int status;
        const char* line;  // in the log, and for a warning on stderr too
    } cases[] = {
        {"Tempo = 128;\n", 0, "res/show.txt: unknown key 'Tempo' is ignored"},
        {"BeatsPerMinute = 0;\n", 1, "res/show.txt: BeatsPerMinute = '0' is not a number from 20 to 400"},
        {"BeatsPerMinute = -5;\n", 1, "BeatsPerMinute = '-5' is not a number from 20 to 400"},
        {"BeatsPerMinute = abc;\n", 1, "BeatsPerMinute = 'abc' is not a number from 20 to 400"},
        {"BeatsPerMinute = 1e9;\n", 1, "BeatsPerMinute = '1e9' is not a number from 20 to 400"},
        {"RowsPerBeat = 0;\n", 1, "res/show.txt: RowsPerBeat = '0' is not a whole number from 1 to 64"},
        {"RowsPerBeat = 2.5;\n", 1, "RowsPerBeat = '2.5' is not a whole number from 1 to 64"},
        {"Soundtrack = res/audio/none.mp3;\n", 1, "The soundtrack res/audio/none.mp3 cannot be opened"},
        {"Soundtrack = Config.txt;\n", 1, "The soundtrack Config.txt is not an MP3 file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.show);
        test::TempDir dir;
        test::copyFixtureShow(dir, kConfig);
        test::writeFile(dir.file("res/show.txt"), c.show);
        const PlayerRun run = play(dir, "--capture f --to 0.2 --fps 10");
        EXPECT_EQ(run.status, c.status);
        const auto lines = test::readLines(dir.file("Log.txt"));
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.find(c.line) != std::string::npos; }), 1);
        const bool windowed = std::find(lines.begin(), lines.end(), "Initialized window") != lines.end();
        EXPECT_EQ(windowed, c.status == 0);
        if (c.status == 0) {
            EXPECT_EQ(std::count_if(run.said.begin(), run.said.end(),
                                    [&](const std::string& l) { return l.find(c.line) != std::string::npos; }), 1);
        }
    }
}
