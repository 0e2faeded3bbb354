// The playback layer on the machine's output (SDL's dummy driver where there is
// no sound card): decoded lengths, positions and seeks, the end of a stream,
// error codes, and the fallback to the silent driver.
#include "audio/AudioPlayback.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

const std::string kAudio = std::string(SOLVANE_FIXTURES_DIR) + "/audio/";

double seconds(playback::Handle h, uint64_t bytes) { return playback::channelBytes2Seconds(h, bytes); }
double positionOf(playback::Handle h) { return seconds(h, playback::channelGetPosition(h, playback::kPosByte)); }

double wallNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

class Playback : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(playback::init(playback::kDefaultDevice, 44100, 0)); }
    void TearDown() override { playback::free(); }

    playback::Handle open(const std::string& path) {
        return playback::streamCreateFile(false, path.c_str(), 0, 0, playback::kStreamPrescan);
    }
};

} // namespace

// Each fixture holds a tone of exactly one second.
class PlaybackLength : public Playback, public ::testing::WithParamInterface<const char*> {};

TEST_P(PlaybackLength, IsTheTrueLengthWithinOneSample) {
    playback::Handle h = open(kAudio + GetParam());
    ASSERT_NE(h, 0u) << "error " << playback::errorGetCode();
    const uint64_t bytes = playback::channelGetLength(h, playback::kPosByte);
    EXPECT_EQ(bytes % playback::kBytesPerFrame, 0u);
    EXPECT_NEAR(static_cast<double>(bytes / playback::kBytesPerFrame), 44100.0, 1.0);
    EXPECT_NEAR(seconds(h, bytes), 1.0, 1.5 / 44100.0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PlaybackLength,
                         ::testing::Values("cbr_44100.mp3", "vbr_44100.mp3", "cbr_48000.mp3", "vbr_48000_mono.mp3",
                                           "cbr_22050_id3.mp3", "vbr_22050_id3v1.mp3"));

TEST_F(Playback, BytesAndSecondsConvertExactlyOnSampleBoundaries) {
    playback::Handle h = open(kAudio + "cbr_44100.mp3");
    ASSERT_NE(h, 0u);
    for (uint64_t frame : {0ull, 1ull, 441ull, 22050ull, 44099ull}) {
        const uint64_t bytes = frame * playback::kBytesPerFrame;
        EXPECT_EQ(playback::channelSeconds2Bytes(h, seconds(h, bytes)), bytes);
        // The engine keeps seconds as 32-bit floats: they still land on the sample.
        EXPECT_EQ(playback::channelSeconds2Bytes(h, static_cast<float>(seconds(h, bytes))), bytes);
    }
}

TEST_F(Playback, PositionIsZeroBeforePlayAndSeeksLandWhereAsked) {
    playback::Handle h = open(kAudio + "clicks_20s.mp3");
    ASSERT_NE(h, 0u);
    EXPECT_EQ(playback::channelIsActive(h), playback::kActiveStopped);
    EXPECT_EQ(positionOf(h), 0.0);

    ASSERT_TRUE(playback::channelSetPosition(h, playback::channelSeconds2Bytes(h, 2.5), playback::kPosByte));
    EXPECT_NEAR(positionOf(h), 2.5, 0.001);

    ASSERT_TRUE(playback::channelPlay(h, false));
    const double before = wallNow();
    ASSERT_TRUE(playback::channelSetPosition(h, playback::channelSeconds2Bytes(h, 7.25), playback::kPosByte));
    const double pos = positionOf(h);
    const double elapsed = wallNow() - before;
    EXPECT_GE(pos, 7.25 - 0.001);
    EXPECT_LE(pos, 7.25 + elapsed + 0.001);
}

TEST_F(Playback, PositionNeverGoesBackWhilePlayingAndPauseHoldsIt) {
    playback::Handle h = open(kAudio + "clicks_20s.mp3");
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(playback::channelPlay(h, false));
    double previous = 0.0;
    ASSERT_TRUE(test::waitFor([&] {
        const double p = positionOf(h);
        EXPECT_GE(p, previous);
        previous = p;
        return p > 0.3;
    }));
    ASSERT_TRUE(playback::channelPause(h));
    EXPECT_EQ(playback::channelIsActive(h), playback::kActivePaused);
    const double held = positionOf(h);
    SDL_Delay(50);
    EXPECT_EQ(positionOf(h), held);
    EXPECT_FALSE(playback::channelPause(h));
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorNotPlaying);
    ASSERT_TRUE(playback::channelPlay(h, false));  // resumes from where it was held
    EXPECT_GE(positionOf(h), held);
    EXPECT_LT(positionOf(h), held + 0.5);
}

TEST_F(Playback, ATruncatedFilePlaysWhatDecodes) {
    test::TempDir dir;
    test::writeFile(dir.file("cut.mp3"), test::readFile(kAudio + "cbr_44100.mp3").substr(0, 3000));
    playback::Handle h = open(dir.file("cut.mp3"));
    ASSERT_NE(h, 0u) << "error " << playback::errorGetCode();
    const double length = seconds(h, playback::channelGetLength(h, playback::kPosByte));
    EXPECT_GT(length, 0.2);
    EXPECT_LT(length, 0.5);
    ASSERT_TRUE(playback::channelPlay(h, false));
    EXPECT_TRUE(test::waitFor([&] { return playback::channelIsActive(h) == playback::kActiveStopped; }));
}

