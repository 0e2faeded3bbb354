// The player's command line: a table of options, each with the function that
// stores its value, and a table of checks across options. Without arguments the
// player runs the show in real time. Relies on nothing but the settings records.
#pragma once
#include "capture/CaptureSettings.h"

#include <string>
#include <vector>

struct LaunchOptions {
    CaptureSettings capture;
    bool useSyncEditor = false;
    std::string syncEditor;  // HOST[:PORT]; empty: localhost:1338
    bool syncEditorGroups = false;
    bool help = false;
    double start = 0.0;                    // --start: seconds into the soundtrack
    double loopFrom = -1.0, loopTo = -1.0; // --loop A:B; none when negative
    int width = 0, height = 0;             // --size; 0: Config.txt's
    int fullscreen = -1;                   // --fullscreen 1, --fullscreen desktop 2, --windowed 0; -1: Config.txt's
    std::string newShow;                   // --new DIR: write a starter show there instead of playing
    double newBeatsPerMinute = 0.0;        // --bpm; 0: the starter show's own tempo
    std::string newSoundtrack;             // --soundtrack FILE.mp3 for the starter show
    std::vector<std::string> given;  // option names in the order they came
    bool has(const std::string& name) const;
};

struct CommandLineOption {
    const char* name;      // "--fps"
    const char* value;     // shown in the usage line ("N"); null: the option takes no value
    bool valueOptional;    // the value may be left out (the next word starts with "--" or there is none)
    const char* requires;  // another option that must be given with this one, or null
    // Stores `value` (empty when an optional value was left out); false with `error` set when it is unusable.
    bool (*apply)(LaunchOptions& options, const std::string& value, std::string& error);
    const char* help;      // one line for --help
};

// A rule between options, checked after every option was read.
using CommandLineCheck = bool (*)(const LaunchOptions& options, std::string& error);

const std::vector<CommandLineOption>& commandLineOptions();
const std::vector<CommandLineCheck>& commandLineChecks();

// False with one line in `error` on an unknown or repeated option, a missing or bad value, or a failed check.
bool parseCommandLine(int argc, const char* const* argv, LaunchOptions& options, std::string& error);
std::string commandLineUsage();
// --help: every option on a line of its own, then the keys and buttons the player reacts to.
std::string commandLineHelp();
