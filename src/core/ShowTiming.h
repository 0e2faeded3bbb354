// The show's timing in one place: the soundtrack's tempo and sync rows per beat
// (from res/show.txt when the show has one), the fixed scene step, and where a
// sync track's file lives. Everything that turns seconds into rows or beats
// reads showTiming(): the engine, the sync device and editor link, track text
// and tools, the hand-set clock.
#pragma once
#include <string>

inline constexpr double kDefaultBeatsPerMinute = 106.0;
inline constexpr int kDefaultRowsPerBeat = 16;
// Seconds of play position per fixed update of the scene: one frame at 60 Hz.
inline constexpr float kFixedStep = 0.0167f;
inline constexpr const char* kSyncTrackDirectory = "res/sync/";

struct ShowTiming {
    double beatsPerMinute = kDefaultBeatsPerMinute;
    int rowsPerBeat = kDefaultRowsPerBeat;
};

// The process's timing: the defaults until the show's file was read.
const ShowTiming& showTiming();
// Set once at start-up (the player, tracktool --show) before anything reads it.
void setShowTiming(const ShowTiming& timing);

// Sync rows per second of soundtrack at `bpm` and the show's rows per beat
// (at 106 beats per minute and 16 rows about 28.27).
inline double rowsPerSecond(double bpm) { return bpm / 60.0 * showTiming().rowsPerBeat; }
// At the show's own tempo.
inline double rowsPerSecond() { return rowsPerSecond(showTiming().beatsPerMinute); }

// "_" + name + ".track": the file of track `name`, below kSyncTrackDirectory in the show.
inline std::string trackFileName(const std::string& name) { return "_" + name + ".track"; }