TEST_F(Playback, FilesThatAreNotMpegAudioAreRefused) {
    test::TempDir dir;
    // A 1x1 PNG, whole and valid.
    const unsigned char png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                                 0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
                                 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78,
                                 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D, 0xB4, 0x00,
                                 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    test::writeFile(dir.file("image.mp3"), std::string(reinterpret_cast<const char*>(png), sizeof(png)));
    test::writeFile(dir.file("empty.mp3"), "");
    std::string text;
    for (int i = 0; i < 200; ++i) text += "This is a text file, not a soundtrack.\n";
    test::writeFile(dir.file("text.mp3"), text);
    // Only the gapless tag frame: no audio frame at all.
    test::writeFile(dir.file("tagonly.mp3"), test::readFile(kAudio + "cbr_44100.mp3").substr(0, 300));
    for (const char* name : {"image.mp3", "empty.mp3", "text.mp3", "tagonly.mp3"}) {
        EXPECT_EQ(open(dir.file(name)), 0u) << name;
        EXPECT_EQ(playback::errorGetCode(), playback::kErrorFileFormat) << name;
    }
    EXPECT_EQ(open(dir.file("missing.mp3")), 0u);
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorFileOpen);
    EXPECT_EQ(open(dir.path()), 0u);  // a folder is not a file
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorFileOpen);
}

TEST_F(Playback, InvalidPositionsAndHandlesAreRefusedWithoutMovingTheStream) {
    playback::Handle h = open(kAudio + "cbr_44100.mp3");
    ASSERT_NE(h, 0u);
    const uint64_t length = playback::channelGetLength(h, playback::kPosByte);
    ASSERT_TRUE(playback::channelSetPosition(h, length / 2, playback::kPosByte));

    EXPECT_EQ(playback::channelSeconds2Bytes(h, -1.0), playback::kInvalidPosition);
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorPosition);
    EXPECT_FALSE(playback::channelSetPosition(h, playback::kInvalidPosition, playback::kPosByte));
    EXPECT_FALSE(playback::channelSetPosition(h, length + 4, playback::kPosByte));
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorPosition);
    EXPECT_EQ(playback::channelGetPosition(h, playback::kPosByte), length / 2);
    EXPECT_TRUE(playback::channelSetPosition(h, length, playback::kPosByte));  // the very end is a place

    const playback::Handle bogus = h + 100;
    EXPECT_FALSE(playback::channelPlay(bogus, false));
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorHandle);
    EXPECT_EQ(playback::channelGetPosition(bogus, playback::kPosByte), playback::kInvalidPosition);
    EXPECT_LT(playback::channelBytes2Seconds(bogus, 0), 0.0);
    EXPECT_EQ(playback::channelIsActive(0), playback::kActiveStopped);
    EXPECT_TRUE(playback::streamFree(h));
    EXPECT_FALSE(playback::streamFree(h));
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorHandle);
}

TEST(PlaybackOutput, InitialisationErrorsFollowTheLibraryNumbering) {
    EXPECT_EQ(playback::streamCreateFile(false, (kAudio + "cbr_44100.mp3").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorInit);
    EXPECT_FALSE(playback::free());
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorInit);
    EXPECT_FALSE(playback::init(7, 44100, 0));
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorDevice);
    ASSERT_TRUE(playback::init(playback::kDefaultDevice, 44100, 0));
    EXPECT_FALSE(playback::init(playback::kDefaultDevice, 44100, 0));
    EXPECT_EQ(playback::errorGetCode(), playback::kErrorAlready);
    EXPECT_TRUE(playback::setConfig(playback::kConfigUpdatePeriod, 16));
    EXPECT_FALSE(playback::setConfig(playback::kConfigUpdatePeriod, 1000));
    EXPECT_TRUE(playback::free());
}

TEST(PlaybackOutput, WithoutAUsableOutputItPlaysOnTheDummyDriverAndSaysSo) {
    // A driver that does not exist fails like a machine without a sound card.
    setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
    test::LogCapture log;
    ASSERT_TRUE(playback::init(playback::kDefaultDevice, 44100, 0));
    EXPECT_EQ(playback::outputDriver(), "dummy");
    size_t saying = 0;
    for (const auto& e : log.entries()) saying += e.message.find("dummy audio driver") != std::string::npos ? 1 : 0;
    EXPECT_EQ(saying, 1u);
    EXPECT_EQ(log.entries().size(), 1u);  // SDL's own errors from the probe stay out of the log

    playback::Handle h = playback::streamCreateFile(false, (kAudio + "cbr_44100.mp3").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(playback::channelPlay(h, false));
    EXPECT_TRUE(test::waitFor([&] { return positionOf(h) > 0.1; }));
    EXPECT_TRUE(playback::free());
    unsetenv("SDL_AUDIODRIVER");
}
