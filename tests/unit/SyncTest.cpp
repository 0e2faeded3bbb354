// Sync tracks: interpolation, the getters, damaged or missing files, and the text form both ways.
#include "sync/SyncDevice.h"

#include "TestSupport.h"

#include <climits>
#include <limits>
#include <cstring>
#include <regex>
#include <set>
#include <tuple>

namespace {
std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

SyncTrack trackOf(const std::vector<SyncKey>& keys) {
    SyncTrack t;
    t.keys = keys;
    t.keyCount = static_cast<int32_t>(keys.size());
    return t;
}

// "" when the text parses, else the error.
std::string parse(const std::string& text, std::vector<TextTrack>& tracks) {
    std::string error;
    return parseTrackText(text, tracks, error) ? "" : error;
}

class SyncFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sync.init(&audio, base)); }
    void write(const std::string& name, const std::string& bytes) { test::writeFile(dir.file(trackFileName(name)), bytes); }
    void atRow(float row) {
        audio.position = row;
        sync.update();
    }

    test::TempDir dir;
    std::string base = dir.path() + "/";
    test::RowClock audio;
    SyncDevice sync;
};
} // namespace

TEST(SyncInterpolation, EachKeyTypeBetweenItsKeysAndKeyValuesOnAndOutsideThem) {
    // From 0 at row 0 to 1 at row 16: the values at rows 4 and 8.
    const std::tuple<int32_t, double, double> cases[] = {{Step, 0.0, 0.0}, {Linear, 0.25, 0.5}, {Smooth, 0.15625, 0.5},
                                                         {Ramp, 0.0625, 0.25}};
    for (const auto& [type, at4, at8] : cases) {
        SyncTrack t = trackOf({{0, 0.0f, type}, {16, 1.0f, Step}});
        for (const auto& [row, value] : {std::make_pair(4.0, at4), std::make_pair(8.0, at8), std::make_pair(16.0, 1.0)})
            EXPECT_DOUBLE_EQ(getValue(&t, row), value) << "type " << type << " row " << row;
    }
    // An unknown type reads zero over its span.
    SyncTrack t = trackOf({{10, 2.0f, Linear}, {20, 4.0f, Smooth}, {30, -1.0f, 7}, {40, 5.0f, -1}});
    const std::pair<double, double> rowValue[] = {{-5, 2}, {9.99, 2}, {10, 2}, {15, 3},
                                                  {20, 4}, {35, 0},   {40, 5}, {1e12, 5}};
    for (const auto& [row, value] : rowValue) EXPECT_DOUBLE_EQ(getValue(&t, row), value) << "row " << row;
    t = SyncTrack();
    EXPECT_DOUBLE_EQ(getValue(&t, 3.0), 0.0);  // no keys
}

