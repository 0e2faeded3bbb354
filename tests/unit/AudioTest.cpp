// The soundtrack: the audio device on the playback layer (SDL's dummy driver
// where there is no sound card) with its messages and codes, and the
// heard-position arithmetic driven with made-up refill times.
#include "audio/BASSAudioDevice.h"
#include "audio/PlaybackClock.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {
const std::string kAudio = std::string(SOLVANE_FIXTURES_DIR) + "/audio/";

class AudioDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.init()); }
    void TearDown() override { device.shutdown(); }
    BASSAudioDevice device;
};
} // namespace

// Each fixture holds a tone of exactly one second.
TEST_F(AudioDevice, EachFixtureDecodesToItsTrueLengthAndSecondsLandOnTheSample) {
    for (const char* name : {"cbr_44100.mp3", "vbr_44100.mp3", "cbr_48000.mp3", "vbr_48000_mono.mp3",
                             "cbr_22050_id3.mp3", "vbr_22050_id3v1.mp3"}) {
        const playback::Handle h = playback::streamCreateFile(false, (kAudio + name).c_str(), 0, 0, 0);
        ASSERT_NE(h, 0u) << name << ": error " << playback::errorGetCode();
        const uint64_t length = playback::channelGetLength(h, playback::kPosByte);
        EXPECT_EQ(length % playback::kBytesPerFrame, 0u) << name;
        EXPECT_NEAR(playback::channelBytes2Seconds(h, length), 1.0, 1.5 / 44100.0) << name;
        for (uint64_t at : {uint64_t{4}, uint64_t{1764}, length - 4}) {  // through the engine's 32-bit seconds
            const float seconds = static_cast<float>(playback::channelBytes2Seconds(h, at));
            EXPECT_EQ(playback::channelSeconds2Bytes(h, seconds), at) << name;
        }
    }
}

TEST_F(AudioDevice, PositionIsZeroBeforePlayNeverGoesBackAndSeeksLandWhereAsked) {
    ASSERT_TRUE(device.createSoundtrack(kAudio + "clicks_20s.mp3", 106.0f));
    EXPECT_EQ(device.getPosition(), 0.0f);
    device.setPosition(2.5f);
    EXPECT_NEAR(device.getPosition(), 2.5f, 0.001f);
    device.play();
    float previous = 0.0f;
    ASSERT_TRUE(test::waitFor([&] {
        const float p = device.getPosition();
        EXPECT_GE(p, previous);
        previous = p;
        return p > 2.8f;
    }));
    for (float seek : {7.25f, 1.0f}) {  // while playing: lands, forward or back, then runs on
        device.setPosition(seek);
        const float playing = device.getPosition();
        EXPECT_TRUE(playing >= seek - 0.001f && playing < seek + 0.5f) << playing;
    }
}

