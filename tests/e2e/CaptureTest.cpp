// The player's offline capture: exact frames of a range, from the scene a run from
// 0 reaches and the same with or without an X server, video through ffmpeg, and bad
// input refused before any window with one line on stderr.
#include "app/CaptureRun.h"

#include "PlayerRun.h"

namespace fs = std::filesystem;
using e2e::play;

static const std::string kConfig = test::standardConfig(320, 240, 4, true);

// A cube moved only by the fixed steps, at the speed a track gives at the time of
// each step: 4 units per second until row 21 (0.74 s), then none. A range from
// 1.5 s, captured without an X server, starts from the scene the whole run reaches
// and holds the same bytes.
TEST(Capture, ARangeStartsFromTheSceneTheFixedStepsReachWithTheSameBytesWithoutAnXServer) {
    test::TempDir dir;
    test::copyShow(dir, kConfig, true);
    test::writeTrack(dir.file("res/sync"), "Cube.Speed", {{0, 4.0f, Step}, {21, 0.0f, Step}});
    e2e::writeCubeScene(dir, "travelled = travelled + step * sync.getFloat('Cube.Speed')", "travelled - 1.5");
    ASSERT_EQ(play(dir, "--capture whole --from 0 --to 1.55 --fps 20 --size 320x180").status, 0);
    ASSERT_EQ(play(dir, "--capture part --from 1.5 --to 1.55 --fps 20 --size 320x180",
                   "env -u DISPLAY SDL_VIDEODRIVER=offscreen").status, 0);
    const auto names = test::fileNames(dir.file("whole"));
    EXPECT_TRUE(names.size() == 31u && names.front() == "frame_000000.png" && names.back() == "frame_000030.png");
    int w = 0, h = 0;
    EXPECT_GT(test::pngColours(dir.file("part/frame_000000.png"), &w, &h).yellow, 50);
    EXPECT_TRUE(w == 320 && h == 180) << w << "x" << h;
    EXPECT_TRUE(test::readFile(dir.file("whole/frame_000030.png")) == test::readFile(dir.file("part/frame_000000.png")));
}

TEST(Capture, BadInputEndsBeforeAnyWindowWithOneLine) {
    const struct {
        std::string arguments;
        int status;
        const char* mentions;
    } cases[] = {
        // Which words are refused is the command line's unit test; here, what the player does then.
        {"--capture out --fps 0", 2, "--fps"},
        {"--capture Config.txt/out", 1, "cannot write into 'Config.txt/out'"},
        {"--capture out --video show.mp4", 1, "ffmpeg"},  // on an empty PATH
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        test::TempDir dir;
        test::copyShow(dir, kConfig, true);
        const e2e::Run run = play(dir, c.arguments, c.mentions == std::string("ffmpeg") ? "PATH=" : "");
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.saysOnly(c.mentions));
        EXPECT_FALSE(fs::exists(dir.file("Log.txt")) || fs::exists(dir.file("out")));
    }
}

TEST(Capture, AnEndPastTheSoundtrackIsClampedAndAStartPastItRefused) {
    test::TempDir dir;
    test::copyShow(dir, kConfig, true);
    const double length = soundtrackSeconds(dir.file("res/audio/melody2.mp3"));
    ASSERT_GT(length, 1.0);
    const e2e::Run run = play(dir, "--capture out --from " + std::to_string(length - 0.5) + " --to 100 --fps 10 --size 64x36");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(static_cast<long>(test::fileNames(dir.file("out")).size()), captureFrameCount(length - 0.5, length, 10));
    ASSERT_EQ(run.said.size(), 2u);  // and the progress line
    EXPECT_NE(run.said[0].find("--to 100.000000 is past the end of the soundtrack"), std::string::npos);
    const e2e::Run late = play(dir, "--capture late --from 100 --size 64x36");
    EXPECT_TRUE(late.status == 1 && late.saysOnly("--from 100.000000 is past the end")) << late.status;
}

