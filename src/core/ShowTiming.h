// The show's timing in one place: the soundtrack's tempo, sync rows per beat,
// the fixed scene step, and where a sync track's file lives. Read by the
// engine, the sync device and track tools, the hand-set clock and the pad scrub.
#pragma once
#include <string>

inline constexpr float kSoundtrackBpm = 106.0f;
inline constexpr double kRowsPerBeat = 16.0;
// Seconds of play position per fixed update of the scene: one frame at 60 Hz.
inline constexpr float kFixedStep = 0.0167f;
inline constexpr const char* kSyncTrackDirectory = "res/sync/";

// Sync rows per second of soundtrack at `bpm` (at 106 beats per minute about 28.27).
inline constexpr double rowsPerSecond(double bpm) { return bpm / 60.0 * kRowsPerBeat; }

// "_" + name + ".track": the file of track `name`, below kSyncTrackDirectory in the show.
inline std::string trackFileName(const std::string& name) { return "_" + name + ".track"; }
