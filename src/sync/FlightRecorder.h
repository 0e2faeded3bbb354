// A camera flight recorded into the look-at tracks: one sample per sync row the
// soundtrack passes, thinned to the keys a linear track needs, merged into the
// tracks' keys and written through temporary files. No GL and no engine: the
// scene feeds it the free camera once per frame.
#pragma once
#include "sync/SyncTrack.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <map>
#include <vector>

struct FlightSample {
    int32_t row;
    glm::vec3 eye;
    glm::vec3 focus;
};

// How far a dropped sample may lie from the line through the keys kept around it.
inline constexpr float kFlightToleranceUnits = 0.01f;
inline constexpr float kFlightToleranceDegrees = 0.5f;

class FlightRecorder {
public:
    // Forgets any earlier flight.
    void start();
    bool isRecording() const { return recording; }
    // The camera at play position `row` (fractional) in this frame. Every whole row
    // passed since the last frame gets a sample, placed between the two frames'
    // cameras. A row that went back, stood still or leapt ahead by more than
    // `maxRowsPerFrame` (a seek, not play) records nothing. A row flown again
    // replaces its sample.
    void sample(double row, const glm::vec3& eye, const glm::vec3& focus, double maxRowsPerFrame);
    // Ends the recording; its samples in ascending rows.
    std::vector<FlightSample> stop();

private:
    bool recording = false;
    bool hasLast = false;
    double lastRow = 0.0;
    glm::vec3 lastEye{0.0f}, lastFocus{0.0f};
    std::map<int32_t, FlightSample> samples;
};

// The samples to keep as keys (indices, ascending; the first and last always): a
// sample goes where linear interpolation between the kept ones around it stays
// within `units` of its eye and of its focus, and within `degrees` of its view.
std::vector<size_t> thinFlight(const std::vector<FlightSample>& samples, float units = kFlightToleranceUnits,
                               float degrees = kFlightToleranceDegrees);

// `keys` (ascending rows) with every key in rows first..last replaced by
// `recorded`. Keys outside stay; where the track read differently just outside
// the range because its keys inside are gone, one key at first - 1 or last + 1
// gives back the old value there, so the show around the flight looks as before.
std::vector<SyncKey> mergeRecordedKeys(const std::vector<SyncKey>& keys, const std::vector<SyncKey>& recorded,
                                       int32_t first, int32_t last);

// Thins `samples`, merges them as linear keys into "Camera.X/Y/Z" and
// "Focus.X/Y/Z" and a step to 0 into "Camera.Mode" over their rows, then writes
// all seven files (each to a temporary file first, renamed once all are written)
// and takes the keys into the store. One line says which track got how many
// keys; false (one line, nothing changed) when a file cannot be written, and
// false (one line each) for a rename that fails, which leaves that track as it was.
bool writeFlightTracks(SyncTrackStore& store, const std::vector<FlightSample>& samples);
