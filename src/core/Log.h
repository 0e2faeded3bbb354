// The log sink behind SDL's logging calls: every message becomes one flushed
// line of "Log.txt". Any thread may log; the mutex keeps lines whole.
#pragma once
#include <SDL.h>

#include <fstream>
#include <mutex>
#include <string>

struct LogFile {
    std::ofstream stream;
    std::mutex mutex;

    bool open(const std::string& path);
    // Closes the file; a failed close leaves the stream in its fail state.
    void close();
    void writeLine(const char* message);
};

// SDL output function. `userdata` is the Engine whose log file receives the line.
void logOutputFunction(void* userdata, int category, SDL_LogPriority priority, const char* message);
