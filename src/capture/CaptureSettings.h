// What an offline capture renders (range, rate, size) and where the frames go,
// with the GL-free arithmetic of its frame schedule. Filled from the command line.
#pragma once
#include <cstdint>
#include <string>

inline constexpr int kMaxCaptureFps = 1000;
// Larger than any GL 3.3 driver's framebuffer; the driver's own limit is checked once a context exists.
inline constexpr int kMaxCaptureSide = 16384;

struct CaptureSettings {
    std::string directory;  // empty: no capture, the player runs in real time
    int fps = 60;
    double from = 0.0;
    double to = -1.0;       // below 0: the end of the soundtrack
    int width = 0;          // 0 x 0: the Config.txt size
    int height = 0;
    std::string video;      // an .mp4 to encode as well; empty: frames only
    // The encoding of `video`: quality first (false), or what party rules ask for (true).
    bool compoVideo = false;
    // Off only for measuring: the frames are rendered and presented, not read back.
    bool readBack = true;

    bool enabled() const { return !directory.empty(); }
};

// Frames in [from, to): frame i shows the soundtrack at from + i / fps.
long captureFrameCount(double from, double to, int fps);
float captureFrameTime(double from, int fps, long frame);
// The soundtrack positions a real-time run at `fps` frames per second passes
// through before `from` (k / fps for k = 1, 2, ... below `from`): the fixed-step
// updates go through the same ones, so the scene at `from` is the one a capture
// from 0 reaches there.
long capturePreRollCount(double from, int fps);
float capturePreRollTime(int fps, long k);

// "DIR/frame_000042.png".
std::string captureFramePath(const std::string& directory, long frame);

// Bottom-up RGBA rows as read from GL to top-down RGB rows, as PNG and video want them.
void flipRgbaToRgb(const uint8_t* rgba, int width, int height, uint8_t* rgb);

// The line redrawn on a terminal while capturing, and the one summary line at the end.
std::string captureProgressLine(long done, long total, double elapsedSeconds);
std::string captureSummaryLine(long frames, int width, int height, const CaptureSettings& settings,
                               double elapsedSeconds);
