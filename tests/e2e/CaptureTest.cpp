// The player's offline capture: exact frames of a range, from the scene a run from
// 0 reaches and the same with or without an X server, video through ffmpeg, and bad
// input refused before any window with one line on stderr.
#include "app/CaptureRun.h"

#include "PlayerRun.h"

namespace fs = std::filesystem;
using e2e::play;

static const std::string kConfig = test::standardConfig(320, 240, 4, true);

// A cube moved only by the fixed steps, at the speed a track gives at the time of
// each step: 4 units per second until row 21 (0.74 s), then none.
static void copyMovingCubeShow(const test::TempDir& dir) {
    test::copyShow(dir, kConfig, true);
    test::writeTrack(dir.file("res/sync"), "Cube.Speed", {{0, 4.0f, Step}, {21, 0.0f, Step}});
    e2e::writeCubeScene(dir, "travelled = travelled + step * sync.getFloat('Cube.Speed')", "travelled - 1.5");
}

// The moving cube: a range from 1.5 s, captured without an X server, starts from
// the scene the whole run reaches and holds the same bytes.
TEST(Capture, ARangeStartsFromTheSceneTheFixedStepsReachWithTheSameBytesWithoutAnXServer) {
    test::TempDir dir;
    copyMovingCubeShow(dir);
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

// A show on read-only media (a read-only bind mount: root writes through a mode
// bit) keeps its own files in the user's state folder, else in a temporary one,
// else nowhere with the log on stderr; stderr says which, and the show plays.
TEST(Capture, AReadOnlyWorkingFolderPutsTheLogWhereOneStderrLineSays) {
    if (std::system("unshare -m true >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs a mount namespace (root)";
    test::TempDir dir;
    test::TempDir out;
    test::copyShow(dir, kConfig, true);
    const std::string name = fs::path(dir.path()).filename().string();
    fs::create_directories(out.file("tmp"));
    const struct {
        std::string environment;
        std::string says;
        bool inFile;
    } cases[] = {
        {"XDG_STATE_HOME=" + out.file("state"), "the log is " + out.file("state/solvane/" + name + "/Log.txt"),
         true},
        {"XDG_STATE_HOME=/proc/none TMPDIR=" + out.file("tmp"), "the log is " + out.file("tmp/solvane-" + name + "-"),
         true},
        {"XDG_STATE_HOME=/proc/none TMPDIR=/proc", "no folder can be written; the log goes to stderr only", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.environment);
        const std::string frames = out.file("frames" + std::to_string(&c - cases));
        const e2e::Run run = play(dir, "--capture " + frames + " --from 1 --to 1.1 --fps 10 --size 160x90",
                              "unshare -m sh -c 'mount -o bind,ro . . && cd \"$PWD\" && \"$0\" \"$@\"' env -u DISPLAY "
                              "SDL_VIDEODRIVER=offscreen HOME=/proc/none " + c.environment);
        EXPECT_EQ(run.status, 0);
        ASSERT_FALSE(run.said.empty());
        EXPECT_NE(run.said[0].find(c.says), std::string::npos) << run.said[0];
        EXPECT_GT(test::pngColours(frames + "/frame_000000.png").lit, 0);
        EXPECT_FALSE(fs::exists(dir.file("Log.txt")) || fs::exists(dir.file("fftw_wisdom.txt")));
        const std::string& said = run.said[0];
        const auto log = test::readLines(c.inFile ? said.substr(said.find("the log is ") + 11) : dir.file("stderr.txt"));
        EXPECT_NE(std::find(log.begin(), log.end(), "Initializing Engine"), log.end());
    }
}

// Party rules at 320x180: the 1080p floor of 8 Mbit/s scales to 222 kbit/s.
TEST(Capture, ACompoVideoIsHighProfileAtALevelAFloorRateAndLcStereoWithItsIndexFirst) {
    test::TempDir dir;
    test::copyShow(dir, kConfig);
    ASSERT_EQ(play(dir, "--capture frames --video show.mp4 --video-quality compo --from 10 --to 14 --fps 30 "
                        "--size 320x180").status, 0);
    const std::string probe = "cd '" + dir.path() + "' && ffprobe -v error -show_entries " +
                              "stream=codec_name,profile,level,pix_fmt,channels,bit_rate -of csv=p=0 show.mp4 > probe.txt";
    ASSERT_EQ(std::system(probe.c_str()), 0);
    const auto lines = test::readLines(dir.file("probe.txt"));
    ASSERT_EQ(lines.size(), 2u);
    char profile[16] = {}, format[16] = {};
    int level = 0, channels = 0;
    long videoRate = 0, audioRate = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "h264,%15[^,],%15[^,],%d,%ld", profile, format, &level, &videoRate), 4)
        << lines[0];
    EXPECT_TRUE(std::string(profile) == "High" || std::string(profile) == "Main") << profile;
    EXPECT_EQ(std::string(format), "yuv420p");
    EXPECT_LE(level, 41);
    EXPECT_GE(videoRate, 8000000L * 320 * 180 / (1920 * 1080));
    ASSERT_EQ(std::sscanf(lines[1].c_str(), "aac,LC,%d,%ld", &channels, &audioRate), 2) << lines[1];
    EXPECT_EQ(channels, 2);
    EXPECT_NEAR(audioRate, 192000, 192000 * 0.05);
    const std::string bytes = test::readFile(dir.file("show.mp4"));
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));  // a player can start before the whole file arrives
}

// The split joins the parts' frames in order and their videos without a gap:
// each part pre-rolls from 0, so its frames are the one-part run's bytes.
TEST(Capture, ASplitRunGivesTheOnePartRunsFramesAndOneVideoOfTheRange) {
    test::TempDir dir;
    copyMovingCubeShow(dir);
    const std::string range = " --from 0.2 --to 1.2 --fps 20 --size 160x90";
    ASSERT_EQ(play(dir, "--capture one" + range).status, 0);
    const std::string split = "cd '" + dir.path() + "' && env -u DISPLAY SDL_VIDEODRIVER=offscreen bash '" +
                              SOLVANE_SOURCE_DIR "/scripts/capture-split.sh' --parts 3 --player '" + SOLVANE_BINARY +
                              "' -- --capture split --video split.mp4" + range + " > split.txt 2>&1";
    ASSERT_EQ(std::system(split.c_str()), 0) << test::readFile(dir.file("split.txt"));
    const auto names = test::fileNames(dir.file("one"));
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(test::fileNames(dir.file("split")), names);
    for (const std::string& name : names)
        EXPECT_TRUE(test::readFile(dir.file("one/" + name)) == test::readFile(dir.file("split/" + name))) << name;
    const std::string probe = "cd '" + dir.path() + "' && ffprobe -v error -show_entries format=duration " +
                              "-show_entries stream=nb_frames -of csv=p=0 split.mp4 > probe.txt";
    ASSERT_EQ(std::system(probe.c_str()), 0);
    const auto lines = test::readLines(dir.file("probe.txt"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "20");  // video frames; then the audio's packets and the file's duration
    EXPECT_NEAR(std::stod(lines[2]), 1.0, 0.05);
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
