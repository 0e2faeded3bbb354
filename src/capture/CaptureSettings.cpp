// Frame schedule, file names, pixel layout and progress text of a capture.
// Plain arithmetic and strings only, so the unit tests check them without GL.
#include "capture/CaptureSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// Rounding noise of a range given in decimal seconds: 2.0 s at 30 fps is 60
// frames even when (to - from) * fps comes out as 60.000000001.
constexpr double kFrameSlack = 1e-6;

std::string minutesSeconds(double seconds) {
    long s = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}
} // namespace

long captureFrameCount(double from, double to, int fps) {
    if (fps <= 0 || !(to > from)) return 0;
    return static_cast<long>(std::ceil((to - from) * fps - kFrameSlack));
}

float captureFrameTime(double from, int fps, long frame) {
    return static_cast<float>(from + static_cast<double>(frame) / fps);
}

long capturePreRollCount(double from, int fps) {
    if (fps <= 0 || from <= 0.0) return 0;
    // k / fps < from for k = 1 .. count.
    return std::max(0L, static_cast<long>(std::ceil(from * fps - kFrameSlack)) - 1);
}

float capturePreRollTime(int fps, long k) { return captureFrameTime(0.0, fps, k); }

std::string captureFramePath(const std::string& directory, long frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06ld.png", frame);
    return directory + "/" + name;
}

void flipRgbaToRgb(const uint8_t* rgba, int width, int height, uint8_t* rgb) {
    const size_t w = static_cast<size_t>(width);
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = rgba + static_cast<size_t>(height - 1 - y) * w * 4;
        uint8_t* to = rgb + static_cast<size_t>(y) * w * 3;
        for (size_t x = 0; x < w; ++x) {
            to[x * 3 + 0] = from[x * 4 + 0];
            to[x * 3 + 1] = from[x * 4 + 1];
            to[x * 3 + 2] = from[x * 4 + 2];
        }
    }
}

std::string captureProgressLine(long done, long total, double elapsedSeconds) {
    const int barWidth = 30;
    const double fraction = total > 0 ? static_cast<double>(done) / total : 1.0;
    const int filled = static_cast<int>(fraction * barWidth);
    const double rate = elapsedSeconds > 0.0 ? done / elapsedSeconds : 0.0;
    const std::string left = rate > 0.0 ? minutesSeconds((total - done) / rate) : "-:--";
    char text[160];
    std::snprintf(text, sizeof text, "[%s%s] frame %ld/%ld %3d%% %.1f fps %s left",
                  std::string(static_cast<size_t>(filled), '#').c_str(),
                  std::string(static_cast<size_t>(barWidth - filled), '.').c_str(), done, total,
                  static_cast<int>(fraction * 100.0), rate, left.c_str());
    return text;
}

std::string captureSummaryLine(long frames, int width, int height, const CaptureSettings& settings,
                               double elapsedSeconds) {
    char text[256];
    std::snprintf(text, sizeof text, "Captured %ld frames of %dx%d at %d fps (%.3f s to %.3f s) in %.1f s, %.1f frames/s",
                  frames, width, height, settings.fps, settings.from,
                  settings.from + static_cast<double>(frames) / settings.fps, elapsedSeconds,
                  elapsedSeconds > 0.0 ? frames / elapsedSeconds : 0.0);
    return text;
}
