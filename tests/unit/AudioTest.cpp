// The soundtrack: the audio device on the playback layer (SDL's dummy driver where there is
// no sound card) with its messages and codes, its output opened once at start-up, the MP3
// prefetch, the click track of a starter show. A cut-short soundtrack is the e2e tests'.
#include "audio/AudioPlayback.h"
#include "audio/BASSAudioDevice.h"
#include "audio/ClickTrack.h"
#include "audio/Mp3Decoder.h"

#include "TestSupport.h"

namespace {
const std::string kAudio = std::string(SOLVANE_FIXTURES_DIR) + "/audio/";

class AudioDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.init()); }
    void TearDown() override { device.shutdown(); }
    BASSAudioDevice device;
};
} // namespace

TEST_F(AudioDevice, PositionNeverGoesBackSeeksLandWhereAskedAndFailuresGiveTheirCode) {
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

    test::TempDir dir;
    test::writeFile(dir.file("text.mp3"), std::string(2000, 'x'));
    // The gapless tag frame alone: no audio frame at all.
    test::writeFile(dir.file("tagonly.mp3"), test::readFile(kAudio + "cbr_44100.mp3").substr(0, 300));
    const std::pair<std::string, int> cases[] = {{"missing.mp3", 2}, {"text.mp3", 41}, {"tagonly.mp3", 41}};
    for (const auto& [name, code] : cases) {
        test::LogCapture log;
        EXPECT_FALSE(device.createSoundtrack(dir.file(name), 106.0f)) << name;
        EXPECT_EQ(log.errors(), (std::vector<std::string>{"Failed to create soundtrack in bass audio device!",
                                                           "BASS Error Code: " + std::to_string(code)})) << name;
    }
    ASSERT_TRUE(device.createSoundtrack(kAudio + "cbr_44100.mp3", 106.0f));
    device.setPosition(0.25f);
    test::LogCapture log;
    device.setPosition(30.0f);  // past the end
    EXPECT_EQ(log.errors(), (std::vector<std::string>{"Failed to set the channel position in bass audio!",
                                                       "BASS Error Code: 7"}));
    EXPECT_EQ(device.getPosition(), 0.25f);
}

// The soundtrack decoded ahead on a worker comes out as decoding it when asked would (a failure is the e2e tests').
TEST(Mp3Prefetch, APrefetchedFileComesOutAsDecodedDirectly) {
    std::vector<int16_t> direct, taken(3, 7);  // whatever the caller held is replaced
    ASSERT_EQ(Mp3Decoder::decodeFile(kAudio + "vbr_48000_mono.mp3", 44100, direct), Mp3Decoder::Result::Ok);
    Mp3Decoder::prefetch(kAudio + "vbr_48000_mono.mp3", 44100);
    ASSERT_EQ(Mp3Decoder::decodeFile(kAudio + "vbr_48000_mono.mp3", 44100, taken), Mp3Decoder::Result::Ok);
    EXPECT_EQ(taken, direct);
}

// The click track as the engine's own loader decodes it: eight bars, a click starting on
// every beat (the first reaches a tenth of its peak 4 ms in, the synthesis filter's
// rise), and the length asked for within one frame.
TEST(ClickTrack, DecodesWithAClickOnEveryBeatAndTheLengthAsked) {
    for (const double bpm : {90.0, 128.0}) {
        SCOPED_TRACE(bpm);
        const double seconds = 32 * 60.0 / bpm;
        test::TempDir dir;
        const auto bytes = ClickTrack::write(bpm, seconds);
        test::writeFile(dir.file("clicks.mp3"), std::string(bytes.begin(), bytes.end()));
        std::vector<int16_t> pcm;
        ASSERT_EQ(Mp3Decoder::decodeFile(dir.file("clicks.mp3"), ClickTrack::kSampleRate, pcm), Mp3Decoder::Result::Ok);
        const long frames = static_cast<long>(pcm.size() / 2);
        EXPECT_TRUE(frames >= seconds * 44100 && frames < seconds * 44100 + ClickTrack::kFrameSamples) << frames;
        int peak = 0;
        for (const int16_t s : pcm) peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 8000);
        // Onsets: the first sample above a tenth of the peak after 50 ms below it.
        std::vector<double> onsets;
        long lastLoud = -44100;
        for (long i = 0; i < frames; ++i)
            if (std::abs(static_cast<int>(pcm[2 * i])) > peak / 10) {
                if (i - lastLoud > 2205) onsets.push_back(i / 44100.0);
                lastLoud = i;
            }
        ASSERT_EQ(onsets.size(), 32u);
        for (size_t beat = 0; beat < onsets.size(); ++beat)
            EXPECT_NEAR(onsets[beat], beat * 60.0 / bpm, beat == 0 ? 0.005 : 0.001) << "beat " << beat;
    }
}

// Start-up costs that no frame figure shows: the output opens once, with its short refill period, and it may
// open on a worker while the window is made; init takes that output and reports it as if it had opened it.
TEST(StartupCost, TheAudioOutputOpensOnceWhetherOpenedAheadOrNot) {
    for (bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "opened ahead on a worker" : "opened by init");
        test::LogCapture log;
        const int before = playback::outputOpens();
        if (ahead) BASSAudioDevice::prepare();
        BASSAudioDevice device;
        ASSERT_TRUE(device.init());
        EXPECT_EQ(playback::outputOpens() - before, 1);
        // The dummy driver's one line, from init, as when init opened it itself.
        EXPECT_EQ(log.messages().size(), playback::outputDriver() == "dummy" ? 1u : 0u);
        device.shutdown();
    }
}
