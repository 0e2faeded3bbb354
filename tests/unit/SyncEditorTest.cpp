// The editor connection against a stand-in editor on 127.0.0.1: requests, edits, jumps, pauses,
// saves, and the faults that end a connection. Every wait is bounded; none asserts a duration.
#include "sync/EditorProtocol.h"
#include "sync/SyncDevice.h"

#include "StandInEditor.h"
#include "TestSupport.h"

namespace {
using namespace test::editorwire;
using test::StandInEditor;

// A soundtrack that, like the real one, seeks to whole samples: here always the one before.
struct SampleClock : ManualAudioDevice {
    void setPosition(float seconds) override { position = static_cast<float>(std::floor(seconds * 44100.0) / 44100.0); }
    double getLength() override { return 60.0; }
};

struct Session {
    // Connects a sync device to the stand-in editor with tracks "A" (a key from its
    // file) and "B" (no file) asked for in that order.
    void connect() {
        test::writeTrack(dir.path(), "A", {{0, 1.0f, Step}});
        editor.greetWith(editor::kServerGreeting);
        sync.useEditor(editor.address());
        ASSERT_TRUE(sync.init(&audio, base));
        editor.joinGreeter();
        ASSERT_EQ(editor.heard, "hello, synctracker!");
        atRow(0.0f);
        EXPECT_EQ(sync.getFloat("A"), 1.0f);  // the file's keys until the editor answers
        sync.getFloat("B");
        ASSERT_EQ(editor.read(12), getTrack("A") + getTrack("B"));
    }
    void atRow(float row) {
        audio.position = row / perSecond;
        sync.update();
    }
    bool pump(const std::function<bool()>& condition) {
        return test::waitFor([&] {
            audio.update();
            sync.update();
            return condition();
        });
    }
    float valueAt(const char* name, float row) {
        const float keep = audio.position;
        atRow(row);
        const float value = sync.getFloat(name);
        audio.position = keep;
        return value;
    }

    const float perSecond = static_cast<float>(rowsPerSecond());
    test::TempDir dir;
    std::string base = dir.path() + "/";
    SampleClock audio;
    SyncDevice sync;
    StandInEditor editor;
};

class EditorSession : public ::testing::Test, protected Session {};
} // namespace

TEST_F(EditorSession, AsksForEachTrackOnceAppliesEditsAtOnceAndFollowsJumpsAndPauses) {
    connect();
    sync.getFloat("A");
    sync.getInt("C");
    sync.getBool("B");
    EXPECT_EQ(editor.read(6), getTrack("C"));

    // The second key arrives in two pieces; the first piece waits for the rest.
    const std::string second = setKey(1, 16, 7.0f, Linear);
    editor.write(setKey(1, 0, 5.0f, Linear) + second.substr(0, 6));
    ASSERT_TRUE(pump([&] { return valueAt("B", 8.0f) == 5.0f; }));
    editor.write(second.substr(6));
    ASSERT_TRUE(pump([&] { return valueAt("B", 8.0f) == 6.0f; }));
    editor.write(setKey(1, 0, 3.0f, Smooth) + deleteKey(1, 16) + deleteKey(1, 99));
    ASSERT_TRUE(pump([&] { return valueAt("B", 8.0f) == 3.0f; }));
    // The editor's first word on a track replaces the file's keys.
    editor.write(setKey(0, 32, 4.0f, Step));
    ASSERT_TRUE(pump([&] { return valueAt("A", 0.0f) == 4.0f; }));

    // Row jumps move the soundtrack, pauses hold it, and the rows played are told.
    audio.play();
    editor.write(setRow(100));
    ASSERT_TRUE(pump([&] { return sync.getRow() == 100.0f; }));
    EXPECT_NEAR(audio.position, 100.0f / perSecond, 1.0 / 44100);
    // Played on from there, each new row is told; the editor's own jump is not echoed.
    audio.position += 0.1f;  // 2.8 rows
    sync.update();
    EXPECT_EQ(editor.read(5), setRow(102));

    editor.write(pause(true));
    ASSERT_TRUE(pump([&] { return !audio.isPlaying(); }));
    EXPECT_TRUE(sync.editorPaused());
    editor.write(pause(false) + pause(true));
    ASSERT_TRUE(pump([&] { return sync.editorPaused() && !audio.isPlaying(); }));
    // A jump while paused lands on the row exactly, though the clock seeks to the sample before it.
    editor.write(setRow(333));
    ASSERT_TRUE(pump([&] { return sync.getRow() == 333.0f; }));
    // With the editor gone nobody can resume: the show plays on.
    editor.hangUp();
    ASSERT_TRUE(pump([&] { return audio.isPlaying(); }));
    EXPECT_FALSE(sync.editorPaused());
}

