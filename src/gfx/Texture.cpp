// Texture creation: 2D, multisampled, depth and cube-map storage, with cube
// faces cut from a vertical cross. Needs a current GL context except for the
// cutting helpers at the top.
#include "gfx/Texture.h"

#include <SDL.h>

#include <algorithm>

const char* const kGeneratedTextureName = "Generated_Texture";

namespace {
const CubeCrossCell kCrossCells[6] = {
    {2, 1, false},  // +X
    {0, 1, false},  // -X
    {1, 0, false},  // +Y
    {1, 2, false},  // -Y
    {1, 1, false},  // +Z
    {1, 3, true},   // -Z: the bottom cell is seen from behind, so it is turned half a circle
};

bool isDepthFormat(GLenum format) {
    return format == GL_DEPTH_COMPONENT16 || format == GL_DEPTH_COMPONENT24 || format == GL_DEPTH_COMPONENT32 ||
           format == GL_DEPTH24_STENCIL8;
}
} // namespace

CubeCrossCell cubeCrossCell(int face) { return kCrossCells[std::clamp(face, 0, 5)]; }

int cubeFaceSize(int crossWidth, int crossHeight) { return std::max(0, std::min(crossWidth / 3, crossHeight / 4)); }

std::vector<uint8_t> cutCubeFace(const uint8_t* cross, int crossWidth, int crossHeight, int face, int size) {
    CubeCrossCell cell = cubeCrossCell(face);
    size = std::clamp(size, 0, cubeFaceSize(crossWidth, crossHeight));
    std::vector<uint8_t> out(static_cast<size_t>(size) * size * 4);
    const size_t stride = static_cast<size_t>(crossWidth) * 4;
    const int originX = cell.column * (crossWidth / 3);
    const int originY = cell.row * (crossHeight / 4);
    for (int r = 0; r < size; ++r) {
        int sourceRow = cell.rotated180 ? size - 1 - r : r;
        const uint8_t* src = cross + (originY + sourceRow) * stride + static_cast<size_t>(originX) * 4;
        uint8_t* dst = out.data() + static_cast<size_t>(r) * size * 4;
        if (!cell.rotated180) {
            std::copy(src, src + static_cast<size_t>(size) * 4, dst);
            continue;
        }
        for (int c = 0; c < size; ++c) std::copy(src + (size - 1 - c) * 4, src + (size - c) * 4, dst + c * 4);
    }
    return out;
}

bool Texture::generate(int w, int h, const uint8_t* pixels, GLenum format, bool cube, int samples, bool mipmaps) {
    isCubeMap = cube;
    width = w;
    height = h;
    internalFormat = format;
    hasMipmaps = mipmaps;
    name = kGeneratedTextureName;
    upload(w, h, format, pixels, samples, mipmaps);
    return true;
}

void Texture::upload(int w, int h, GLenum format, const uint8_t* pixels, int samples, bool mipmaps) {
    glGenTextures(1, &id);
    if (isCubeMap) {
        glBindTexture(GL_TEXTURE_CUBE_MAP, id);
        if (!pixels) {
            for (int f = 0; f < 6; ++f)
                glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, static_cast<GLint>(format), w / 3, h / 4, 0,
                             GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        } else {
            int size = cubeFaceSize(w, h);
            if (size != w / 3 || size != h / 4)
                SDL_LogInfo(SDL_LOG_CATEGORY_RENDER,
                            "Cube map image %dx%d is not a cross of 3x4 square cells; using %dx%d faces", w, h,
                            size, size);
            for (int f = 0; f < 6; ++f) {
                std::vector<uint8_t> face = cutCubeFace(pixels, w, h, f, size);
                glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, static_cast<GLint>(format), size, size, 0,
                             GL_RGBA, GL_UNSIGNED_BYTE, face.data());
            }
        }
        if (mipmaps) glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        glFlush();
        return;
    }

    GLenum target = samples > 0 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;
    glBindTexture(target, id);
    GLenum pixelFormat = GL_RGBA;
    GLenum pixelType = GL_UNSIGNED_BYTE;
    GLenum storedFormat = format;
    if (isDepthFormat(format)) {
        // Depth storage keeps its sized format: multisampled textures refuse the
        // unsized one, and a depth-stencil attachment needs the stencil bits.
        pixelFormat = format == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL : GL_DEPTH_COMPONENT;
        pixelType = format == GL_DEPTH24_STENCIL8 ? GL_UNSIGNED_INT_24_8 : GL_UNSIGNED_INT;
    }
    if (samples > 0) {
        glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, samples, storedFormat, w, h, GL_FALSE);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(storedFormat), w, h, 0, pixelFormat, pixelType,
                     isDepthFormat(format) ? nullptr : pixels);
        if (pixelFormat == GL_RGBA && mipmaps) glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindTexture(target, 0);
    glFlush();
}

void Texture::release() {
    if (id != 0) glDeleteTextures(1, &id);
    id = 0;
}
