// Cost of one post-processing frame at a given window size: a multisampled
// or single-sampled RGBA16F scene buffer through the chain with bloom off and
// on, median over many frames. Opens a hidden GL window (run under xvfb-run).
// Usage: PostChainBench [width height samples [folder holding res/ (default: .)]]
#include "gfx/FrameBuffer.h"
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderManager.h"
#include "postfx/PostProcessor.h"

#include <GL/glew.h>
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {
double medianMs(int runs, PostProcessor& chain, FrameBuffer& scene) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        scene.bind(true);
        scene.unbind();
        auto start = std::chrono::steady_clock::now();
        chain.process(scene);
        glFinish();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    const int width = argc > 3 ? std::atoi(argv[1]) : 1280;
    const int height = argc > 3 ? std::atoi(argv[2]) : 720;
    const int samples = argc > 3 ? std::atoi(argv[3]) : 4;
    const std::string root = argc > 4 ? argv[4] : ".";
    if (chdir(root.c_str()) != 0 || SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "cannot start in %s: %s\n", root.c_str(), SDL_GetError());
        return 1;
    }
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_ERROR);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    glewExperimental = GL_TRUE;
    if (!context || glewInit() != GLEW_OK) {
        std::fprintf(stderr, "no GL context: %s\n", SDL_GetError());
        return 1;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    ResourceLoader loader;
    ShaderManager shaders;
    loader.init();
    if (!shaders.init(loader, nullptr)) return 1;
    std::map<std::string, float> tracks = {{"FX.BloomDry", 1.0f}, {"FX.BloomWet", 0.5f},
                                           {"FX.HighPassCutoff", 0.7f}, {"FX.BlurMagnitude", 2.0f}};
    PostProcessorSetup setup;
    setup.shaders = &shaders;
    setup.width = width;
    setup.height = height;
    setup.sampleCount = samples;
    setup.tracks = [&tracks](const char* name) {
        auto it = tracks.find(name);
        return it == tracks.end() ? 0.0f : it->second;
    };
    PostProcessor chain;
    FrameBuffer scene;
    if (!chain.init(setup) || !scene.create(width, height, 1, true, GL_RGBA16F, samples)) return 1;
    loader.processRequests();
    glViewport(0, 0, width, height);

    const int runs = 40;
    std::printf("window %dx%d, scene buffer RGBA16F with %d samples, median of %d frames\n", width, height, samples,
                runs);
    tracks["FX.EnableBloom"] = 0.0f;
    std::printf("  bloom off: %.2f ms per frame\n", medianMs(runs, chain, scene));
    tracks["FX.EnableBloom"] = 1.0f;
    std::printf("  bloom on:  %.2f ms per frame\n", medianMs(runs, chain, scene));

    scene.destroy();
    chain.release();
    shaders.destroy();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
