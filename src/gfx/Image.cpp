// stb_image and stb_image_write implementations, and RGBA decoding from memory.
#include "gfx/Image.h"

#include <climits>
#include <utility>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

DecodedImage::~DecodedImage() { free(); }

DecodedImage::DecodedImage(DecodedImage&& other) noexcept { *this = std::move(other); }

DecodedImage& DecodedImage::operator=(DecodedImage&& other) noexcept {
    if (this != &other) {
        free();
        width = std::exchange(other.width, 0);
        height = std::exchange(other.height, 0);
        pixels = std::exchange(other.pixels, nullptr);
    }
    return *this;
}

void DecodedImage::free() {
    if (pixels) stbi_image_free(pixels);
    pixels = nullptr;
    width = height = 0;
}

bool decodeImage(const uint8_t* bytes, size_t size, DecodedImage& out, std::string& error) {
    out = DecodedImage();
    if (size == 0 || size > static_cast<size_t>(INT_MAX)) {
        error = size == 0 ? "empty file" : "file too large";
        return false;
    }
    int channels = 0;
    out.pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &out.width, &out.height, &channels, 4);
    if (!out.pixels) {
        const char* reason = stbi_failure_reason();
        error = reason ? reason : "unknown";
        out.width = out.height = 0;
        return false;
    }
    return true;
}
