// The real player with --sync-editor against a stand-in editor on 127.0.0.1:
// it asks for the tracks its scene reads, tells its rows while playing, and a
// pause from the editor holds the show, which ends normally once resumed.
#include "StandInEditor.h"
#include "TestSupport.h"

#include <set>

using namespace test::editorwire;

TEST(PlayerWithEditor, AsksForItsTracksReportsRowsAndAPauseHoldsTheShow) {
    test::TempDir dir;
    test::copyShow(dir, test::standardConfig(320, 240, 0, true), true);
    test::StandInEditor editor;
    editor.greetWith("hello, demo!");
    test::Process player(SOLVANE_BINARY, dir.path(), {"--sync-editor", editor.address()});
    editor.joinGreeter();
    ASSERT_EQ(editor.heard, "hello, synctracker!");

    // Requests until the first row report, which only comes once the show plays.
    std::vector<std::string> names;
    for (;;) {
        const std::string command = editor.read(5);
        ASSERT_EQ(command.size(), 5u) << "the player stopped talking";
        const uint32_t n = (uint8_t(command[1]) << 24) | (uint8_t(command[2]) << 16) | (uint8_t(command[3]) << 8) | uint8_t(command[4]);
        if (command[0] == 3) break;
        ASSERT_EQ(command[0], 2);
        names.push_back(editor.read(n));
    }
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    for (const char* read : {"Camera.Mode", "Camera.Distance", "FX.Fade", "Sun.Zenith(Deg)", "DisplacementScale"})
        EXPECT_NE(std::find(names.begin(), names.end(), read), names.end()) << read;

    // Paused for longer than the whole soundtrack, the show is still running.
    editor.write(pause(true) + setRow(40));
    EXPECT_EQ(player.wait(std::chrono::seconds(5)), -1);
    editor.write(pause(false));
    ASSERT_EQ(player.wait(std::chrono::seconds(60)), 0);
    const auto lines = test::readLines(dir.file("Log.txt"));
    test::expectInOrder(lines, {"Sucessfully initialized Audio Device", "Sync editor: connected to " + editor.address(),
                                "Sucessfully initialized Sync Device", "Starting playback!", "Successfully shut down SDL"});
    for (const std::string& line : lines) EXPECT_EQ(line.find("Failed"), std::string::npos) << line;
}
