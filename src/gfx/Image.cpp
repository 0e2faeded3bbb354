// stb_image and stb_image_write implementations, and RGBA decoding from memory.
#include "gfx/Image.h"

#include <algorithm>
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

namespace {
// The stb_image of Debian 12 builds each JPEG Huffman table from its 16 code
// counts without checking that they add up to at most 256 symbols, and a
// corrupt table then writes past the end of its arrays (found by fuzzing).
// The segments are walked as the decoder walks them, and such tables refused.
bool jpegHuffmanTablesFit(const uint8_t* b, size_t size) {
    if (size < 2 || b[0] != 0xFF || b[1] != 0xD8) return true;  // not a JPEG
    size_t i = 2;
    while (i + 1 < size) {
        if (b[i] != 0xFF) {  // scan data between markers
            ++i;
            continue;
        }
        const uint8_t marker = b[i + 1];
        if (marker == 0xFF || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += marker == 0xFF ? 1 : 2;  // fill byte, stuffed byte, restart: no length follows
            continue;
        }
        if (marker == 0xD9 || i + 3 >= size) return true;
        const size_t length = (static_cast<size_t>(b[i + 2]) << 8) | b[i + 3];
        const size_t end = std::min(size, i + 2 + length);
        if (marker == 0xC4) {
            // Past the end of the file the decoder reads zeros, which add nothing.
            for (size_t t = i + 4; t < end;) {
                size_t symbols = 0;
                for (size_t k = t + 1; k <= t + 16 && k < size; ++k) symbols += b[k];
                if (symbols > 256) return false;
                t += 17 + symbols;
            }
        }
        i = std::max(end, i + 2);
    }
    return true;
}
} // namespace

bool decodeImage(const uint8_t* bytes, size_t size, DecodedImage& out, std::string& error) {
    out = DecodedImage();
    if (size == 0 || size > static_cast<size_t>(INT_MAX)) {
        error = size == 0 ? "empty file" : "file too large";
        return false;
    }
    if (!jpegHuffmanTablesFit(bytes, size)) {
        error = "a JPEG Huffman table holds more than 256 symbols";
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
