// The track tool's library side: binary tracks back to text and round trips to
// the same bytes, and the plot's marks, curves and waveform where the timing puts them.
#include "sync/TrackPlot.h"
#include "sync/TrackText.h"

#include "TestSupport.h"

#include <limits>

namespace {
std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

bool sameColour(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
} // namespace

// The shipped tracks are compared with their source in the sync tests; here the values text finds hardest.
TEST(TrackDecompile, AwkwardValuesComeBackByteForByte) {
    const std::vector<SyncKey> odd = {{0, -0.0f, Step},    {1, 0.1f, Linear},         {17, 1e-40f, Smooth},
                                      {33, -3.4e38f, Ramp}, {48, 16777217.0f, Linear}, {2147483647, 1.0f / 3.0f, Step}};
    TextTrack track{"Odd.Values", {}};
    std::string error;
    ASSERT_TRUE(decodeTrack(bytesOf(test::trackBytes(odd)), track.keys, error)) << error;
    std::vector<TextTrack> back;
    ASSERT_TRUE(parseTrackText(writeTrackText({track}), back, error)) << error;
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name, track.name);
    EXPECT_EQ(encodeTrack(back[0].keys), encodeTrack(odd));
}

TEST(TrackDecompile, RefusesFilesAndKeysTheTextCannotHold) {
    const std::string whole = test::trackBytes({{0, 1.0f, Linear}, {16, 2.0f, Step}});
    for (const std::string& bytes : {std::string("\1\0\0", 3), whole.substr(0, whole.size() - 1), whole + "x"}) {
        std::vector<SyncKey> keys;
        std::string error;
        EXPECT_FALSE(decodeTrack(bytesOf(bytes), keys, error)) << bytes.size();
    }
    const std::pair<TextTrack, const char*> cases[] = {
        {{"Type", {{0, 1.0f, 7}}}, "bad interpolation '7'"},
        {{"Negative", {{-16, 1.0f, Step}}}, "bad time '-1b'"},
        {{"NaN", {{0, std::numeric_limits<float>::quiet_NaN(), Step}}}, "bad value"},
        {{"Order", {{32, 1.0f, Step}, {16, 1.0f, Step}}}, "does not come after row 32"},
        {{"Has space", {{0, 1.0f, Step}}}, "bad track name"},
    };
    for (const auto& [track, mentions] : cases) {
        std::string text, error;
        EXPECT_FALSE(decompileTrack(track, text, error)) << track.name;
        EXPECT_NE(error.find(mentions), std::string::npos) << error;
    }
}

TEST(TrackPlot, KeysCurvesAndWaveformSitWhereTheTimingPutsThem) {
    // 60 bpm: one beat a second, 16 rows a second; the plot spans 0..8 s.
    PlotRequest request;
    request.bpm = 60.0f;
    request.toSeconds = 8.0;
    request.width = 1000;
    request.tracks = {{"Up", {{0, 0.0f, Linear}, {64, 1.0f, Smooth}, {96, 1.0f, Ramp}, {112, 0.5f, Step}}}};
    // Full-scale noise for the first 4 s, silence after.
    request.audio.assign(8 * kPlotAudioRate * 2, 0);
    for (size_t i = 0; i < request.audio.size() / 2; ++i) request.audio[i] = (i / 2) % 2 ? 30000 : -30000;
    const PlotPicture p = plotTracks(request);
    ASSERT_GT(p.height, 300);
    const int plotWidth = p.width - p.plotLeft - kPlotRightMargin;
    auto xOf = [&](double seconds) { return p.plotLeft + static_cast<int>(std::lround(seconds / 8.0 * (plotWidth - 1))); };
    // The first row holding `colour` in the column at `seconds` (-1: none), and how many rows hold it.
    auto column = [&](double seconds, Rgb colour) {
        std::pair<int, int> found{-1, 0};
        for (int y = 0; y < p.height; ++y)
            if (sameColour(p.at(xOf(seconds), y), colour) && found.second++ == 0) found.first = y;
        return found;
    };
    const int y0 = column(0.0, kPlotKeyColours[Linear]).first, y1 = column(4.0, kPlotKeyColours[Smooth]).first;
    const int yRamp = column(6.0, kPlotKeyColours[Ramp]).first, yStep = column(7.0, kPlotKeyColours[Step]).first;
    ASSERT_TRUE(y0 > 0 && y1 > 0 && yRamp > 0 && yStep > 0) << y0 << " " << y1 << " " << yRamp << " " << yStep;
    EXPECT_LT(y1, y0);                     // higher values higher up
    EXPECT_NEAR(yRamp, y1, 2);             // same value, same height
    EXPECT_NEAR(yStep, (y0 + y1) / 2, 2);  // 0.5 halfway
    // The curve's column at 2 s holds the curve colour halfway between the markers of 0 and 1.
    const Rgb curve = p.at(xOf(2.0), (y0 + y1 + 1) / 2 + 4);  // markers are 9 px; the curve passes their centres
    EXPECT_FALSE(sameColour(curve, p.at(xOf(2.0), y1 - 2))) << "no curve at 2 s halfway up";
    // The waveform: loud columns reach far from its middle line, silent ones stay on it.
    EXPECT_GT(column(2.5, kPlotWaveColour).second, 100);
    EXPECT_LT(column(6.5, kPlotWaveColour).second, 3);
}
