// The log sink behind SDL's logging calls: every message becomes one flushed
// line of "Log.txt". Any thread may log; the mutex keeps lines whole. Runs of
// one message are collapsed and bytes that are not text are escaped.
#pragma once
#include <SDL.h>

#include <fstream>
#include <mutex>
#include <string>

struct LogFile {
    std::ofstream stream;
    bool toStandardError = false;
    std::mutex mutex;
    // The last message written and how often it came again since the last
    // "(last message repeated N times)" line, written at most once a second.
    std::string lastMessage;
    long repeats = 0;
    double lastRepeatLine = 0.0;

    std::string openError;  // why the last open failed
    // The first and the last error line, for the terminal when start-up fails:
    // usually the cause and the step that gave up.
    std::string firstError, lastError;

    bool open(const std::string& path);
    // Lines go to stderr instead: when no folder can be written, the show still plays.
    void openStandardError();
    // Closes the file; a failed close leaves the stream in its fail state.
    void close();
    void writeLine(const char* message);
    void noteError(const char* message);
    // As writeLine, at `seconds` on a steady clock.
    void writeLineAt(const char* message, double seconds);

private:
    std::ostream& output();
    void writeRepeats();
};

// The message with control bytes other than newline and tab, DEL and bytes
// that are not part of well-formed UTF-8 written as \xNN (a backslash stays).
std::string escapeLogMessage(const char* message);

// SDL output function. `userdata` is the LogFile that receives the line.
void logOutputFunction(void* userdata, int category, SDL_LogPriority priority, const char* message);
