// The player's command line and the GL-free parts of a capture: frame
// schedule, pixel layout, progress text and PNG files that are whole or absent.
#include "app/CommandLine.h"
#include "capture/FrameWriter.h"

#include "TestSupport.h"

#include <libdeflate.h>
#include <stb/stb_image.h>

#include <random>

namespace {
bool parse(std::vector<const char*> words, LaunchOptions& options, std::string& error) {
    words.insert(words.begin(), "solvane");
    return parseCommandLine(static_cast<int>(words.size()), words.data(), options, error);
}
} // namespace

TEST(CommandLine, ReadsEveryOptionLeavesDefaultsForTheRestAndRefusesBadOnesWithALineNamingThem) {
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
    LaunchOptions compo;  // and a value joined with '='
    ASSERT_TRUE(parse({"--capture", "out", "--video=a.mp4", "--video-quality", "compo"}, compo, error)) << error;
    EXPECT_TRUE(compo.capture.compoVideo && compo.capture.video == "a.mp4");
    for (auto [word, mode] : {std::make_pair("--fullscreen", 1), std::make_pair("--fullscreen=desktop", 2)})
        EXPECT_TRUE(parse({word, "--start", "3"}, o = LaunchOptions(), error) && o.fullscreen == mode) << word << error;

    LaunchOptions live;
    ASSERT_TRUE(parse({"--loop", "10:12.5", "--size", "800x600", "--windowed"}, live, error)) << error;
    EXPECT_TRUE(live.loopFrom == 10.0 && live.loopTo == 12.5 && live.width == 800 && live.height == 600 &&
                live.fullscreen == 0 && !live.capture.enabled());

    const std::pair<std::vector<const char*>, const char*> cases[] = {  // the words and what the error mentions
        {{"--capture", "o", "--fps", "1001"}, "--fps"}, {{"--capture", "o", "--from", "20", "--to", "10"}, "--to"},
        {{"--capture", "o", "--from", "-1"}, "--from"}, {{"--capture", "o", "--to", "nan"}, "--to"},
        {{"--capture", "o", "--size", "99999x99999"}, "16384"}, {{"--capture", "o", "--size", "640"}, "--size"},
        {{"--capture", "o", "--video", "show.avi"}, ".mp4"}, {{"--capture"}, "--capture needs"},
        {{"--capture", ""}, "--capture"}, {{"--fps", "30"}, "only works with --capture"},
        {{"--capture", "o", "--capture", "p"}, "twice"}, {{"capture"}, "unknown argument 'capture'"},
        {{"--capture", "o", "--video", "a.mp4", "--video-quality", "best"}, "'best'"},
        {{"--capture", "o", "--video-quality", "compo"}, "only works with --video"},
        {{"--fullscreen", "wide"}, "'wide'"}, {{"--windowed=yes"}, "--windowed takes no value"},
        {{"--loop", "12:10"}, "--loop needs FROM:TO"}, {{"--start", "4", "--loop", "1:2"}, "does not go with"},
        {{"--new", "s", "--bpm", "abc"}, "--bpm needs"}, {{"--new", "s", "--bpm", "19"}, "from 20 to 400"},
        {{"--bpm", "90"}, "only works with --new"}, {{"--new", "s", "--capture", "f"}, "does not go with --new"},
        {{"--new", "s", "--soundtrack", "a.wav"}, ".mp3"},
    };
    for (const auto& [words, mentions] : cases) {
        EXPECT_FALSE(parse(words, o = LaunchOptions(), error)) << mentions;
        EXPECT_NE(error.find(mentions), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(Capture, FramesCoverTheRangePreRollMeetsAFullRunProgressIsToldPixelsFlipAndPngsAreWholeOrAbsent) {
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
    // GL rows come bottom first: red, green below; blue, white on top.
    const uint8_t rgba[] = {255, 0, 0, 9, 0, 255, 0, 9, 0, 0, 255, 9, 255, 255, 255, 9};
    uint8_t rgb[12] = {};
    flipRgbaToRgb(rgba, 2, 2, rgb);
    const std::vector<uint8_t> expected = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12), expected);

    // Whole PNGs under their frame names, and one that breaks off part way (a full disk), are the e2e tests'.
    test::TempDir dir;
    std::string error;
    const std::string missing = dir.file("gone/frame_000000.png");
    PngEncoder encoder;
    EXPECT_FALSE(writePngFile(encoder, missing, rgb, 2, 2, error));
    EXPECT_NE(error.find("cannot write " + missing), std::string::npos) << error;
}

TEST(Capture, PngFilesDecodeToTheExactPixelsAndEveryChunkChecksOut) {
    // Noise, so every byte's prediction from its neighbours matters; odd sizes, and a
    // second frame of another size through the same encoder.
    test::TempDir dir;
    PngEncoder encoder;
    std::mt19937 random(7);
    for (auto [width, height] : {std::make_pair(37, 23), std::make_pair(1, 5)}) {
        std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
        for (uint8_t& byte : rgb) byte = static_cast<uint8_t>(random());
        const std::string path = dir.file("frame.png");
        std::string error;
        ASSERT_TRUE(writePngFile(encoder, path, rgb.data(), width, height, error)) << error;

        const std::string png = test::readFile(path);
        int w = 0, h = 0, channels = 0;
        uint8_t* decoded = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                                                 static_cast<int>(png.size()), &w, &h, &channels, 3);
        ASSERT_NE(decoded, nullptr) << stbi_failure_reason();
        EXPECT_TRUE(w == width && h == height && std::equal(rgb.begin(), rgb.end(), decoded)) << width;
        stbi_image_free(decoded);

        // stb_image skips the CRCs; a strict reader refuses the file when one is wrong.
        std::vector<std::string> chunks;
        for (size_t at = 8; at + 12 <= png.size();) {
            const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(png[i])); };
            const uint32_t size = byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
            ASSERT_LE(at + 12 + size, png.size());
            const size_t crcAt = at + 8 + size;
            const uint32_t crc = byte(crcAt) << 24 | byte(crcAt + 1) << 16 | byte(crcAt + 2) << 8 | byte(crcAt + 3);
            chunks.push_back(png.substr(at + 4, 4));
            EXPECT_EQ(crc, libdeflate_crc32(0, png.data() + at + 4, 4 + size)) << chunks.back();
            at = crcAt + 4;
        }
        EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    }
}
