// The real player with --sync-editor against a stand-in editor on 127.0.0.1:
// it asks for the tracks its scene reads, tells its rows while playing, and a
// pause from the editor holds the show, which ends normally once resumed.
#include "PlayerRun.h"

#include <set>

using namespace test::editorwire;

TEST(PlayerWithEditor, AsksForItsTracksReportsRowsAndAPauseHoldsTheShow) {
    test::TempDir dir;
    test::copyShow(dir, test::standardConfig(320, 240, 0, true), true);
    e2e::EditedPlayer run(dir.path(), {});
    test::StandInEditor& editor = run.editor;
    ASSERT_EQ(editor.heard, "hello, synctracker!");

    // Requests until the first row report, which only comes once the show plays.
    std::vector<std::string> names;
    std::string command = editor.read(5);
    for (; command.size() == 5 && command[0] == 2; command = editor.read(5))  // names are far below 64 KiB
        names.push_back(editor.read(static_cast<uint8_t>(command[3]) << 8 | static_cast<uint8_t>(command[4])));
    ASSERT_EQ(command.substr(0, 1), "\x03") << "the player stopped talking";
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    for (const char* read : {"Camera.Mode", "Camera.Distance", "FX.Fade", "Sun.Zenith(Deg)", "DisplacementScale"})
        EXPECT_NE(std::find(names.begin(), names.end(), read), names.end()) << read;

    // Paused for longer than the whole soundtrack, the show is still running.
    editor.write(pause(true) + setRow(40));
    EXPECT_EQ(run.player.wait(std::chrono::seconds(5)), -1);
    editor.write(pause(false));
    ASSERT_EQ(run.player.wait(std::chrono::seconds(60)), 0);
    const auto lines = test::readLines(dir.file("Log.txt"));
    test::expectInOrder(lines, {"Sucessfully initialized Audio Device", "Sync editor: connected to " + editor.address(),
                                "Sucessfully initialized Sync Device", "Starting playback!", "Successfully shut down SDL"});
    for (const std::string& line : lines) EXPECT_EQ(line.find("Failed"), std::string::npos) << line;
}
