// Start-up costs that no frame figure shows: the soundtrack's output opens
// once, with its short refill period, and it may open on a worker while the
// window is made; init takes that output and reports it as if it had opened it.
// Runs on whatever output SDL finds (its dummy driver where there is none).
#include "audio/AudioPlayback.h"
#include "audio/BASSAudioDevice.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
size_t fallbackLines(const test::LogCapture& log) {
    const auto all = log.messages();
    return static_cast<size_t>(std::count_if(all.begin(), all.end(), [](const std::string& m) {
        return m.rfind("No audio output could be opened", 0) == 0;
    }));
}
} // namespace

TEST(StartupCost, TheAudioOutputOpensOnceWhetherOpenedAheadOrNot) {
    test::LogCapture log;
    struct Case {
        const char* name;
        bool ahead;
    };
    for (const Case& c : {Case{"opened by init", false}, Case{"opened ahead on a worker", true}}) {
        SCOPED_TRACE(c.name);
        log.clear();
        const int before = playback::outputOpens();
        if (c.ahead) BASSAudioDevice::prepare();
        BASSAudioDevice device;
        ASSERT_TRUE(device.init());
        EXPECT_EQ(playback::outputOpens() - before, 1);
        // The dummy driver's one line, from init, as when init opened it itself.
        EXPECT_EQ(fallbackLines(log), playback::outputDriver() == "dummy" ? 1u : 0u);
        device.shutdown();
    }

    // Start-up that fails before the audio device closes the output opened for it.
    const int before = playback::outputOpens();
    BASSAudioDevice::prepare();
    playback::discardPreopen();
    EXPECT_EQ(playback::outputOpens() - before, 1);
    EXPECT_TRUE(playback::outputDriver().empty()) << "closed again";
    BASSAudioDevice device;
    ASSERT_TRUE(device.init());
    EXPECT_EQ(playback::outputOpens() - before, 2);
    device.shutdown();
}
