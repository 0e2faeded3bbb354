// Both libraries are reached through dlopen, never linked: a machine without them
// (or an SDL built without them) has nothing to quieten. The handles stay open so
// the handlers stay set for the life of the process.
#include "platform/LibraryMessages.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <dlfcn.h>

namespace {
void logFormatted(const char* prefix, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
    SDL_LogDebug(SDL_LOG_CATEGORY_SYSTEM, "%s%s", prefix, text);
}

// snd_lib_error_handler_t, declared here so that ALSA's headers are not needed.
void alsaMessage(const char* file, int line, const char* function, int, const char* format, ...) {
    char prefix[160];
    std::snprintf(prefix, sizeof prefix, "ALSA %s:%d (%s): ", file ? file : "?", line, function ? function : "?");
    va_list arguments;
    va_start(arguments, format);
    logFormatted(prefix, format, arguments);
    va_end(arguments);
}

void waylandMessage(const char* format, va_list arguments) { logFormatted("Wayland: ", format, arguments); }

void* openLibrary(const char* name) { return dlopen(name, RTLD_LAZY | RTLD_GLOBAL); }
} // namespace

void routeLibraryMessagesToLog() {
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (void* alsa = openLibrary("libasound.so.2"))
        if (auto set = reinterpret_cast<int (*)(AlsaHandler)>(dlsym(alsa, "snd_lib_error_set_handler"))) set(alsaMessage);
    using WaylandHandler = void (*)(const char*, va_list);
    if (void* wayland = openLibrary("libwayland-client.so.0"))
        if (auto set = reinterpret_cast<void (*)(WaylandHandler)>(dlsym(wayland, "wl_log_set_handler_client")))
            set(waylandMessage);
}

bool drawingWithoutDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}
