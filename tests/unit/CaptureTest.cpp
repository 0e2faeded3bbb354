// The player's command line and the GL-free parts of a capture: frame
// schedule, pixel layout, progress text and PNG files that are whole or absent.
#include "app/CommandLine.h"
#include "capture/FrameWriter.h"

#include "TestSupport.h"

#include <stb/stb_image.h>

namespace {
bool parse(std::vector<const char*> words, LaunchOptions& options, std::string& error) {
    words.insert(words.begin(), "solvane");
    return parseCommandLine(static_cast<int>(words.size()), words.data(), options, error);
}
} // namespace

TEST(CommandLine, ReadsEveryCaptureOptionAndLeavesDefaultsForTheRest) {
    LaunchOptions none;
    std::string error;
    ASSERT_TRUE(parse({}, none, error));
    EXPECT_FALSE(none.capture.enabled());

    LaunchOptions o;
    ASSERT_TRUE(parse({"--size", "640x360", "--capture", "out", "--to", "32", "--from", "30.5", "--video", "a.mp4"}, o,
                      error)) << error;
    const CaptureSettings& c = o.capture;
    EXPECT_TRUE(c.directory == "out" && c.fps == 60 && c.from == 30.5 && c.to == 32.0 && c.width == 640 &&
                c.height == 360 && c.video == "a.mp4" && !c.compoVideo);
    LaunchOptions compo;
    ASSERT_TRUE(parse({"--capture", "out", "--video", "a.mp4", "--video-quality", "compo"}, compo, error)) << error;
    EXPECT_TRUE(compo.capture.compoVideo);
}

TEST(CommandLine, RefusesBadArgumentsWithALineNamingTheOption) {
    const std::pair<std::vector<const char*>, const char*> cases[] = {  // the words and what the error mentions
        {{"--capture", "o", "--fps", "abc"}, "'abc'"},
        {{"--capture", "o", "--fps", "1001"}, "--fps"},
        {{"--capture", "o", "--from", "20", "--to", "10"}, "--to"},
        {{"--capture", "o", "--from", "-1"}, "--from"},
        {{"--capture", "o", "--to", "nan"}, "--to"},
        {{"--capture", "o", "--size", "99999x99999"}, "16384"},
        {{"--capture", "o", "--size", "640"}, "--size"},
        {{"--capture", "o", "--video", "show.avi"}, ".mp4"},
        {{"--capture", "o", "--video", "a.mp4", "--video-quality", "best"}, "'best'"},
        {{"--capture", "o", "--video-quality", "compo"}, "only works with --video"},
        {{"--capture"}, "--capture needs"},
        {{"--capture", ""}, "--capture"},
        {{"--fps", "30"}, "only works with --capture"},
        {{"--capture", "o", "--capture", "p"}, "twice"},
        {{"capture"}, "unknown argument 'capture'"},
    };
    for (const auto& [words, mentions] : cases) {
        LaunchOptions o;
        std::string error;
        EXPECT_FALSE(parse(words, o, error)) << mentions;
        EXPECT_NE(error.find(mentions), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(CaptureSchedule, FramesCoverTheRangeThePreRollMeetsAFullRunsPositionsAndProgressIsTold) {
    EXPECT_EQ(captureFrameCount(30.0, 32.0, 30), 60);
    EXPECT_EQ(captureFrameCount(0.1, 0.4, 10), 3);  // 3.0000000000000004 in doubles
    EXPECT_EQ(captureFrameCount(0.0, 1.01, 10), 11);
    EXPECT_EQ(captureFrameCount(2.0, 2.0, 10), 0);
    EXPECT_EQ(captureFrameTime(36.25, 30, 3), 36.35f);
    // A capture from `from` passes the positions a capture from 0 passes, up to its first frame.
    for (auto [from, fps] : {std::make_pair(1.0, 30), std::make_pair(40.0, 60), std::make_pair(0.25, 30),
                             std::make_pair(0.1, 30)}) {
        const long n = capturePreRollCount(from, fps);
        for (long k = 1; k <= n; ++k) ASSERT_EQ(capturePreRollTime(fps, k), captureFrameTime(0.0, fps, k));
        EXPECT_LT(static_cast<double>(n) / fps, from - 1e-9);
        EXPECT_GE(static_cast<double>(n + 1) / fps, from - 1e-9) << from << " at " << fps;
    }
    EXPECT_EQ(capturePreRollCount(0.0, 60), 0);
    EXPECT_NE(captureProgressLine(150, 600, 10.0).find("frame 150/600  25% 15.0 fps 0:30 left"), std::string::npos)
        << captureProgressLine(150, 600, 10.0);
    EXPECT_NE(captureProgressLine(0, 600, 0.0).find("-:-- left"), std::string::npos);
}

TEST(CaptureFiles, PixelsAreFlippedTopDownAndAPngIsWholeOrAbsent) {
    // GL rows come bottom first: red, green below; blue, white on top.
    const uint8_t rgba[] = {255, 0, 0, 9, 0, 255, 0, 9, 0, 0, 255, 9, 255, 255, 255, 9};
    uint8_t rgb[12] = {};
    flipRgbaToRgb(rgba, 2, 2, rgb);
    const std::vector<uint8_t> expected = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12), expected);

    test::TempDir dir;
    std::string error;
    const std::string path = captureFramePath(dir.path(), 7);
    EXPECT_EQ(path, dir.file("frame_000007.png"));
    ASSERT_TRUE(writePngFile(path, rgb, 2, 2, error)) << error;
    int w = 0, h = 0, n = 0;
    unsigned char* back = stbi_load(path.c_str(), &w, &h, &n, 3);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 12), expected);
    stbi_image_free(back);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // A write that breaks off part way (a full disk) is the e2e test's.
    const std::string missing = dir.file("gone/frame_000000.png");
    EXPECT_FALSE(writePngFile(missing, rgb, 2, 2, error));
    EXPECT_NE(error.find("cannot write " + missing), std::string::npos) << error;
}
