// The SDL window with its OpenGL 3.3 core context, and the event pump that
// tells the main loop when to stop. Main thread only.
#pragma once
#include <SDL.h>

#include <string>

class KeyboardMouse;

class Window {
public:
    bool create(const std::string& title, int width, int height, int multisampleCount,
                bool fullscreen, bool verticalSync);
    // False when the program must stop (quit event or Escape). With `input`,
    // a new input frame begins and every event is handed to it; without, the
    // keyboard and mouse reach nothing (a capture is the same whoever types).
    bool pumpEvents(KeyboardMouse* input = nullptr);
    void swap();
    void destroy();

    SDL_Window* handle() const { return window; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    int getMultisampleCount() const { return multisampleCount; }
    bool isFullscreen() const { return fullscreen; }
    bool hasVerticalSync() const { return verticalSync; }
    const std::string& getTitle() const { return title; }

private:
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string title;
    int width = 0;
    int height = 0;
    int multisampleCount = 0;
    bool fullscreen = false;
    bool verticalSync = false;
};
