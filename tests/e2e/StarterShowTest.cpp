// solvane --new from the built binary in a folder outside the source tree: the
// show it writes plays at once (lit frames, nothing failing to load), at the tempo
// asked for, and a folder already in use is left alone.
#include "app/CaptureRun.h"

#include "PlayerRun.h"

namespace {
bool anyLineWith(const std::vector<std::string>& lines, const std::string& words) {
    return e2e::linesWith(lines, words) > 0;
}
} // namespace

TEST(StarterShow, ANewShowOutsideTheSourceTreeRendersLitFramesWithEverythingItLoads) {
    test::TempDir dir;
    ASSERT_EQ(dir.path().rfind(SOLVANE_SOURCE_DIR, 0), std::string::npos);
    ASSERT_EQ(e2e::play(dir, "--new show").status, 0);
    const std::string folder = dir.file("show");
    const int status = std::system(("cd '" + folder + "' && '" SOLVANE_BINARY
                                    "' --capture f --to 4 --fps 10 --size 160x90 > /dev/null 2>&1").c_str());
    ASSERT_EQ(status, 0);
    EXPECT_EQ(test::fileNames(folder + "/f").size(), 40u);
    // In from black over the first beat (0.5 s), then the sky, the sea and the objects.
    EXPECT_LT(test::pngColours(folder + "/f/frame_000000.png").brightness, 5.0);
    for (const char* frame : {"frame_000010.png", "frame_000025.png", "frame_000039.png"}) {
        const test::Colours c = test::pngColours(folder + "/f/" + frame);
        EXPECT_GT(c.brightness, 25.0) << frame;
        EXPECT_GT(c.lit, 160 * 90 * 3 / 4) << frame;
        EXPECT_GT(c.yellow, 20) << frame << ": the cubes";
        EXPECT_EQ(c.magenta, 0) << frame << ": a program that did not build";
    }
    const auto log = e2e::playerLog(folder + "/Log.txt");
    EXPECT_TRUE(anyLineWith(log, "Show: show, 120 beats per minute, 8 rows per beat, soundtrack res/audio/clicks.mp3"));
    EXPECT_FALSE(anyLineWith(log, "Failed") || anyLineWith(log, "rror")) << "something the show needs was not copied";
}

TEST(StarterShow, TheTempoAskedForSetsTheShowAndItsClickTrack) {
    test::TempDir dir;
    const e2e::Run run = e2e::play(dir, "--new slow --bpm 90");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(test::readFile(dir.file("slow/res/show.txt")).find("\nBeatsPerMinute = 90;\n"), std::string::npos);
    // Eight bars at 90 beats per minute: 21.33 s, to within a frame of the file.
    EXPECT_NEAR(soundtrackSeconds(dir.file("slow/res/audio/clicks.mp3")), 32 * 60.0 / 90, 0.009);
    // A key written at 4 beats lands on row 32 at 8 rows a beat.
    std::vector<SyncKey> keys;
    std::string error;
    const std::string bytes = test::readFile(dir.file("slow/res/sync/_Diamond.Height.track"));
    ASSERT_TRUE(decodeTrack(std::vector<uint8_t>(bytes.begin(), bytes.end()), keys, error)) << error;
    EXPECT_TRUE(keys.size() == 2 && keys[1].row == 32) << keys.size();
}

TEST(StarterShow, AFolderInUseIsRefusedWithOneLineAndLeftAsItWas) {
    test::TempDir dir;
    test::writeFile(dir.file("taken/notes.txt"), "mine");
    const e2e::Run run = e2e::play(dir, "--new taken");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.saysOnly("'taken' is not empty"));
    EXPECT_EQ(test::fileNames(dir.file("taken")), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(test::readFile(dir.file("taken/notes.txt")), "mine");
}
