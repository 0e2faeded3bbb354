// Helpers shared by every test layer: temporary directories, small files with
// chosen modification times, and a capture of SDL log messages.
#pragma once
#include <SDL.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace test {

// A fresh directory under the system temp folder, removed on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

// Moves into a working directory (the managers and the player open "res/..."
// relative to it) and back to the previous one on destruction.
class WorkingDir {
public:
    WorkingDir() = default;
    ~WorkingDir();
    WorkingDir(const WorkingDir&) = delete;
    WorkingDir& operator=(const WorkingDir&) = delete;
    bool enter(const std::string& dir);

private:
    std::string previous;
};

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
std::vector<std::string> readLines(const std::string& path);
// A test failure unless every expected line appears in `lines`, in this order
// (other lines may come between).
void expectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);
// Sets the last-write time, in seconds since 1970 (fractions kept).
void setWriteTime(const std::string& path, double secondsSinceEpoch);
double nowSeconds();

// Polls `condition` until it holds or the deadline passes. Never asserts a duration.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Installs itself as SDL's log output for its lifetime and keeps every message.
class LogCapture {
public:
    struct Entry {
        int category;
        SDL_LogPriority priority;
        std::string message;
    };
    LogCapture();
    ~LogCapture();
    std::vector<Entry> entries() const;
    std::vector<std::string> messages() const;
    bool contains(const std::string& message) const;
    size_t count(const std::string& message) const;
    void clear();

private:
    static void output(void* userdata, int category, SDL_LogPriority priority, const char* message);
    mutable std::mutex mutex;
    std::vector<Entry> captured;
    SDL_LogOutputFunction previous = nullptr;
    void* previousUserdata = nullptr;
};

} // namespace test

namespace test {

// A child process (the real player) started in a working directory, killed on
// destruction if still running.
class Process {
public:
    Process(const std::string& binary, const std::string& workingDir);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // Exit status once the process ended within the deadline; -1 on timeout,
    // 128+signal when killed by a signal.
    int wait(std::chrono::milliseconds deadline = std::chrono::seconds(30));

private:
    bool running();
    void kill();

    int pid = -1;
    int status = -1;
};

// Sends a key (xdotool name, e.g. "Escape") to the first window with this title.
bool sendKey(const std::string& windowTitle, const std::string& key);

// A working directory for the player: Config.txt with the given text plus an
// optional copy of a res/ tree.
void copyTree(const std::string& from, const std::string& to);
std::string standardConfig(int width = 320, int height = 240, int msaa = 0, bool vsync = true);

} // namespace test
