// stb_image and stb_image_write implementations, and RGBA decoding from memory.
#include "gfx/Image.h"

#include <libdeflate.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

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

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

bool isPng(const uint8_t* bytes, size_t size) {
    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    return size >= 8 && std::memcmp(bytes, kSignature, 8) == 0;
}

// One chunk of a PNG: its 4-letter type and its data, which lie inside the file.
struct Chunk {
    const uint8_t* type = nullptr;
    const uint8_t* data = nullptr;
    size_t length = 0;
    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

// The chunk at `at` (8 for the first); false when the file ends inside it.
bool chunkAt(const uint8_t* bytes, size_t size, size_t at, Chunk& chunk) {
    if (at > size || size - at < 12) return false;
    chunk.length = bigEndian32(bytes + at);
    if (chunk.length > size - at - 12) return false;
    chunk.type = bytes + at + 4;
    chunk.data = bytes + at + 8;
    return true;
}

uint8_t paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up), toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<uint8_t>(left);
    return static_cast<uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Undoes each row's filter in place; the row above the first reads as zeros.
bool unfilterRows(uint8_t* raw, size_t rows, size_t stride, size_t pixelBytes) {
    const std::vector<uint8_t> zeros(stride, 0);
    const uint8_t* up = zeros.data();
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t filter = raw[y * (stride + 1)];
        uint8_t* row = raw + y * (stride + 1) + 1;
        switch (filter) {
        case 0:
            break;
        case 1:
            for (size_t i = pixelBytes; i < stride; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - pixelBytes]);
            break;
        case 2:
            for (size_t i = 0; i < stride; ++i) row[i] = static_cast<uint8_t>(row[i] + up[i]);
            break;
        case 3:
            for (size_t i = 0; i < stride; ++i) {
                const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
                row[i] = static_cast<uint8_t>(row[i] + ((left + up[i]) >> 1));
            }
            break;
        case 4:
            for (size_t i = 0; i < stride; ++i) {
                const bool first = i < pixelBytes;
                row[i] = static_cast<uint8_t>(
                    row[i] + paeth(first ? 0 : row[i - pixelBytes], up[i], first ? 0 : up[i - pixelBytes]));
            }
            break;
        default:
            return false;
        }
        up = row;
    }
    return true;
}

// stb_image reads an empty IDAT chunk that comes before any image data into a
// buffer it has not made yet: a copy from a null pointer (found by fuzzing an
// interlaced file). Such chunks carry nothing, so the file goes to it without
// them; `out` is filled only when there was one to drop.
bool withoutEmptyImageData(const uint8_t* bytes, size_t size, std::vector<uint8_t>& out) {
    std::vector<size_t> empty;  // where each empty IDAT chunk starts
    Chunk chunk;
    for (size_t at = 8; chunkAt(bytes, size, at, chunk); at += 12 + chunk.length)
        if (chunk.length == 0 && chunk.is("IDAT")) empty.push_back(at);
    if (empty.empty()) return false;
    out.clear();
    size_t from = 0;
    for (size_t at : empty) {
        out.insert(out.end(), bytes + from, bytes + at);
        from = at + 12;
    }
    out.insert(out.end(), bytes + from, bytes + size);
    return true;
}
} // namespace

