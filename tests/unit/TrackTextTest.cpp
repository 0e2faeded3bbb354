// The text form of sync tracks: times in rows, beats and seconds, the default
// interpolation, every kind of malformed line, the binary encoding as the
// engine reads it back, and the shipped binaries against their source.
#include "sync/SyncTrack.h"
#include "sync/TrackText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

namespace {
std::string parseError(const std::string& text) {
    std::vector<TextTrack> tracks;
    std::string error;
    EXPECT_FALSE(parseTrackText(text, tracks, error)) << text;
    return error;
}
} // namespace

TEST(TrackText, TimesInRowsBeatsAndSecondsWithLinearByDefault) {
    std::vector<TextTrack> tracks;
    std::string error;
    ASSERT_TRUE(parseTrackText("# heading\n\n[Camera.Yaw]   # trailing comment\n"
                               "0 0\n"
                               "  4b   -2.5 smooth\n"
                               "100 7 ramp\n"
                               "10s 1e2 step\n"
                               "[FX.Fade]\n",
                               tracks, error))
        << error;
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Camera.Yaw");
    ASSERT_EQ(tracks[0].keys.size(), 4u);
    EXPECT_EQ(tracks[0].keys[0].row, 0);
    EXPECT_EQ(tracks[0].keys[0].type, Linear);
    EXPECT_EQ(tracks[0].keys[1].row, 64);
    EXPECT_EQ(tracks[0].keys[1].value, -2.5f);
    EXPECT_EQ(tracks[0].keys[1].type, Smooth);
    EXPECT_EQ(tracks[0].keys[2].type, Ramp);
    EXPECT_EQ(tracks[0].keys[3].row, 283);  // 10 s x 28.2667 rows, rounded
    EXPECT_EQ(tracks[0].keys[3].value, 100.0f);
    EXPECT_EQ(tracks[0].keys[3].type, Step);
    EXPECT_TRUE(tracks[1].keys.empty());
}

TEST(TrackText, MalformedLinesNameTheirLineAndReason) {
    EXPECT_EQ(parseError("0 1\n"), "1: a key before the first [track]");
    EXPECT_EQ(parseError("[A\n"), "1: a track name ends with ']'");
    EXPECT_EQ(parseError("[a/b]\n"), "1: bad track name 'a/b'");
    EXPECT_EQ(parseError("[A]\n[B]\n[A]\n"), "3: track 'A' appears twice");
    EXPECT_EQ(parseError("[A]\n1.5 1\n"), "2: bad time '1.5'");
    EXPECT_EQ(parseError("[A]\n0 nan\n"), "2: bad value 'nan'");
    EXPECT_EQ(parseError("[A]\n0 1 cubic\n"), "2: bad interpolation 'cubic'");
    EXPECT_EQ(parseError("[A]\n0 1 step x\n"), "2: unexpected 'x'");
    EXPECT_EQ(parseError("[A]\n16 1\n1b 2\n"), "3: row 16 does not come after row 16");
}

TEST(TrackText, EncodedTracksReadBackThroughTheTrackStore) {
    test::TempDir dir;
    std::vector<SyncKey> keys = {{0, 0.0f, Linear}, {16, 1.0f, Smooth}, {32, -4.0f, Step}};
    auto bytes = encodeTrack(keys);
    ASSERT_EQ(bytes.size(), 4u + 9u * 3u);
    test::writeFile(dir.file(trackFileName("Test.Track")), std::string(bytes.begin(), bytes.end()));
    SyncTrackStore* store = createStore(dir.path() + "/");
    SyncTrack* track = getTrack(store, "Test.Track");
    ASSERT_EQ(track->keyCount, 3);
    EXPECT_DOUBLE_EQ(getValue(track, 8.0), 0.5);
    EXPECT_DOUBLE_EQ(getValue(track, 20.0), 1.0 - 5.0 * 0.25 * 0.25 * (3.0 - 0.5));
    EXPECT_DOUBLE_EQ(getValue(track, 40.0), -4.0);
    destroyStore(store);
}

// The committed binaries are what the committed text compiles to, and every
// track the shipped script reads has a source.
TEST(TrackText, ShippedBinariesMatchTheirSource) {
    std::string base = std::string(SOLVANE_SOURCE_DIR) + "/res/sync/";
    std::vector<TextTrack> tracks;
    std::string error;
    ASSERT_TRUE(parseTrackText(test::readFile(base + "show.tracks"), tracks, error)) << error;
    std::set<std::string> names;
    for (const TextTrack& t : tracks) {
        names.insert(t.name);
        auto bytes = encodeTrack(t.keys);
        EXPECT_EQ(test::readFile(base + trackFileName(t.name)), std::string(bytes.begin(), bytes.end()))
            << t.name << ": recompile with tracktool";
    }
    std::string script = test::readFile(std::string(SOLVANE_SOURCE_DIR) + "/res/scripts/scene.lua");
    std::regex use("sync\\.get(Float|Bool|Int)\\(\"([^\"]+)\"\\)");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), use); it != std::sregex_iterator(); ++it)
        EXPECT_TRUE(names.count((*it)[2].str())) << (*it)[2].str();
    for (const char* read : {"Camera.Mode", "Needles.Fade", "Flakes.Visible", "Flakes.Fade"})
        EXPECT_TRUE(names.count(read)) << read;
}
