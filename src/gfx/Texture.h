// The GPU texture record (copied by value into its users; the GL texture is
// released explicitly) and the vertical-cross cutting behind cube-map uploads,
// kept as plain functions so it can be checked without a GL context.
#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <vector>

extern const char* const kGeneratedTextureName;

struct Texture {
    const char* name = nullptr;  // image path or kGeneratedTextureName; not owned
    GLuint id = 0;
    GLenum internalFormat = 0;
    int32_t width = 0;   // of the source; for a cube map the whole cross (3 faces wide)
    int32_t height = 0;  // for a cube map 4 faces high
    bool isCubeMap = false;
    bool hasMipmaps = false;

    // Always true. `pixels` (8-bit RGBA, top row first) may be null: storage only.
    bool generate(int width, int height, const uint8_t* pixels, GLenum internalFormat, bool isCubeMap,
                  int samples, bool mipmaps);
    void upload(int width, int height, GLenum internalFormat, const uint8_t* pixels, int samples, bool mipmaps);
    void release();
};

// Where each GL cube face (index f = GL_TEXTURE_CUBE_MAP_POSITIVE_X + f) sits in
// a vertical cross three cells wide and four high.
struct CubeCrossCell {
    int column;
    int row;
    bool rotated180;
};
CubeCrossCell cubeCrossCell(int face);

// Side of the square faces cut from a cross image: the cell size, or the
// smaller cell side when the image is not proportioned 3:4 (GL needs square faces).
int cubeFaceSize(int crossWidth, int crossHeight);

// The `size` x `size` RGBA face at `face`'s cell (cells are crossWidth/3 by
// crossHeight/4), turned as the cross layout says. Never reads outside the image.
std::vector<uint8_t> cutCubeFace(const uint8_t* cross, int crossWidth, int crossHeight, int face, int size);
