// Log output. There is no debugger output channel on this platform, so a line
// goes to the file only. A script error repeated every frame would otherwise
// fill the disk during a show.
#include "core/Log.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {
constexpr double kRepeatLineInterval = 1.0;  // seconds

// Length of the well-formed UTF-8 sequence at `p` (2 to 4 bytes), or 0.
size_t utf8Length(const unsigned char* p) {
    size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (p[0] >= 0xC2 && p[0] <= 0xDF) length = 2, code = p[0] & 0x1Fu, minimum = 0x80;
    else if (p[0] >= 0xE0 && p[0] <= 0xEF) length = 3, code = p[0] & 0x0Fu, minimum = 0x800;
    else if (p[0] >= 0xF0 && p[0] <= 0xF4) length = 4, code = p[0] & 0x07u, minimum = 0x10000;
    else return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0u) != 0x80u) return 0;  // also stops at the terminating zero
        code = (code << 6) | (p[i] & 0x3Fu);
    }
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}
} // namespace

std::string escapeLogMessage(const char* message) {
    std::string line;
    const auto* p = reinterpret_cast<const unsigned char*>(message);
    while (*p) {
        if ((*p >= 0x20 && *p < 0x7F) || *p == '\n' || *p == '\t') {
            line += static_cast<char>(*p++);
        } else if (size_t length = utf8Length(p)) {
            line.append(reinterpret_cast<const char*>(p), length);
            p += length;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", *p++);
            line += escaped;
        }
    }
    return line;
}

bool LogFile::open(const std::string& path) {
    std::string& error = openError;
    // A FIFO would block the open until a reader comes, a directory cannot be
    // opened at all: only a regular file (or none yet) is a log.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file";
        return false;
    }
    errno = 0;
    stream.open(path, std::ios::out | std::ios::trunc);
    if (!stream.is_open()) error = errno ? std::strerror(errno) : "cannot be opened";
    return stream.is_open();
}

void LogFile::openStandardError() {
    std::lock_guard<std::mutex> lock(mutex);
    toStandardError = true;
}

void LogFile::close() {
    std::lock_guard<std::mutex> lock(mutex);
    if (toStandardError) {
        writeRepeats();
        toStandardError = false;
        return;
    }
    if (!stream.is_open()) return;
    writeRepeats();
    stream.close();  // close() sets failbit itself when it fails
}

void LogFile::writeLine(const char* message) {
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    writeLineAt(message, now);
}

void LogFile::writeLineAt(const char* message, double seconds) {
    std::string line = escapeLogMessage(message);
    std::lock_guard<std::mutex> lock(mutex);
    if (!stream.is_open() && !toStandardError) return;  // after close: the line is dropped silently
    if (line == lastMessage) {
        ++repeats;
        if (seconds - lastRepeatLine >= kRepeatLineInterval) {
            writeRepeats();
            lastRepeatLine = seconds;
        }
        return;
    }
    writeRepeats();
    lastMessage = std::move(line);
    lastRepeatLine = seconds;
    output() << lastMessage << std::endl;  // endl flushes: the log survives a kill
}

std::ostream& LogFile::output() { return toStandardError ? std::cerr : stream; }

void LogFile::writeRepeats() {
    if (repeats == 0) return;
    output() << "(last message repeated " << repeats << " times)" << std::endl;
    repeats = 0;
}

void LogFile::noteError(const char* message) {
    std::lock_guard<std::mutex> lock(mutex);
    lastError = escapeLogMessage(message);
    if (firstError.empty()) firstError = lastError;
}

void logOutputFunction(void* userdata, int, SDL_LogPriority priority, const char* message) {
    if (!userdata || !message) return;
    LogFile& log = *static_cast<LogFile*>(userdata);
    if (priority >= SDL_LOG_PRIORITY_ERROR) log.noteError(message);
    log.writeLine(message);
}