// An editor in a hurry: keys sent last row first, edits of one row in one burst,
// saves and jumps past the end by the hundred. Each frame's work stays bounded:
// the burst of saves is one save and the jumps one line. Each track is saved
// through a temporary file, but none outside the folder.
TEST_F(EditorSession, BurstsOfKeysSavesAndJumpsCostOneMergeOneSaveAndOneLineAndNoSaveLeavesTheFolder) {
    connect();
    for (const char* name : {"../Escape", "..", "C"}) sync.getFloat(name);
    editor.read(100, 200);
    std::string burst;
    std::vector<SyncKey> expected;
    auto value = [](uint32_t row) { return static_cast<float>(row) * 0.25f - 100.0f; };
    for (uint32_t row = 3000; row >= 2; row -= 2) burst += setKey(1, row, value(row), static_cast<uint8_t>(row % 8 / 2));
    for (uint32_t row = 2; row <= 3000; row += 2)
        expected.push_back({static_cast<int>(row), value(row), static_cast<int32_t>(row % 8 / 2)});
    burst += setKey(1, 1, 5.0f, Step) + deleteKey(1, 1);    // set, then gone
    burst += deleteKey(1, 3001) + setKey(1, 3001, 6.0f, Step);  // the last word counts
    expected.push_back({3001, 6.0f, Step});
    editor.write(burst);
    ASSERT_TRUE(pump([&] { return valueAt("B", 3001.0f) == 6.0f; }));

    test::LogCapture log;
    const std::string saved = "Sync editor: saved 3 tracks to " + base;
    editor.write(std::string(200, '\x05'));
    for (int i = 0; i < 300; ++i) editor.write(setRow((1u << 30) + static_cast<uint32_t>(i)));
    ASSERT_TRUE(pump([&] { return log.count(saved) == 1 && audio.position == 60.0f; }));
    for (int frame = 0; frame < 20; ++frame) pump([] { return true; });
    EXPECT_EQ(log.count(saved), 1u);
    EXPECT_EQ(log.errors().size(), 3u);  // ".." too, which only a careless join would let out
    EXPECT_TRUE(log.contains("Sync editor: track '../Escape' is not saved: its file would lie outside " + base));
    EXPECT_TRUE(log.contains("Sync editor: row 1073741824 is past the end of the soundtrack (60.00 s); playing from its end"));
    EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"_A.track", "_B.track", "_C.track"}));
    SyncTrackStore* reloaded = createStore(base);
    EXPECT_EQ(test::trackBytes(getTrack(reloaded, "B")->keys), test::trackBytes(expected));
    EXPECT_EQ(test::trackBytes(getTrack(reloaded, "A")->keys), test::trackBytes({{0, 1.0f, Step}}));
    destroyStore(reloaded);
}

TEST(EditorFaults, EndTheConnectionWithOneLineAndKeepTheKeys) {
    const std::pair<std::function<void(StandInEditor&, SyncDevice&)>, const char*> cases[] = {
        {[](StandInEditor& e, SyncDevice&) { e.write("garbage"); }, "unknown command 103"},
        {[](StandInEditor& e, SyncDevice&) { e.write(setKey(2, 0, 1.0f, Step)); }, "SET_KEY for track 2, which was never requested"},
        {[](StandInEditor& e, SyncDevice&) { e.write(setKey(1, 5, 1.0f, 4)); }, "interpolation 4 in SET_KEY for track 1 row 5"},
        {[](StandInEditor& e, SyncDevice&) { e.write(setKey(1, 6, std::nanf(""), Step)); }, "value NaN in SET_KEY for track 1 row 6"},
        {[](StandInEditor& e, SyncDevice&) { e.write(setKey(1, 7, -HUGE_VALF, Step)); }, "value infinite in SET_KEY for track 1 row 7"},
        {[](StandInEditor& e, SyncDevice&) { e.write(setKey(1, 0, 1.0f, Step).substr(0, 9)); e.hangUp(); },
         "the editor closed the connection in the middle of a message"},
        {[](StandInEditor&, SyncDevice& s) { s.getFloat(std::string((1u << 20) + 1, 'n').c_str()); },
         "the track name of 1048577 bytes is above the 1 MiB limit"},
    };
    for (const auto& [fault, what] : cases) {
        SCOPED_TRACE(what);
        Session session;  // a fresh device and editor per case
        session.connect();
        session.editor.write(setKey(1, 0, 9.0f, Step));
        ASSERT_TRUE(session.pump([&] { return session.sync.getFloat("B") == 9.0f; }));
        test::LogCapture log;
        fault(session.editor, session.sync);
        const std::string line = std::string("Sync editor: ") + what + "; disconnected, the keys received so far stay";
        ASSERT_TRUE(session.pump([&] { return log.contains(line); }));
        EXPECT_EQ(log.errors().size(), 1u);
        EXPECT_EQ(session.sync.getFloat("B"), 9.0f);
        EXPECT_TRUE(session.editor.peer < 0 || session.editor.hungUp());
    }
}

// An editor that is not running, is not an editor, or a mistyped address: the
// show plays from the track files, with one line saying why.
TEST(EditorFaults, AFailedConnectLeavesTheFilesInChargeWithOneLine) {
    test::TempDir dir;
    test::writeTrack(dir.path(), "A", {{0, 2.0f, Step}});
    StandInEditor closed;  // its port, with nobody listening
    const std::string closedAddress = closed.address();
    ::close(closed.listener);
    closed.listener = -1;
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"", closedAddress, "cannot connect to " + closedAddress + " (Connection refused)"},
        {"hello, world", "", "is not a sync editor (it answered with other words)"},
        {"", "127.0.0.1:70000", "'127.0.0.1:70000' is not HOST[:PORT]"},
    };
    for (const auto& [greeting, address, line] : cases) {
        StandInEditor stand;
        if (*greeting) stand.greetWith(greeting);
        ManualAudioDevice audio;
        SyncDevice sync;
        sync.useEditor(address.empty() ? stand.address() : address);
        test::LogCapture log;
        ASSERT_TRUE(sync.init(&audio, dir.path() + "/"));
        ASSERT_EQ(log.errors().size(), 1u) << line;
        EXPECT_NE(log.errors()[0].find("Sync editor: "), std::string::npos);
        EXPECT_NE(log.errors()[0].find(line), std::string::npos) << log.errors()[0];
        sync.update();
        EXPECT_EQ(sync.getFloat("A"), 2.0f);
    }
}
