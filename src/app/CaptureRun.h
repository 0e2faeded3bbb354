// Offline capture with the whole engine: the checks made before any window
// opens, and the frame loop that replaces the real-time one (Engine::runCapture).
#pragma once
#include "capture/CaptureSettings.h"

#include <string>

// Makes the frame folder if needed and proves it writable; with a video, finds
// ffmpeg and the video's folder. False with one line in `error`.
bool prepareCaptureTarget(const CaptureSettings& settings, std::string& error);

// Soundtrack length in seconds from the decoded file; negative when it cannot be decoded.
double soundtrackSeconds(const std::string& path);

// Fits the range to a soundtrack of `length` seconds: an end past it (or none)
// becomes the end, with a note for an end that was given. False when nothing is left.
bool fitCaptureRange(CaptureSettings& settings, double length, std::string& note, std::string& error);