TEST_F(AudioDevice, ATruncatedSoundtrackPlaysWhatDecodesToItsEnd) {
    test::TempDir dir;
    test::writeFile(dir.file("cut.mp3"), test::readFile(kAudio + "cbr_44100.mp3").substr(0, 3000));
    ASSERT_TRUE(device.createSoundtrack(dir.file("cut.mp3"), 106.0f));
    EXPECT_EQ(device.getBPM(), 106.0f);
    device.play();
    EXPECT_TRUE(device.isPlaying());
    EXPECT_TRUE(test::waitFor([&] { return !device.isPlaying(); }));
    EXPECT_TRUE(device.getPosition() > 0.2f && device.getPosition() < 0.5f) << device.getPosition();
    test::LogCapture log;
    device.stop();  // stopping a finished soundtrack is not a failure
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(AudioDevice, BadSoundtracksFailWithTheMessageAndTheirCode) {
    test::TempDir dir;
    test::writeFile(dir.file("empty.mp3"), "");
    test::writeFile(dir.file("text.mp3"), std::string(2000, 'x'));
    test::writeFile(dir.file("image.mp3"), test::readFile(std::string(SOLVANE_FIXTURES_DIR) + "/images/grey.png"));
    // The gapless tag frame alone: no audio frame at all.
    test::writeFile(dir.file("tagonly.mp3"), test::readFile(kAudio + "cbr_44100.mp3").substr(0, 300));
    const std::pair<std::string, int> cases[] = {{"missing.mp3", 2}, {"", 2},           {"empty.mp3", 41},
                                                 {"text.mp3", 41},   {"image.mp3", 41}, {"tagonly.mp3", 41}};
    for (const auto& [name, code] : cases) {
        test::LogCapture log;
        EXPECT_FALSE(device.createSoundtrack(dir.file(name), 106.0f)) << name;  // "" names the folder
        EXPECT_EQ(log.errors(), (std::vector<std::string>{"Failed to create soundtrack in bass audio device!",
                                                          "BASS Error Code: " + std::to_string(code)})) << name;
        EXPECT_EQ(device.getBPM(), 0.0f);
    }
}

TEST_F(AudioDevice, RefusedSeeksLogTheirMessagesAndLeaveThePosition) {
    ASSERT_TRUE(device.createSoundtrack(kAudio + "cbr_44100.mp3", 106.0f));
    device.setPosition(0.25f);
    test::LogCapture log;
    device.setPosition(-1.0f);  // the conversion is refused, and then the seek
    device.setPosition(30.0f);  // past the end: only the seek is refused
    const std::string seek = "Failed to set the channel position in bass audio!", code = "BASS Error Code: 7";
    EXPECT_EQ(log.errors(), (std::vector<std::string>{"Failed to convert seconds to bytes in bass audio!", code, seek,
                                                       code, seek, code}));
    EXPECT_EQ(device.getPosition(), 0.25f);
}

TEST(AudioDeviceLifecycle, CallsWithoutASoundtrackOrOutputLogAndCarryOn) {
    BASSAudioDevice device;
    test::LogCapture log;
    EXPECT_FALSE(device.createSoundtrack(kAudio + "cbr_44100.mp3", 106.0f));  // before init
    device.play();
    EXPECT_FALSE(device.isPlaying());
    EXPECT_EQ(device.getPosition(), 0.0f);
    device.shutdown();
    EXPECT_EQ(log.errors(), (std::vector<std::string>{
                                 "Failed to create soundtrack in bass audio device!", "BASS Error Code: 8",
                                 "Failed to play soundtrack in bass audio!", "BASS Error Code: 5",
                                 "Failed to get the soundtrack offset from bass audio!", "BASS Error Code: 5",
                                 "Failed to Free BASS Audio Device!"}));
}

TEST(PlaybackLayer, WithoutAUsableOutputItPlaysOnTheDummyDriverAndSaysSo) {
    setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);  // fails like a machine without a sound card
    test::LogCapture log;
    ASSERT_TRUE(playback::init(playback::kDefaultDevice, 44100, 0));
    EXPECT_EQ(playback::outputDriver(), "dummy");
    ASSERT_EQ(log.messages().size(), 1u);  // SDL's own errors from the probe stay out of the log
    EXPECT_NE(log.messages()[0].find("dummy audio driver"), std::string::npos);
    const playback::Handle h = playback::streamCreateFile(false, (kAudio + "cbr_44100.mp3").c_str(), 0, 0, 0);
    ASSERT_TRUE(playback::channelPlay(h, false));
    EXPECT_TRUE(test::waitFor([&] { return playback::channelGetPosition(h, playback::kPosByte) > 4410 * 4; }));
    EXPECT_TRUE(playback::free());
    unsetenv("SDL_AUDIODRIVER");
}

TEST(PlaybackClock, UnevenRefillsGiveASmoothMonotonePosition) {
    const double kRate = 44100.0;
    const int64_t kBuffer = 705;  // 16 ms refills
    PlaybackClock clock;
    clock.configure(kRate, false, kBuffer);
    const double period = static_cast<double>(kBuffer) / kRate;
    clock.start(0, 0.0);
    // The output consumes at exactly the rate; its thread wakes up to 3 ms late.
    const double jitter[7] = {0.0, 0.003, 0.0005, 0.002, 0.0, 0.0025, 0.001};
    int64_t previous = 0;
    double worst = 0.0, nextPoll = 0.0;
    for (int k = 0; k < 600; ++k) {
        const double refillTime = k * period + jitter[k % 7];
        for (; nextPoll < refillTime; nextPoll += 1.0 / 60.0) {
            const int64_t heard = clock.heard(nextPoll);
            ASSERT_GE(heard, previous) << "went backwards at " << nextPoll;
            previous = heard;
            // Audio handed out at refill k is heard one buffer later.
            if (nextPoll > 0.1) worst = std::fmax(worst, std::fabs(heard / kRate - (nextPoll - period)));
        }
        clock.refill(k * kBuffer, kBuffer, refillTime);
    }
    EXPECT_LT(worst, 0.004);  // within the refill jitter, not a whole buffer
}
