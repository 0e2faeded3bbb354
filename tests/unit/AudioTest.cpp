// The soundtrack: the audio device on the playback layer (SDL's dummy driver where there is
// no sound card) with its messages and codes, its output opened once at start-up, the MP3
// stream, the click track of a starter show. A cut-short soundtrack is the e2e tests'.
#include "audio/AudioPlayback.h"
#include "audio/BASSAudioDevice.h"
#include "audio/ClickTrack.h"
#include "audio/ManualAudioDevice.h"
#include "audio/Mp3Decoder.h"
#include "audio/Mp3Stream.h"
#include "audio/SoundtrackMeter.h"

#include "TestSupport.h"

#include <filesystem>

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

// The scripts' meter reads the file at the clock's position: the capture's clock and the soundtrack
// standing paused at the same time give the same values, however the soundtrack got there.
TEST_F(AudioDevice, TheMeterReadsTheSameValuesFromTheCaptureClockAndThePausedSoundtrackAfterSeeks) {
    const std::string tone = kAudio + "silence_then_1khz.mp3";
    ManualAudioDevice capture;
    ASSERT_TRUE(capture.createSoundtrack(tone, 106.0f));
    ASSERT_TRUE(device.createSoundtrack(tone, 106.0f));
    SoundtrackMeter meter;
    ASSERT_TRUE(meter.init());
    auto read = [&meter](IAudioDevice& source) {
        meter.moveTo(&source, source.getPosition());
        std::vector<float> values{meter.level()};
        for (int b = 0; b < SoundtrackMeter::kBandCount; ++b) values.push_back(meter.band(b));
        return values;
    };
    device.play();
    device.pause();
    for (float t : {0.53f, 0.75f, 0.98f}) {
        capture.position = t;
        const std::vector<float> captured = read(capture);
        device.setPosition(t);
        EXPECT_EQ(read(device), captured) << t;
        device.setPosition(0.3f);
        EXPECT_NE(read(device), captured) << t;
        device.setPosition(t);
        EXPECT_EQ(read(device), captured) << t;
    }
}

// The soundtrack streamed in blocks: the length of the whole decode, its samples in their places
// (after a seek libmpg123 rounds a few samples one step apart from reading on), and the same bits
// wherever reads jump (back across blocks, onto block edges, before the start, over the end), while
// the worker decodes ahead and frees what lies behind.
TEST(Mp3Stream, ReadsTheWholeDecodesSamplesAndTheSameBitsWhereverReadsJump) {
    for (const char* name : {"cbr_44100.mp3", "vbr_44100.mp3", "cbr_22050_id3.mp3"}) {  // the last resampled, whole
        SCOPED_TRACE(name);
        std::vector<int16_t> whole;
        ASSERT_EQ(Mp3Decoder::decodeFile(kAudio + name, 44100, whole), Mp3Decoder::Result::Ok);
        const int64_t frames = static_cast<int64_t>(whole.size() / 2);
        Mp3Stream inOrder, jumping;
        ASSERT_EQ(inOrder.open(kAudio + name, 44100), Mp3Decoder::Result::Ok);
        ASSERT_EQ(jumping.open(kAudio + name, 44100), Mp3Decoder::Result::Ok);
        EXPECT_EQ(inOrder.frames(), frames);
        std::vector<int16_t> streamed(whole.size() + 8, 7);
        inOrder.read(-2, static_cast<size_t>(frames + 4), streamed.data());
        int largest = 0;
        for (size_t i = 0; i < whole.size(); ++i) largest = std::max(largest, std::abs(streamed[i + 4] - whole[i]));
        EXPECT_LE(largest, 1);
        EXPECT_EQ(std::vector<int16_t>(streamed.begin(), streamed.begin() + 4), std::vector<int16_t>(4, 0));
        EXPECT_EQ(std::vector<int16_t>(streamed.end() - 4, streamed.end()), std::vector<int16_t>(4, 0));

        const int64_t block = Mp3Stream::kBlockFrames;
        for (int64_t first : {frames - 1000, 2 * block - 7, block - 5, frames / 2, int64_t{-500}, frames + 10}) {
            std::vector<int16_t> got(6000, 7), want(6000, 0);
            for (int64_t f = std::max<int64_t>(first, 0); f < std::min<int64_t>(first + 3000, frames); ++f)
                std::copy_n(streamed.begin() + 2 * (f + 2), 2, want.begin() + 2 * (f - first));
            jumping.read(first, 3000, got.data());
            EXPECT_EQ(got, want) << "from frame " << first;
        }
        EXPECT_LE(inOrder.heldBlocks(), static_cast<size_t>(Mp3Stream::kBlocksAhead + Mp3Stream::kBlocksBehind + 1));
    }
}

// A soundtrack cut short on disk while it plays: one line saying so, silence from there, and reads go on.
TEST(Mp3Stream, AFileCutShortUnderneathGivesOneLineAndSilence) {
    test::TempDir dir;
    test::writeFile(dir.file("cut.mp3"), test::readFile(SOLVANE_SOURCE_DIR "/res/audio/melody2.mp3"));
    Mp3Stream stream;
    ASSERT_EQ(stream.open(dir.file("cut.mp3"), 44100), Mp3Decoder::Result::Ok);
    test::LogCapture log;
    std::filesystem::resize_file(dir.file("cut.mp3"), std::filesystem::file_size(dir.file("cut.mp3")) / 4);
    std::vector<int16_t> tail(2 * 44100, 7);
    for (int64_t first : {stream.frames() - 44100, stream.frames() / 2}) {
        stream.read(first, 44100, tail.data());
        EXPECT_EQ(tail, std::vector<int16_t>(2 * 44100, 0)) << first;
    }
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].rfind("The soundtrack " + dir.file("cut.mp3") + " breaks off at ", 0), 0u);
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
