// The audio device: what the engine relies on (position in seconds, the end of
// the soundtrack) and the exact messages of each failure with their codes.
#include "audio/BASSAudioDevice.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kAudio = std::string(SOLVANE_FIXTURES_DIR) + "/audio/";

std::vector<std::string> errorsOf(const test::LogCapture& log) {
    std::vector<std::string> out;
    for (const auto& e : log.entries())
        if (e.priority == SDL_LOG_PRIORITY_ERROR && e.category == SDL_LOG_CATEGORY_SYSTEM) out.push_back(e.message);
    return out;
}

class AudioDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.init()); }
    void TearDown() override {
        device.stop();
        device.shutdown();
    }
    BASSAudioDevice device;
};

} // namespace

TEST_F(AudioDevice, PlaysFromZeroToTheEndOfTheSoundtrack) {
    ASSERT_TRUE(device.createSoundtrack(kAudio + "cbr_44100.mp3", 106.0f));
    EXPECT_EQ(device.getBPM(), 106.0f);
    EXPECT_FALSE(device.isPlaying());
    EXPECT_EQ(device.getPosition(), 0.0f);
    device.play();
    EXPECT_TRUE(device.isPlaying());
    EXPECT_TRUE(test::waitFor([&] { return !device.isPlaying(); }));
    EXPECT_NEAR(device.getPosition(), 1.0f, 1.5f / 44100.0f);
    test::LogCapture log;
    device.stop();  // stopping a finished soundtrack is not a failure
    EXPECT_TRUE(errorsOf(log).empty());
}

// Each bad soundtrack fails with the creation message and the layer's code; the tempo stays 0.
struct BadSoundtrack {
    const char* name;
    std::string content;
    int code;
};

TEST_F(AudioDevice, BadSoundtracksFailWithTheMessageAndTheirCode) {
    test::TempDir dir;
    const std::vector<BadSoundtrack> cases = {
        {"missing.mp3", "", 2},
        {"empty.mp3", "", 41},
        {"text.mp3", std::string(2000, 'x'), 41},
    };
    test::writeFile(dir.file("empty.mp3"), "");
    test::writeFile(dir.file("text.mp3"), cases[2].content);
    for (const BadSoundtrack& c : cases) {
        test::LogCapture log;
        EXPECT_FALSE(device.createSoundtrack(dir.file(c.name), 106.0f)) << c.name;
        EXPECT_EQ(errorsOf(log), (std::vector<std::string>{"Failed to create soundtrack in bass audio device!",
                                                           "BASS Error Code: " + std::to_string(c.code)}))
            << c.name;
        EXPECT_EQ(device.getBPM(), 0.0f);
    }
}

TEST_F(AudioDevice, RefusedSeeksLogTheirMessagesAndLeaveThePosition) {
    ASSERT_TRUE(device.createSoundtrack(kAudio + "cbr_44100.mp3", 106.0f));
    device.setPosition(0.25f);
    test::LogCapture log;
    device.setPosition(-1.0f);  // the conversion is refused, and then the seek
    device.setPosition(30.0f);  // past the end: only the seek is refused
    EXPECT_EQ(errorsOf(log), (std::vector<std::string>{"Failed to convert seconds to bytes in bass audio!",
                                                       "BASS Error Code: 7",
                                                       "Failed to set the channel position in bass audio!",
                                                       "BASS Error Code: 7",
                                                       "Failed to set the channel position in bass audio!",
                                                       "BASS Error Code: 7"}));
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
    EXPECT_EQ(errorsOf(log), (std::vector<std::string>{
                                 "Failed to create soundtrack in bass audio device!", "BASS Error Code: 8",
                                 "Failed to play soundtrack in bass audio!", "BASS Error Code: 5",
                                 "Failed to get the soundtrack offset from bass audio!", "BASS Error Code: 5",
                                 "Failed to Free BASS Audio Device!"}));
}