// Int reads round toward zero; NaN reads 0 and values beyond the int range saturate.
TEST_F(SyncFiles, GettersRoundDownAndSaturateAndEachNameIsLoadedOnce) {
    const float inf = std::numeric_limits<float>::infinity();
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    const std::tuple<float, int, bool> cases[] = {  // a value, its int and its bool
        {2.99f, 2, true}, {-0.25f, -1, false}, {0.0f, 0, false},     {0.001f, 0, true},    {NAN, 0, false},
        {inf, most, true}, {-inf, least, false}, {3e9f, most, true}, {-3e9f, least, false}, {1e30f, most, true},
        {2147483520.0f, 2147483520, true}};
    std::vector<SyncKey> keys;  // one a row, every ten rows
    for (const auto& c : cases) keys.push_back({static_cast<int32_t>(keys.size()) * 10, std::get<0>(c), Step});
    write("Value", test::trackBytes(keys));
    float row = 5.0f;
    for (const auto& [value, asInt, asBool] : cases) {
        atRow(row);
        row += 10.0f;
        EXPECT_TRUE(sync.getFloat("Value") == value || std::isnan(value)) << value;
        EXPECT_TRUE(sync.getInt("Value") == asInt && sync.getBool("Value") == asBool) << value;
    }

    // Each name is loaded once, a missing track reads zero silently, and a long name is never cut.
    test::LogCapture log;
    write("A", test::trackBytes({{0, 1.0f, Linear}, {16, 3.0f, Step}}));
    atRow(8.0f);
    EXPECT_TRUE(sync.getFloat("A") == 2.0f && sync.getFloat("Missing") == 0.0f);
    // Later edits and files that appear late are not seen.
    write("A", test::trackBytes({{0, 9.0f, Step}}));
    write("Missing", test::trackBytes({{0, 9.0f, Step}}));
    EXPECT_TRUE(sync.getFloat("A") == 2.0f && sync.getFloat("Missing") == 0.0f);
    EXPECT_TRUE(log.messages().empty());
    // A 260-character path buffer would cut a long name's path after 259 characters and open that file.
    const std::string prefix(259 - base.size() - 1, 'n');
    test::writeFile(base + "_" + prefix, test::trackBytes({{0, 5.0f, Step}}));
    const std::string longer(240, 'k');
    write(longer, test::trackBytes({{0, 3.0f, Step}}));
    EXPECT_EQ(sync.getFloat((prefix + "-and-more").c_str()), 0.0f);
    EXPECT_EQ(sync.getFloat(longer.c_str()), 3.0f);
}

TEST_F(SyncFiles, DamagedFilesKeepOnlyWholeKeysAndSaySoOnce) {
    const std::string whole = test::trackBytes({{0, 1.0f, Linear}, {8, 2.0f, Linear}, {16, 3.0f, Step}});
    auto withCount = [&](int32_t count) {
        std::string bytes = whole;
        std::memcpy(&bytes[0], &count, 4);
        return bytes;
    };
    // The track, its bytes, the keys kept and part of the one log line (null for none).
    const std::tuple<const char*, std::string, int, const char*> cases[] = {
        {"Three", whole.substr(0, 3), 0, "too short"},
        {"Cut", whole.substr(0, whole.size() - 1), 2, "holds 2 of its 3 keys"},
        {"Negative", withCount(-1), 0, "negative key count (-1)"},
        {"Huge", withCount(INT32_MAX), 3, "holds 3 of its 2147483647 keys"},
        {"Trailing", whole + "junk", 3, nullptr},
        {"Unknown", whole.substr(0, 12) + '\x07' + whole.substr(13), 3, "1 of its keys have an interpolation type outside 0 to 3"},
    };
    SyncTrackStore* store = createStore(base);
    for (const auto& [name, bytes, kept, logged] : cases) {
        write(name, bytes);
        test::LogCapture log;
        const SyncTrack* track = getTrack(store, name);
        EXPECT_EQ(track->keyCount, kept) << name;
        EXPECT_LE(track->keys.capacity(), 4u) << name;  // sized by what was read, not by the claim
        EXPECT_EQ(getValue(track, 8.0), kept >= 2 ? 2.0 : 0.0) << name;
        EXPECT_EQ(getValue(track, 4.0), kept >= 2 ? (name == std::string("Unknown") ? 1.0 : 1.5) : 0.0) << name;  // read as step
        const auto messages = log.messages();
        ASSERT_EQ(messages.size(), logged ? 1u : 0u) << name;
        EXPECT_TRUE(!logged || (messages[0].find(logged) != messages[0].npos &&
                                messages[0].find(trackFileName(name)) != messages[0].npos)) << messages[0];
    }
    destroyStore(store);
}

