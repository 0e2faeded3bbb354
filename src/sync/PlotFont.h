// A small RGB raster and a 5x7 bitmap font of our own for labelling pictures
// drawn without a GPU (track plots). Printable ASCII; anything else shows as '?'.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // rows top to bottom, 3 bytes a pixel

    void create(int w, int h, Rgb fill);
    // Pixels outside the image are ignored, so shapes may cross its edges.
    void set(int x, int y, Rgb c);
    void fillRect(int x, int y, int w, int h, Rgb c);
    Rgb at(int x, int y) const;
};

// Glyphs are 5x7 cells on a 6x8 grid, times `scale`.
constexpr int kGlyphAdvance = 6;
constexpr int kGlyphHeight = 8;
int textWidth(const std::string& text, int scale = 1);
// `x`, `y`: the top left of the first cell.
void drawText(RgbImage& image, int x, int y, const std::string& text, Rgb colour, int scale = 1);
