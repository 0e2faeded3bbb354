// The capture loop: the hand-set clock moves by exactly 1/fps per frame, the
// fixed steps run from 0 as in real time, each presented image is read back
// through the pixel-buffer ring and handed to the writers. Errors print one line on stderr.
#include "app/CaptureRun.h"

#include "app/Engine.h"
#include "audio/AudioPlayback.h"
#include "audio/ManualAudioDevice.h"
#include "audio/Mp3Stream.h"
#include "capture/FrameWriter.h"
#include "gfx/FrameReadback.h"
#include "platform/StopSignals.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {
constexpr double kProgressInterval = 0.25;  // seconds between redraws of the progress line

void report(const std::string& line) {
    std::fprintf(stderr, "solvane: %s\n", line.c_str());
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "%s", line.c_str());
}

bool writableFolder(const std::string& dir, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(dir, code);
    const std::string probe = dir + "/.solvane-write-test";
    FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file) {
        error = "cannot write into '" + dir + "'" + (code ? ": " + code.message() : "");
        return false;
    }
    std::fclose(file);
    std::remove(probe.c_str());
    return true;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

bool prepareCaptureTarget(const CaptureSettings& settings, std::string& error) {
    if (!settings.video.empty()) {
        if (findProgram("ffmpeg").empty()) {
            error = "--video needs ffmpeg, which is not installed (Debian package ffmpeg)";
            return false;
        }
        const std::filesystem::path parent = std::filesystem::path(settings.video).parent_path();
        if (!writableFolder(parent.empty() ? "." : parent.string(), error)) return false;
    }
    return writableFolder(settings.directory, error);
}

double soundtrackSeconds(const std::string& path) {
    Mp3Stream stream;
    if (stream.open(path, playback::kOutputRate) != Mp3Decoder::Result::Ok) return -1.0;
    return static_cast<double>(stream.frames()) / playback::kOutputRate;
}

bool fitCaptureRange(CaptureSettings& s, double length, std::string& note, std::string& error) {
    if (s.from >= length) {
        error = "--from " + std::to_string(s.from) + " is past the end of the soundtrack (" + std::to_string(length) +
                " s)";
        return false;
    }
    if (s.to > length) note = "--to " + std::to_string(s.to) + " is past the end of the soundtrack; capturing to " +
                              std::to_string(length) + " s";
    if (s.to < 0.0 || s.to > length) s.to = length;
    return true;
}

bool Engine::runCapture() {
    CaptureSettings settings = capture;
    std::string note, error;
    // The capture's device decoded the soundtrack at start-up.
    const double length = audioDevice->getLength() > 0.0 ? audioDevice->getLength() : -1.0;
    if (length < 0.0) error = "cannot decode the soundtrack " + show.soundtrack;
    if (!error.empty() || !fitCaptureRange(settings, length, note, error)) {
        report(error);
        return false;
    }
    if (!note.empty()) report(note);
    // Initialize made this device for capture: the clock is set here, frame by frame.
    auto* clock = static_cast<ManualAudioDevice*>(audioDevice.get());
    const int width = window.getWidth();
    const int height = window.getHeight();
    GLint viewport[2] = {0, 0}, renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    const int largest = std::min({viewport[0], viewport[1], static_cast<int>(renderbuffer)});
    if (width > largest || height > largest) {
        report("--size " + std::to_string(width) + "x" + std::to_string(height) + " is larger than this GL driver draws (" +
               std::to_string(largest) + " pixels a side)");
        return false;
    }
    const long frames = captureFrameCount(settings.from, settings.to, settings.fps);

    rollForward(settings.from, settings.fps);

    VideoPipe video;
    if (settings.readBack && !settings.video.empty() &&
        !video.open(ffmpegArguments(settings.video, width, height, settings.fps, show.soundtrack, settings.from, frames,
                                    settings.compoVideo),
                    error)) {
        report(error);
        return false;
    }
    FrameReadback readback;
    if (settings.readBack && !createFrameReadback(readback, width, height)) {
        report("cannot make the read-back buffers");
        return false;
    }
    FrameWriter writer;
    const unsigned cores = std::thread::hardware_concurrency();
    writer.start(settings.directory, width, height, cores > 1 ? static_cast<int>(cores) - 1 : 1,
                 settings.video.empty() ? nullptr : &video);

    const bool terminal = isatty(STDERR_FILENO) == 1;
    const auto started = std::chrono::steady_clock::now();
    double lastProgress = -kProgressInterval;
    long written = 0;
    std::vector<uint8_t> rgba;
    // Hands the oldest frame in the ring to the writers.
    auto collect = [&]() {
        if (!collectFrameReadback(readback, rgba)) return false;
        std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
        flipRgbaToRgb(rgba.data(), width, height, rgb.data());
        return writer.submit(written++, std::move(rgb));
    };
    bool ok = true;
    bool stopped = !window.pumpEvents();  // a signal during start-up
    long rendered = 0;
    for (; rendered < frames && ok && !stopped; ++rendered) {
        clock->position = captureFrameTime(settings.from, settings.fps, rendered);
        advanceClock();
        renderFrame();
        if (settings.readBack) {
            if (readbackFull(readback)) ok = collect();
            issueFrameReadback(readback);
        }
        window.swap();
        if (!window.pumpEvents()) {
            stopped = true;
            ++rendered;
            break;
        }
        const double elapsed = secondsSince(started);
        if (terminal && elapsed - lastProgress >= kProgressInterval) {
            std::fprintf(stderr, "\r%s", captureProgressLine(rendered + 1, frames, elapsed).c_str());
            lastProgress = elapsed;
        }
    }
    while (ok && settings.readBack && readbackPending(readback)) ok = collect();
    if (settings.readBack) destroyFrameReadback(readback);
    ok = writer.finish() && ok;
    if (terminal) std::fprintf(stderr, "\r%s\n", captureProgressLine(written, frames, secondsSince(started)).c_str());

    std::string videoError;
    const bool videoOk = video.close(videoError);
    if (!ok) {
        const std::string reason = writer.failure().empty() ? "reading back a frame failed" : writer.failure();
        report("capture stopped: " + reason + "; the frames written before it are kept");
        return false;
    }
    if (stopped) {
        // Asked to stop, by a signal or the window: the capture did not finish, whatever was kept.
        const std::string by = stopSignals::received() ? std::string("by ") + stopSignals::name() : "by the window";
        report("capture stopped " + by + " after " + std::to_string(settings.readBack ? written : rendered) + " of " +
               std::to_string(frames) + " frames; the frames written are kept" +
               (settings.video.empty() ? "" : videoOk ? " and the video ends with them" : ", the video is not complete"));
        return false;
    }
    if (!settings.video.empty() && !videoOk) {
        report("the video " + settings.video + " is not complete: " + videoError);
        return false;
    }
    captureStats = {rendered, secondsSince(started)};
    report(captureSummaryLine(settings.readBack ? written : rendered, width, height, settings, captureStats.seconds));
    return true;
}
