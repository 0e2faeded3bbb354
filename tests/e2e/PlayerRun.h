// What the end-to-end tests share: the player run to its end with what it said on
// stderr, the player talking to a stand-in editor, and a one-cube scene.
#pragma once
#include "StandInEditor.h"
#include "TestSupport.h"

#include <sys/wait.h>

namespace e2e {
struct Run {
    int status = -1;
    std::vector<std::string> said;  // the player's own stderr lines, not SDL's debug lines
    // True when the player wrote exactly one line and it holds `words`.
    bool saysOnly(const std::string& words) const { return said.size() == 1 && said[0].find(words) != std::string::npos; }
};

// The player in `dir` with `arguments` after `prefix` (settings or a wrapper): the tests' words, unquoted.
inline Run play(const test::TempDir& dir, const std::string& arguments, const std::string& prefix = "") {
    const int raw = std::system(
        ("cd '" + dir.path() + "' && " + prefix + " '" + SOLVANE_BINARY + "' " + arguments + " 2> stderr.txt").c_str());
    Run run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}};
    for (const std::string& line : test::readLines(dir.file("stderr.txt")))
        if (line.rfind("solvane: ", 0) == 0) run.said.push_back(line);
    return run;
}

// The player's own lines of the log at `path`: SDL's driver probing (some of it
// "Failed loading ...") comes before them, and the sound libraries' messages
// ("ALSA ...") come from the audio worker whenever it probes.
inline std::vector<std::string> playerLog(const std::string& path) {
    std::vector<std::string> lines = test::readLines(path);
    lines.erase(lines.begin(), std::find_if(lines.begin(), lines.end(),
                                            [](const std::string& l) { return l.rfind("Compiled SDL Version", 0) == 0; }));
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("ALSA ", 0) == 0; }),
                lines.end());
    return lines;
}

inline long linesWith(const std::vector<std::string>& lines, const std::string& words) {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(words) != std::string::npos; });
}

// The player in `dir` with `option` `value`, connected to an editor that has greeted it
// (the connection waits in the listener's queue until the greeter takes it).
struct EditedPlayer {
    EditedPlayer(const std::string& dir, const std::string& option, const std::string& value)
        : player(SOLVANE_BINARY, dir, {option, value, "--sync-editor", editor.address()}) {
        editor.greetWith("hello, demo!");
        editor.joinGreeter();
    }
    // The rows the player tells until `enough` says so or it stops talking; the tracks it asks for go to `tracks`.
    std::vector<uint32_t> rowsTold(const std::function<bool(uint32_t)>& enough) {
        std::vector<uint32_t> rows;
        for (std::string c = editor.read(5); c.size() == 5; c = editor.read(5)) {
            const uint32_t word = static_cast<uint32_t>(static_cast<uint8_t>(c[1]) << 24 | static_cast<uint8_t>(c[2]) << 16 |
                                                        static_cast<uint8_t>(c[3]) << 8 | static_cast<uint8_t>(c[4]));
            if (c[0] == 2) tracks.push_back(editor.read(word));
            if (c[0] == 3) rows.push_back(word);
            if (c[0] == 3 && enough(word)) break;
        }
        return rows;
    }
    test::StandInEditor editor;
    test::Process player;
    std::vector<std::string> tracks;
};

// A cube seen by an orbit camera 8 units out, placed at x = `x` (Lua) each frame
// after `update` (the body of update(step)) ran; `travelled` is the script's own.
inline void writeCubeScene(const test::TempDir& dir, const std::string& update, const std::string& x) {
    for (auto [name, value] : {std::make_pair("Camera.Mode", 1.0f), std::make_pair("Camera.Distance", 8.0f)})
        test::writeTrack(dir.file("res/sync"), name, {{0, value, Step}});
    test::writeFile(dir.file("res/scripts/scene.lua"),
                    "local cube\nlocal travelled = 0\n"
                    "function build()\n  cube = object.new('cube')\n  scene.getRoot():addChild(cube)\n  return true\nend\n"
                    "function update(step) " + update + " end\nfunction render(time)\n"
                    "  cube:setPosition(vector3.new(" + x + ", 0, 0))\n  scene.getRoot():render(time)\nend\n");
}
} // namespace e2e
