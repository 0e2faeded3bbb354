// The shipped soundtrack against the bar map that the show's script and tracks are
// cut to (tools/make_soundtrack.cpp): its length, its headroom and the loudness
// shape of its parts. Decodes res/audio/melody2.mp3 with the engine's decoder.
#include "audio/Mp3Decoder.h"

#include "TestSupport.h"

#include <cstdlib>

namespace {
constexpr double kBarSeconds = 4.0 * 60.0 / 106.0;
constexpr long kRate = 44100;

// Mean power of both channels over bars [first, last), in dB below full scale.
double levelOfBars(const std::vector<int16_t>& pcm, int first, int last) {
    size_t from = 2 * static_cast<size_t>(first * kBarSeconds * kRate);
    size_t to = std::min(pcm.size(), 2 * static_cast<size_t>(last * kBarSeconds * kRate));
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += (pcm[i] / 32768.0) * (pcm[i] / 32768.0);
    return 10.0 * std::log10(sum / static_cast<double>(to - from) + 1e-12);
}
} // namespace

TEST(ShippedSoundtrack, LastsFortyBarsKeepsItsHeadroomAndItsPartsRiseAndFallWhereTheShowCuts) {
    std::vector<int16_t> pcm;
    ASSERT_EQ(Mp3Decoder::decodeFile(std::string(SOLVANE_SOURCE_DIR) + "/res/audio/melody2.mp3", kRate, pcm),
              Mp3Decoder::Result::Ok);
    const double seconds = static_cast<double>(pcm.size()) / 2.0 / kRate;
    EXPECT_TRUE(seconds >= 40 * kBarSeconds && seconds < 40 * kBarSeconds + 2.0) << seconds << " s";
    int peak = 0;
    for (int16_t s : pcm) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LT(peak, 0.891 * 32768) << "the mix keeps 1 dB of headroom";

    const double intro = levelOfBars(pcm, 0, 4), buildUp = levelOfBars(pcm, 4, 12), drop = levelOfBars(pcm, 12, 20),
                 breakdown = levelOfBars(pcm, 20, 26), secondPeak = levelOfBars(pcm, 28, 36),
                 outro = levelOfBars(pcm, 38, 40);
    SCOPED_TRACE(::testing::Message() << "intro " << intro << ", build-up " << buildUp << ", drop " << drop
                                      << ", breakdown " << breakdown << ", second peak " << secondPeak
                                      << ", outro " << outro << " dB");
    EXPECT_LT(intro, buildUp - 6.0);
    EXPECT_LT(buildUp, drop - 1.0);
    EXPECT_LT(breakdown, drop - 4.0);
    EXPECT_NEAR(secondPeak, drop, 1.5);
    EXPECT_LT(outro, secondPeak - 10.0);
    // Peaks stay loud to their last bar, and the quiet parts begin on their first.
    EXPECT_GT(levelOfBars(pcm, 19, 20), breakdown + 4.0);
    EXPECT_LT(levelOfBars(pcm, 20, 21), drop - 4.0);
    EXPECT_GT(levelOfBars(pcm, 12, 13), buildUp);
}
