// Window and context creation. The GL strings are read before GLEW exists:
// glGetString is a GL 1.1 entry point and needs no loader.
#include "platform/Window.h"

#include "platform/KeyboardMouse.h"
#include "platform/StopSignals.h"

#include "core/Profile.h"

#include <SDL_opengl.h>

namespace {
const char* glString(GLenum name) {
    const GLubyte* s = glGetString(name);
    return s ? reinterpret_cast<const char*>(s) : "";
}
} // namespace

PictureRect fitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight) {
    PictureRect rect;
    if (pictureWidth <= 0 || pictureHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return rect;
    // Compared as products: no rounding decides which way the bars go.
    const long long wide = static_cast<long long>(windowWidth) * pictureHeight;
    const long long tall = static_cast<long long>(windowHeight) * pictureWidth;
    rect.width = wide <= tall ? windowWidth : static_cast<int>((tall + pictureHeight / 2) / pictureHeight);
    rect.height = wide <= tall ? static_cast<int>((wide + pictureWidth / 2) / pictureWidth) : windowHeight;
    rect.x = (windowWidth - rect.width) / 2;
    rect.y = (windowHeight - rect.height) / 2;
    return rect;
}

bool Window::create(const std::string& windowTitle, int w, int h, int msaa, FullscreenMode mode, bool vsync) {
    const bool desktop = mode == FullscreenMode::Desktop;
    SDL_DisplayMode screen{};
    if (desktop && SDL_GetDesktopDisplayMode(0, &screen) != 0) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to read the desktop's size: %s", SDL_GetError());
        return false;
    }
    if (desktop && (w <= 0 || h <= 0)) w = screen.w, h = screen.h;
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

    if (mode != FullscreenMode::Off) SDL_ShowCursor(0);

    const Uint32 fullscreenFlag = mode == FullscreenMode::Mode ? SDL_WINDOW_FULLSCREEN
                                  : desktop                    ? SDL_WINDOW_FULLSCREEN_DESKTOP
                                                               : 0;
    // The desktop's size is asked for as well as full screen, so the window
    // covers the desktop even where nothing else sizes it.
    window = SDL_CreateWindow(windowTitle.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              desktop ? screen.w : w, desktop ? screen.h : h, SDL_WINDOW_OPENGL | fullscreenFlag);
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
    fullscreen = mode;
    width = w;
    height = h;
    verticalSync = vsync;
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Window created with title '%s', width '%d' and height '%d'",
                title.c_str(), width, height);
    if (desktop) {
        int drawableWidth = 0, drawableHeight = 0;
        getDrawableSize(drawableWidth, drawableHeight);
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Borderless on the desktop at %dx%d; the show drawn at %dx%d, its aspect kept",
                    drawableWidth, drawableHeight, width, height);
        // Everything draws at the show's size; only the picture's last copy fills the window.
        glViewport(0, 0, width, height);
    }
    return true;
}

void Window::getDrawableSize(int& drawableWidth, int& drawableHeight) const {
    drawableWidth = drawableHeight = 0;
    if (window) SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
}

bool Window::pumpEvents(KeyboardMouse* input) {
    if (stopSignals::received()) {
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Received %s!", stopSignals::name());
        return false;
    }
    if (input) input->beginFrame();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (input) {
            const bool wasTurning = input->isTurning();
            input->handleEvent(event);
            // The pointer stays put while the mouse turns the camera, so a turn
            // never ends at the edge of the screen.
            if (input->isTurning() != wasTurning) SDL_SetRelativeMouseMode(input->isTurning() ? SDL_TRUE : SDL_FALSE);
        }
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
