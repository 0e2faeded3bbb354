// A picture of sync tracks over time for demo makers: one lane per track with
// its name, value range and keys marked by interpolation, beat and bar lines,
// and the soundtrack's waveform underneath. Plain data in, an RGB raster out;
// values come from getValue, so the curves are what the engine reads.
#pragma once
#include "audio/AudioPlayback.h"
#include "core/ShowTiming.h"
#include "sync/PlotFont.h"
#include "sync/SyncTrack.h"

#include <cstdint>
#include <string>
#include <vector>


struct PlotLane {
    std::string name;
    std::vector<SyncKey> keys;
};

struct PlotRequest {
    std::vector<PlotLane> tracks;
    std::vector<int16_t> audio;  // interleaved stereo at playback::kOutputRate; empty for no waveform
    float bpm = static_cast<float>(showTiming().beatsPerMinute);
    // A negative or missing end: the soundtrack's end, else one bar after the last key.
    double fromSeconds = 0.0;
    double toSeconds = -1.0;
    int width = 1600;
};

struct PlotPicture : RgbImage {
    double fromSeconds = 0.0;  // the span drawn
    double toSeconds = 0.0;
    int plotLeft = 0;          // x of fromSeconds; toSeconds is at width - 1 - kPlotRightMargin
};

constexpr int kPlotRightMargin = 12;
// Lanes beyond it are left out: a taller picture is no longer read, only stored.
constexpr size_t kMaxPlotLanes = 64;

// The markers' colours by interpolation (step, linear, smooth, ramp), and the waveform's.
extern const Rgb kPlotKeyColours[4];
extern const Rgb kPlotWaveColour;

PlotPicture plotTracks(const PlotRequest& request);