// stb_image checks neither zlib's checksum nor that its inflate filled every
// row, so a damaged PNG could come out as pixels made of whatever its buffers
// held, different from one run to the next. The plain kind our tools and most
// painters write (8-bit grey, grey and alpha, RGB or RGBA, not interlaced, no
// palette or transparency key) is read here through libdeflate, which checks
// both and inflates faster; a damaged one is refused with a reason. Every
// other kind still goes to stb_image.
PlainPng decodePlainPng(const uint8_t* bytes, size_t size, DecodedImage& out, std::string& error) {
    if (!isPng(bytes, size)) return PlainPng::NotPlain;
    uint32_t width = 0, height = 0;
    size_t channels = 0;
    std::vector<uint8_t> packed;
    Chunk chunk;
    for (size_t at = 8;; at += 12 + chunk.length) {
        if (!chunkAt(bytes, size, at, chunk)) {
            if (channels == 0) return PlainPng::NotPlain;
            error = "the PNG file ends inside a chunk";
            return PlainPng::Corrupt;
        }
        if (channels == 0) {
            if (!chunk.is("IHDR") || chunk.length != 13) return PlainPng::NotPlain;
            const uint8_t* data = chunk.data;
            width = bigEndian32(data);
            height = bigEndian32(data + 4);
            const uint8_t depth = data[8], colour = data[9];
            if (depth != 8 || data[10] != 0 || data[11] != 0 || data[12] != 0) return PlainPng::NotPlain;
            channels = colour == 0 ? 1 : colour == 4 ? 2 : colour == 2 ? 3 : colour == 6 ? 4 : 0;
            // stb_image's own bounds, so that it alone refuses what it refuses.
            if (channels == 0 || width == 0 || height == 0 || width > (1u << 24) || height > (1u << 24) ||
                uint64_t{width} * height * 4 > INT_MAX)
                return PlainPng::NotPlain;
        } else if (chunk.is("IDAT")) {
            packed.insert(packed.end(), chunk.data, chunk.data + chunk.length);
        } else if (chunk.is("IEND")) {
            break;
        } else if (chunk.is("tRNS") || chunk.is("PLTE") || (chunk.type[0] & 0x20) == 0) {
            return PlainPng::NotPlain;  // a transparency key, a palette, or a critical chunk only stb_image knows
        }
    }
    const size_t stride = size_t{width} * channels;
    const size_t rawSize = size_t{height} * (stride + 1);
    // Deflate makes at most 1032 bytes of one: a header damaged into a huge
    // size is refused before any of it is allocated.
    if (rawSize / 1032 > packed.size()) {
        error = "the PNG's compressed data is too short for its size";
        return PlainPng::Corrupt;
    }
    std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[rawSize]);  // all written by the inflate
    libdeflate_decompressor* inflater = raw ? libdeflate_alloc_decompressor() : nullptr;
    if (!inflater) return PlainPng::NotPlain;
    const libdeflate_result inflated =
        libdeflate_zlib_decompress(inflater, packed.data(), packed.size(), raw.get(), rawSize, nullptr);
    libdeflate_free_decompressor(inflater);
    if (inflated != LIBDEFLATE_SUCCESS) {
        error = inflated == LIBDEFLATE_BAD_DATA ? "the PNG's compressed data is damaged"
                                                : "the PNG's compressed data does not fill its rows exactly";
        return PlainPng::Corrupt;
    }
    if (!unfilterRows(raw.get(), height, stride, channels)) {
        error = "a PNG row names no known filter";
        return PlainPng::Corrupt;
    }

    auto* pixels = static_cast<uint8_t*>(std::malloc(size_t{width} * height * 4));  // freed as stb_image's are
    if (!pixels) return PlainPng::NotPlain;
    uint8_t* to = pixels;
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* from = raw.get() + y * (stride + 1) + 1;
        for (size_t x = 0; x < width; ++x, from += channels, to += 4) {
            const bool grey = channels < 3;
            to[0] = from[0];
            to[1] = grey ? from[0] : from[1];
            to[2] = grey ? from[0] : from[2];
            to[3] = channels == 2 ? from[1] : channels == 4 ? from[3] : 255;
        }
    }
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels = pixels;
    return PlainPng::Decoded;
}

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
    switch (decodePlainPng(bytes, size, out, error)) {
    case PlainPng::Decoded:
        return true;
    case PlainPng::Corrupt:
        return false;
    case PlainPng::NotPlain:
        break;
    }
    std::vector<uint8_t> cleaned;
    if (isPng(bytes, size) && withoutEmptyImageData(bytes, size, cleaned)) {
        bytes = cleaned.data();
        size = cleaned.size();
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
