// A hidden SDL window with a current GL 3.3 core context for the benchmarks
// that draw, and the median timing they share. Header only: every .cpp in
// bench/ is a program of its own. Needs SDL2 and GLEW; run under xvfb-run.
#pragma once
#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

struct HiddenGlWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

    // Starts SDL's video, opens the window and loads GL; false after one line on stderr.
    bool open(int width, int height) {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
            return false;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window = SDL_CreateWindow("bench", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
        glewExperimental = GL_TRUE;
        if (!context || glewInit() != GLEW_OK) {
            std::fprintf(stderr, "no GL context: %s\n", SDL_GetError());
            return false;
        }
        while (glGetError() != GL_NO_ERROR) continue;  // GLEW's lookups may leave one behind
        std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        return true;
    }
    void close() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
        context = nullptr;
        window = nullptr;
        SDL_Quit();
    }
};

// Median of `runs` timings of `work` in milliseconds; glFinish makes the GL work
// count. `prepare` runs before each timing starts.
inline double medianMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {}) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        glFinish();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace bench
