// res/show.txt: what makes a show its own without touching code - the
// soundtrack, its tempo, sync rows per beat and the window title. Optional;
// every entry left out keeps the value the shipped show has always used.
#pragma once
#include "core/ShowTiming.h"

#include <string>
#include <vector>

inline constexpr const char* kShowFileName = "res/show.txt";
inline constexpr const char* kDefaultSoundtrack = "res/audio/melody2.mp3";
inline constexpr const char* kDefaultTitle = "Drenn - Solvane";
inline constexpr double kMinBeatsPerMinute = 20.0;
inline constexpr double kMaxBeatsPerMinute = 400.0;
inline constexpr int kMaxRowsPerBeat = 64;

struct ShowFile {
    bool present = false;  // the file existed and was read
    std::string soundtrack = kDefaultSoundtrack;
    std::string title = kDefaultTitle;
    ShowTiming timing;
    std::vector<std::string> warnings;  // one line each: unknown keys
};

// The whole of `text` as a finite number (a show file's values, the command line's seconds).
bool readNumber(const std::string& text, double& out);

// Entries are "Key = value;", one a line; the value runs to the semicolon (or
// the line's end) and may hold blanks. Lines without '=' are comments. False
// with one line in `error` (key, value, accepted range) for a value that is
// out of range or not a number; unknown keys only add a warning.
bool parseShowFile(const std::string& text, ShowFile& show, std::string& error);
// A missing file is the defaults; an unreadable one (a directory, say) is an error.
bool readShowFile(const std::string& path, ShowFile& show, std::string& error);
