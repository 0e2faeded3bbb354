// Log output. There is no debugger output channel on this platform, so a line
// goes to the file only.
#include "core/Log.h"

#include "core/Engine.h"

bool LogFile::open(const std::string& path) {
    stream.open(path, std::ios::out | std::ios::trunc);
    return stream.is_open();
}

void LogFile::close() {
    std::lock_guard<std::mutex> lock(mutex);
    if (stream.is_open()) stream.close();  // close() sets failbit itself when it fails
}

void LogFile::writeLine(const char* message) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!stream.is_open()) return;  // after close: the line is dropped silently
    stream << message << std::endl;  // endl flushes: the log survives a kill
}

void logOutputFunction(void* userdata, int, SDL_LogPriority, const char* message) {
    if (!userdata || !message) return;
    static_cast<Engine*>(userdata)->log.writeLine(message);
}