// The frame writer's own refusals are unit-tested; here the player stops at the
// first failed write, and every frame it left is a whole picture.
TEST(Capture, AFullDiskEndsWithALineAndStatusOneKeepingTheFramesWritten) {
    if (std::system("unshare -m true >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs a mount namespace (root)";
    test::TempDir dir;
    test::copyShow(dir, kConfig);
    // A small file system for the frames, private to the player's namespace and
    // gone with it: what it held is copied out first.
    const e2e::Run run = play(dir, "--capture frames --from 30 --to 40 --fps 30 --size 320x180",
                              "mkdir frames kept && unshare -m sh -c 'mount -t tmpfs -o size=256k tmpfs frames && \"$0\" \"$@\"; "
                              "echo $? > status; cp frames/* kept/' ");
    ASSERT_EQ(run.status, 0) << "the wrapper's own status";
    EXPECT_EQ(test::readFile(dir.file("status")), "1\n");
    EXPECT_TRUE(run.saysOnly("No space left on device"));
    const auto kept = test::fileNames(dir.file("kept"));
    ASSERT_FALSE(kept.empty());
    EXPECT_LT(kept.size(), 300u);
    for (const std::string& name : kept) EXPECT_GT(test::pngColours(dir.file("kept/" + name)).lit, 0) << name;
}

// Ended from outside: a signal mid-capture or during start-up, a terminal that
// hangs up, a start-up that fails. Each ends with its status and one line on
// stderr; a capture keeps its frames whole, and its video (H.264 and AAC, at the
// rate and size) ends with them.
TEST(Capture, SignalsAndStartupFailuresEndWithTheirStatusAndOneLine) {
    // The player under a shell that sends `signal` once `ready` holds, then notes the player's status.
    auto signalWhen = [](const std::string& ready, const std::string& signal) {
        const std::string wait = "i=0; until " + ready + " || [ $i -gt 900 ]; do sleep 0.1; i=$((i+1)); done; ";
        return "sh -c '\"$0\" \"$@\" & p=$!; " + (signal.empty() ? "" : wait + "kill -" + signal + " $p; ") +
               "wait $p; echo $? > status' ";
    };
    const std::string framesSeen = "[ -e frames/frame_000003.png ]";
    const std::string capture = "--capture frames --from 0 --to 60 --fps 30 --size 160x90";
    const struct {
        std::string ready, signal, arguments;
        const char* directory;  // made a directory in place of the file
        int status;
        std::string words;
    } cases[] = {
        {framesSeen, "INT", capture, nullptr, 130, "capture stopped by SIGINT after "},
        {framesSeen, "TERM", capture + " --video show.mp4", nullptr, 143, "capture stopped by SIGTERM after "},
        {"grep -q \"Initializing Engine\" Log.txt 2>/dev/null", "TERM", capture, nullptr, 143,
         "capture stopped by SIGTERM after 0 of 1800 frames"},
        {"", "", capture, "Log.txt", 1, "Failed to open log file for writing! File: Log.txt (is a directory)"},
        {"", "", capture, "res/scripts/scene.lua", 1, "it is a directory - Failed to initialize scene!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        test::TempDir dir;
        test::copyShow(dir, kConfig);
        if (c.directory) fs::remove(dir.file(c.directory)), fs::create_directory(dir.file(c.directory));
        const e2e::Run run = play(dir, c.arguments, signalWhen(c.ready, c.signal));
        EXPECT_EQ(test::readFile(dir.file("status")), std::to_string(c.status) + "\n");
        ASSERT_EQ(run.said.size(), 1u);
        EXPECT_NE(run.said[0].find(c.words), std::string::npos) << run.said[0];
        if (c.words.back() != ' ') continue;
        // Mid-capture: every frame the line counts is on disk, whole.
        const auto frames = test::fileNames(dir.file("frames"));
        EXPECT_NE(run.said[0].find("after " + std::to_string(frames.size()) + " of 1800 frames"), std::string::npos);
        int w = 0, h = 0;  // the show starts black: the last frame is checked for being whole
        test::pngColours(dir.file("frames/" + frames.back()), &w, &h);
        EXPECT_TRUE(w == 160 && h == 90);
        if (c.arguments.find("--video") == std::string::npos) continue;
        ASSERT_EQ(std::system(("cd '" + dir.path() + "' && ffprobe -v error -show_entries stream=codec_name,codec_type," +
                               "width,height,pix_fmt,r_frame_rate,duration -of csv=p=0 show.mp4 > probe.txt").c_str()), 0);
        const auto streams = test::readLines(dir.file("probe.txt"));
        ASSERT_EQ(streams.size(), 2u);
        EXPECT_EQ(streams[0].rfind("h264,video,160,90,yuv420p,30/1,", 0), 0u) << streams[0];
        EXPECT_EQ(streams[1].rfind("aac,audio,0/0,", 0), 0u) << streams[1];
        const double video = std::stod(streams[0].substr(31)), audio = std::stod(streams[1].substr(14));
        EXPECT_NEAR(video, frames.size() / 30.0, 1.5 / 30.0);
        EXPECT_NEAR(audio, video, 0.1);
    }
    // Playing, a hang-up ends the show as the window would: the log ends with the shutdown.
    test::TempDir dir;
    test::copyShow(dir, kConfig);
    play(dir, "", signalWhen("grep -q \"Starting playback!\" Log.txt", "HUP"));
    EXPECT_EQ(test::readFile(dir.file("status")), "0\n");
    EXPECT_EQ(test::readLines(dir.file("Log.txt")).back(), "Successfully shut down SDL");
}
