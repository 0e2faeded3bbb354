// The SDL window with its OpenGL 3.3 core context, and the event pump that
// tells the main loop when to stop. Main thread only.
#pragma once
#include <SDL.h>

#include <string>

class KeyboardMouse;
// Off: a window. Mode: the display switched to the show's size. Desktop: a
// borderless window over the desktop at its own resolution, the show drawn at
// its own size and shown with its aspect kept (black bars; see Scene::frame).
enum class FullscreenMode { Off, Mode, Desktop };

// Where a picture of one size sits in a window of another: as large as fits,
// its aspect kept, centred. GL window coordinates (origin bottom left).
struct PictureRect {
    int x = 0, y = 0, width = 0, height = 0;
};
PictureRect fitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);

class Window {
public:
    // In Desktop mode a width or height of 0 or less takes the desktop's size.
    bool create(const std::string& title, int width, int height, int multisampleCount,
                FullscreenMode fullscreen, bool verticalSync);
    // False when the program must stop (quit event or Escape). With `input`,
    // a new input frame begins and every event is handed to it; without, the
    // keyboard and mouse reach nothing (a capture is the same whoever types).
    bool pumpEvents(KeyboardMouse* input = nullptr);
    void swap();
    void destroy();

    SDL_Window* handle() const { return window; }
    // The show's size: what the scene draws, whatever the window's own size.
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // The window's framebuffer in pixels (the desktop's size in Desktop mode).
    void getDrawableSize(int& drawableWidth, int& drawableHeight) const;
    bool letterboxes() const { return fullscreen == FullscreenMode::Desktop; }
    int getMultisampleCount() const { return multisampleCount; }
    bool hasVerticalSync() const { return verticalSync; }
    const std::string& getTitle() const { return title; }

private:
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string title;
    int width = 0;
    int height = 0;
    int multisampleCount = 0;
    FullscreenMode fullscreen = FullscreenMode::Off;
    bool verticalSync = false;
};
