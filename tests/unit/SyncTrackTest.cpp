// Sync tracks: interpolation, key search, the row from the soundtrack, the
// getters' rounding, lazy single loads, and damaged or missing track files.
#include "audio/ManualAudioDevice.h"
#include "sync/SyncDevice.h"
#include "sync/SyncTrack.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Key {
    int32_t row;
    float value;
    int8_t type;
};

// The bytes of a track file: count, then 9 bytes per key.
std::string trackBytes(int32_t count, const std::vector<Key>& keys) {
    std::string out(reinterpret_cast<const char*>(&count), 4);
    for (const Key& k : keys) {
        out.append(reinterpret_cast<const char*>(&k.row), 4);
        out.append(reinterpret_cast<const char*>(&k.value), 4);
        out.append(reinterpret_cast<const char*>(&k.type), 1);
    }
    return out;
}

std::string trackBytes(const std::vector<Key>& keys) { return trackBytes(static_cast<int32_t>(keys.size()), keys); }

SyncTrack trackOf(const std::vector<Key>& keys) {
    SyncTrack t;
    for (const Key& k : keys) t.keys.push_back({k.row, k.value, k.type});
    t.keyCount = static_cast<int32_t>(t.keys.size());
    return t;
}

class SyncFiles : public ::testing::Test {
protected:
    void SetUp() override {
        base = dir.path() + "/";
        ASSERT_TRUE(sync.init(&audio, base));
    }
    void write(const std::string& name, const std::string& bytes) { test::writeFile(base + "_" + name + ".track", bytes); }
    // Puts the row at `row` through the soundtrack position.
    void atRow(float row) {
        audio.bpm = 60.0f / 16.0f;  // one row per second
        audio.position = row;
        sync.update();
    }

    test::TempDir dir;
    std::string base;
    ManualAudioDevice audio;
    SyncDevice sync;
};

} // namespace

struct Interpolation {
    int8_t type;
    double at4;
    double at8;
};

TEST(SyncInterpolation, EachKeyTypeBetweenRowsZeroAndSixteen) {
    const Interpolation cases[] = {{Step, 0.0, 0.0}, {Linear, 0.25, 0.5}, {Smooth, 0.15625, 0.5}, {Ramp, 0.0625, 0.25}};
    for (const Interpolation& c : cases) {
        SyncTrack t = trackOf({{0, 0.0f, c.type}, {16, 1.0f, Step}});
        EXPECT_DOUBLE_EQ(getValue(&t, 4.0), c.at4) << "type " << int(c.type);
        EXPECT_DOUBLE_EQ(getValue(&t, 8.0), c.at8) << "type " << int(c.type);
        EXPECT_DOUBLE_EQ(getValue(&t, 0.0), 0.0);  // exactly on a key: its value (t = 0)
        EXPECT_DOUBLE_EQ(getValue(&t, 16.0), 1.0);
    }
}

TEST(SyncInterpolation, OutsideTheKeysAndOnThemTheKeyValuesHold) {
    SyncTrack t = trackOf({{10, 2.0f, Linear}, {20, 4.0f, Smooth}, {30, -1.0f, Ramp}});
    EXPECT_DOUBLE_EQ(getValue(&t, -5.0), 2.0);
    EXPECT_DOUBLE_EQ(getValue(&t, 9.99), 2.0);
    EXPECT_DOUBLE_EQ(getValue(&t, 20.0), 4.0);
    EXPECT_DOUBLE_EQ(getValue(&t, 30.0), -1.0);
    EXPECT_DOUBLE_EQ(getValue(&t, 1e12), -1.0);  // far beyond int rows
    EXPECT_DOUBLE_EQ(getValue(&t, 15.0), 3.0);
    SyncTrack empty;
    EXPECT_DOUBLE_EQ(getValue(&empty, 3.0), 0.0);
}

TEST(SyncInterpolation, UnknownKeyTypesReadZeroOverTheirSpan) {
    SyncTrack t = trackOf({{0, 5.0f, 7}, {10, 6.0f, -1}, {20, 7.0f, Step}});
    EXPECT_DOUBLE_EQ(getValue(&t, 5.0), 0.0);
    EXPECT_DOUBLE_EQ(getValue(&t, 15.0), 0.0);
    EXPECT_DOUBLE_EQ(getValue(&t, 20.0), 7.0);  // the last key's type is never used
}

TEST(SyncDeviceRow, SixteenRowsPerBeatOfTheSoundtrackTempo) {
    ManualAudioDevice audio;
    SyncDevice sync;
    ASSERT_TRUE(sync.init(&audio, "unused/"));
    audio.position = 12.5f;
    sync.update();
    EXPECT_FLOAT_EQ(sync.getRow(), 12.5f * static_cast<float>(106.0 / 60.0 * 16.0));
    EXPECT_NEAR(sync.getRow(), 353.33f, 0.01f);
    SyncDevice unbound;
    EXPECT_FALSE(unbound.init(nullptr, "unused/"));
}

