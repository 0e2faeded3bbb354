// `solvane --new DIR`: a small show of one's own to start from, written into a
// new folder - display settings, show file, a short scene script, a few tracks
// (as text and compiled), the player's own shaders, textures and models, and a
// soundtrack (the one given, or a click track at the show's tempo).
#pragma once
#include <string>

inline constexpr double kStarterBeatsPerMinute = 120.0;
inline constexpr int kStarterRowsPerBeat = 8;
inline constexpr int kStarterBars = 8;  // of 4 beats: the click track's length

struct StarterShowRequest {
    std::string directory;
    double beatsPerMinute = kStarterBeatsPerMinute;
    std::string soundtrack;  // an MP3 to copy in; empty: a click track is written
};

// The folder the player takes a new show's shaders, textures and models from:
// the first of <exe dir>/res, <exe dir>/../res and <exe dir>/../share/solvane/res
// that holds shaders, textures and models. Empty when none does.
std::string findPlayerData(const std::string& executable);
// This process's executable, from /proc/self/exe; `fallback` (argv[0]) when it cannot be read.
std::string currentExecutable(const std::string& fallback);

enum class StarterResult {
    Ok,
    Refused,  // the request itself: a folder that exists and is not empty, a soundtrack that is no MP3
    Failed,   // no player data found, or a file that could not be written (nothing is left behind)
};

// Writes the show; `message` is one line saying what was done or why not.
StarterResult createStarterShow(const StarterShowRequest& request, const std::string& playerData, std::string& message);