TEST(TrackText, TimesInRowsBeatsAndSecondsFollowTheShowsTimingMalformedLinesNamedAndShippedBinariesMatchTheirSource) {
    std::vector<TextTrack> tracks;
    ASSERT_EQ(parse("# heading\n\n[Camera.Yaw]   # trailing comment\n"
                    "0 0\n  4b   -2.5 smooth\n100 7 ramp\n10s 1e2 step\n[FX.Fade]\n", tracks), "");
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Camera.Yaw");
    // 10 s is 282.667 rows at 106 beats per minute, rounded.
    EXPECT_EQ(test::trackBytes(tracks[0].keys),
              test::trackBytes({{0, 0.0f, Linear}, {64, -2.5f, Smooth}, {100, 7.0f, Ramp}, {283, 100.0f, Step}}));
    EXPECT_TRUE(tracks[1].keys.empty());
    const std::pair<const char*, const char*> cases[] = {
        {"[A]\n[B]\n[A]\n", "3: track 'A' appears twice"},
        {"[A]\n1.5 1\n", "2: bad time '1.5'"},
        {"[A]\n16 1\n1b 2\n", "3: row 16 does not come after row 16"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(parse(text, tracks = {}), message);

    // The committed binaries are what the committed text compiles to, and every
    // track the shipped script and the engine read has a source.
    const std::string base = std::string(SOLVANE_SOURCE_DIR) + "/res/sync/";
    ASSERT_EQ(parse(test::readFile(base + "show.tracks"), tracks = {}), "");
    std::set<std::string> names;
    for (const TextTrack& t : tracks) {
        names.insert(t.name);
        EXPECT_EQ(test::readFile(base + trackFileName(t.name)), test::trackBytes(t.keys)) << t.name << ": recompile with tracktool";
    }
    const std::string script = test::readFile(std::string(SOLVANE_SOURCE_DIR) + "/res/scripts/scene.lua");
    const std::regex use("sync\\.get(Float|Bool|Int)\\(\"([^\"]+)\"\\)");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), use); it != std::sregex_iterator(); ++it)
        EXPECT_TRUE(names.count((*it)[2].str())) << (*it)[2].str();
    for (const char* read : {"Camera.Mode", "Needles.Fade", "Flakes.Visible", "Flakes.Fade"})
        EXPECT_TRUE(names.count(read)) << read;

    // A show's own timing (res/show.txt, tracktool --show) moves every time written in beats or seconds.
    setShowTiming({128.0, 8});
    const std::string timed = parse("[Cube.X]\n8b 1 step\n4s 2 step\n", tracks = {});
    const std::string text = timed.empty() ? writeTrackText(tracks) : "";
    setShowTiming({});
    ASSERT_EQ(timed, "");
    ASSERT_EQ(tracks[0].keys.size(), 2u);
    EXPECT_EQ(tracks[0].keys[0].row, 64);
    EXPECT_EQ(tracks[0].keys[1].row, 68);  // 4 s at 128 x 8 a minute: 68.27
    EXPECT_NE(text.find("8b "), std::string::npos) << text;
}

// Binary tracks back to text: the shipped ones are compared with their source above; here the values
// text finds hardest, and what it cannot hold.
TEST(TrackDecompile, AwkwardValuesComeBackByteForByteAndWhatTheTextCannotHoldIsRefused) {
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

    const std::string whole = test::trackBytes({{0, 1.0f, Linear}, {16, 2.0f, Step}});
    for (const std::string& bytes : {std::string("\1\0\0", 3), whole.substr(0, whole.size() - 1), whole + "x"})
        EXPECT_FALSE(decodeTrack(bytesOf(bytes), track.keys, error)) << bytes.size();
    const std::pair<TextTrack, const char*> cases[] = {
        {{"Type", {{0, 1.0f, 7}}}, "bad interpolation '7'"},
        {{"Negative", {{-16, 1.0f, Step}}}, "bad time '-1b'"},
        {{"NaN", {{0, std::numeric_limits<float>::quiet_NaN(), Step}}}, "bad value"},
        {{"Order", {{32, 1.0f, Step}, {16, 1.0f, Step}}}, "does not come after row 32"},
        {{"Has space", {{0, 1.0f, Step}}}, "bad track name"},
    };
    for (const auto& [bad, mentions] : cases) {
        std::string text, why;
        EXPECT_FALSE(decompileTrack(bad, text, why)) << bad.name;
        EXPECT_NE(why.find(mentions), std::string::npos) << why;
    }
}
