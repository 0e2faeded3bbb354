// One hidden SDL window with a GL 3.3 core context for the whole gl test
// binary, created before the first test and destroyed after the last.
#pragma once
#include <GL/glew.h>
#include <SDL.h>

#include <vector>

namespace test {

SDL_Window* glWindow();

// RGBA8 pixels of the currently bound read framebuffer, bottom row first.
std::vector<unsigned char> readPixels(int x, int y, int width, int height);

} // namespace test
