// Window and context creation. The GL strings are read before GLEW exists:
// glGetString is a GL 1.1 entry point and needs no loader.
#include "platform/Window.h"

#include "platform/StopSignals.h"

#include "core/Profile.h"

#include <SDL_opengl.h>

namespace {
const char* glString(GLenum name) {
    const GLubyte* s = glGetString(name);
    return s ? reinterpret_cast<const char*>(s) : "";
}
} // namespace

bool Window::create(const std::string& windowTitle, int w, int h, int msaa, bool full, bool vsync) {
    if (w <= 0 || h <= 0 || msaa < 0) return false;

    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The window itself is never multisampled: pictures that go through the
    // post chain are drawn into a multisampled scene buffer and resolved there,
    // so window samples would only cost memory (29.5 MB at 1280x720, 4x, on a
    // software rasteriser). A scene that draws straight to the window gets the
    // configured samples from the scene's stand-in buffer instead.
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);

    if (full) SDL_ShowCursor(0);

    Uint32 flags = SDL_WINDOW_OPENGL | (full ? SDL_WINDOW_FULLSCREEN : 0);
    window = SDL_CreateWindow(windowTitle.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              w, h, flags);
    if (!window) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to create window!");
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to create OpenGL Render Context!");
        SDL_DestroyWindow(window);
        window = nullptr;
        return false;
    }

    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "OpenGL Vendor: %s", glString(GL_VENDOR));
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "OpenGL Renderer: %s", glString(GL_RENDERER));
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "OpenGL Version: %s", glString(GL_VERSION));
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "OpenGL GLSL Version: %s", glString(GL_SHADING_LANGUAGE_VERSION));

    // Late swaps tear rather than stall a whole frame; fall back to plain vsync.
    if (vsync && SDL_GL_SetSwapInterval(-1) == -1) SDL_GL_SetSwapInterval(1);

    title = windowTitle;
    multisampleCount = msaa;
    fullscreen = full;
    width = w;
    height = h;
    verticalSync = vsync;
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Window created with title '%s', width '%d' and height '%d'",
                title.c_str(), width, height);
    return true;
}

bool Window::pumpEvents() {
    if (stopSignals::received()) {
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Received %s!", stopSignals::name());
        return false;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Received quit message from event system!");
            return false;
        }
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Escape key pressed!");
            return false;
        }
    }
    return true;
}

void Window::swap() {
    profile::Scope timed(profile::kSwap);
    if (window) SDL_GL_SwapWindow(window);
}

void Window::destroy() {
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Shutting down window");
    if (window) SDL_GL_MakeCurrent(window, nullptr);
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    context = nullptr;
    window = nullptr;
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Window successfully shut down");
}