TEST_F(SyncFiles, GettersReadTheTrackAtTheRowOfTheLastUpdate) {
    write("Value.Test", trackBytes({{0, 2.99f, Step}, {10, -0.25f, Step}, {20, 0.0f, Step}, {30, 0.001f, Step}}));
    atRow(5.0f);
    EXPECT_FLOAT_EQ(sync.getFloat("Value.Test"), 2.99f);
    EXPECT_EQ(sync.getInt("Value.Test"), 2);
    EXPECT_TRUE(sync.getBool("Value.Test"));
    atRow(10.0f);
    EXPECT_EQ(sync.getInt("Value.Test"), -1);
    EXPECT_FALSE(sync.getBool("Value.Test"));
    atRow(20.0f);
    EXPECT_FALSE(sync.getBool("Value.Test"));
    EXPECT_EQ(sync.getInt("Value.Test"), 0);
    atRow(30.0f);
    EXPECT_TRUE(sync.getBool("Value.Test"));
}

TEST_F(SyncFiles, AMissingTrackReadsZeroWithoutAMessage) {
    test::LogCapture log;
    atRow(3.0f);
    EXPECT_EQ(sync.getFloat("FX.Fade"), 0.0f);
    EXPECT_FALSE(sync.getBool("FX.Fade"));
    EXPECT_EQ(sync.getInt("FX.Fade"), 0);
    EXPECT_TRUE(log.entries().empty());
}

namespace {
int opens = 0;
FILE* countingOpen(const char* path, const char* mode) {
    ++opens;
    return std::fopen(path, mode);
}
} // namespace

TEST_F(SyncFiles, EachTrackNameIsLoadedOnceAndKeptUnchanged) {
    SyncTrackStore* store = createStore(base);
    store->open = countingOpen;
    opens = 0;
    write("A", trackBytes({{0, 1.0f, Step}}));
    SyncTrack* a = getTrack(store, "A");
    write("A", trackBytes({{0, 9.0f, Step}}));  // a later edit is not seen
    EXPECT_EQ(getTrack(store, "A"), a);
    EXPECT_DOUBLE_EQ(getValue(a, 0.0), 1.0);
    getTrack(store, "Missing");
    getTrack(store, "Missing");
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(store->trackCount, 2);
    EXPECT_EQ(findTrack(store, "Missing"), 1);
    EXPECT_EQ(findTrack(store, "Other"), -1);
    destroyStore(store);
}

TEST_F(SyncFiles, ALongNameIsNeverCutIntoAnotherFilesName) {
    // A fixed path buffer of 260 characters would cut "res/.../_" + name + ".track"
    // after 259 characters and open whatever file has that shorter name.
    const size_t cut = 259 - base.size() - 1;
    const std::string prefix(cut, 'n');
    test::writeFile(base + "_" + prefix, trackBytes({{0, 5.0f, Step}}));
    const std::string longName = prefix + "-and-more";
    SyncTrackStore* store = createStore(base);
    EXPECT_EQ(trackPath(*store, longName.c_str()), base + "_" + longName + ".track");
    EXPECT_EQ(getTrack(store, longName.c_str())->keyCount, 0);
    destroyStore(store);
    write(std::string(240, 'k'), trackBytes({{0, 3.0f, Step}}));
    atRow(0.0f);
    EXPECT_EQ(sync.getFloat(std::string(240, 'k').c_str()), 3.0f);
}

// Damaged files: keys read whole are kept, nothing else, and one line says what was wrong.
struct Damaged {
    const char* what;
    std::string bytes;
    int keptKeys;
    const char* logged;  // part of the one log line; null for none
};

TEST_F(SyncFiles, DamagedFilesKeepOnlyWholeKeysAndSaySo) {
    const std::vector<Key> keys = {{0, 1.0f, Linear}, {8, 2.0f, Linear}, {16, 3.0f, Step}};
    const std::string whole = trackBytes(keys);
    const std::vector<Damaged> cases = {
        {"Empty", "", 0, "too short"},
        {"Three", whole.substr(0, 3), 0, "too short"},
        {"Cut", whole.substr(0, whole.size() - 1), 2, "holds 2 of its 3 keys"},
        {"Negative", trackBytes(-1, keys), 0, "negative key count (-1)"},
        {"Huge", trackBytes(2147483647, keys), 3, "holds 3 of its 2147483647 keys"},
        {"Zero", trackBytes(0, {}), 0, nullptr},
        {"Trailing", whole + "junk", 3, nullptr},
    };
    atRow(8.0f);
    for (const Damaged& c : cases) {
        write(c.what, c.bytes);
        test::LogCapture log;
        const float value = sync.getFloat(c.what);
        SyncTrackStore* store = createStore(base);
        SyncTrack* track = getTrack(store, c.what);
        EXPECT_EQ(track->keyCount, c.keptKeys) << c.what;
        EXPECT_EQ(track->keys.size(), static_cast<size_t>(c.keptKeys)) << c.what;
        EXPECT_LE(track->keys.capacity(), 4u) << c.what;  // sized by what was read, not by the claim
        EXPECT_EQ(value, c.keptKeys >= 2 ? 2.0f : 0.0f) << c.what;
        destroyStore(store);
        const auto entries = log.entries();
        if (!c.logged) {
            EXPECT_TRUE(entries.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(entries.size(), 2u) << c.what;  // one line per load: the device's and this store's
        EXPECT_NE(entries[0].message.find(c.logged), std::string::npos) << entries[0].message;
        EXPECT_NE(entries[0].message.find("_" + std::string(c.what) + ".track"), std::string::npos);
    }
}
