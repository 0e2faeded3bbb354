// Helpers shared by every test layer: temporary and working directories, small
// files with chosen times, a capture of SDL's log, the player as a child process,
// and the GoogleTest and standard headers every test file uses.
#pragma once
#include "audio/ManualAudioDevice.h"
#include "sync/TrackText.h"

#include <SDL.h>
#include <glm/vec3.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace test {

// The engine's random sequence after engineSrand(0), worked out by hand from its rule.
inline constexpr int kFirstDraws[] = {38, 7719, 21238, 2437, 8855, 11797, 8365, 32285, 10450, 30612};

inline void expectNear(const glm::vec3& got, const glm::vec3& want, float tolerance = 1e-5f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

// A fresh directory under the system temp folder, removed on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

// The managers and the player open "res/..." relative to the working directory;
// the previous one comes back on destruction.
class WorkingDir {
public:
    WorkingDir() = default;
    ~WorkingDir();
    WorkingDir(const WorkingDir&) = delete;
    bool enter(const std::string& dir);

private:
    std::string previous;
};

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
std::vector<std::string> readLines(const std::string& path);
// The names of the entries of a directory, sorted; none when it cannot be read.
std::vector<std::string> fileNames(const std::string& dir);
// Fails the test unless every expected line appears in `lines` in this order (others may come between).
void expectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);
void setWriteTime(const std::string& path, double secondsSinceEpoch);
double nowSeconds();
// Polls `condition` until it holds or the deadline passes. Never asserts a duration.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = std::chrono::seconds(10));

// The binary track file of `keys`, and that file written as track `name` in `dir`.
std::string trackBytes(const std::vector<SyncKey>& keys);
void writeTrack(const std::string& dir, const std::string& name, const std::vector<SyncKey>& keys);

// A hand-set soundtrack clock on which one sync row lasts one second: `position` is the row.
struct RowClock : ManualAudioDevice {
    RowClock() : ManualAudioDevice(60.0f / static_cast<float>(kDefaultRowsPerBeat)) {}
};

// Pixels of the wireframe colours in RGBA8 pictures, and their mean brightness (0..255).
struct Colours {
    int yellow = 0;  // cubes and needles
    int cyan = 0;    // rings and flakes
    int lit = 0;     // anything not black
    double brightness = 0.0;
    int magenta = 0;  // the dummy program's colour
};
Colours countColours(const unsigned char* rgba, size_t pixelCount);
// The colours of a PNG file; -1 everywhere when it cannot be read. Its size in `width` and `height` when given.
Colours pngColours(const std::string& path, int* width = nullptr, int* height = nullptr);

// SDL's log output for its lifetime: keeps every message.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> messages() const { return atLeast(SDL_LOG_PRIORITY_VERBOSE); }
    std::vector<std::string> errors() const { return atLeast(SDL_LOG_PRIORITY_ERROR); }
    bool contains(const std::string& message) const { return count(message) > 0; }
    size_t count(const std::string& message) const;
    void clear();

private:
    std::vector<std::string> atLeast(SDL_LogPriority priority) const;
    static void output(void* self, int category, SDL_LogPriority priority, const char* message);
    mutable std::mutex mutex;
    std::vector<std::pair<SDL_LogPriority, std::string>> captured;
    SDL_LogOutputFunction previous = nullptr;
    void* previousUserdata = nullptr;
};

// The real player started in a working directory, killed on destruction if still running.
class Process {
public:
    Process(const std::string& binary, const std::string& workingDir, const std::vector<std::string>& arguments = {});
    ~Process();
    Process(const Process&) = delete;
    // Exit status once ended within the deadline; -1 on timeout, 128+signal when killed.
    int wait(std::chrono::milliseconds deadline = std::chrono::seconds(30));

private:
    int pid = -1;
    int status = -1;
};

// Sends a key (xdotool name, e.g. "Escape") to the first window with this title.
bool sendKey(const std::string& windowTitle, const std::string& key);
std::string standardConfig(int width = 320, int height = 240, int msaa = 0, bool vsync = true);
// A show in `dir`: `config` as its Config.txt and a copy of the shipped res/, with the
// fixtures' three-second soundtrack in place of the real one when `shortSoundtrack`.
void copyShow(const TempDir& dir, const std::string& config, bool shortSoundtrack = false);
// The fixtures' own res/ (a three-second soundtrack, a small scene) with the shipped shaders.
void copyFixtureShow(const TempDir& dir, const std::string& config);

} // namespace test
