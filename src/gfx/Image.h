// Image decoding to 8-bit RGBA through stb_image, built for PNG and JPEG only (every common
// kind; other formats are refused), plain PNGs through libdeflate. This library holds the one
// stb_image and stb_image_write implementation: tools and tests include the stb headers
// without defining it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Decoded pixels, top row first, 4 bytes per pixel; frees itself.
class DecodedImage {
public:
    DecodedImage() = default;
    ~DecodedImage();
    DecodedImage(DecodedImage&& other) noexcept;
    DecodedImage& operator=(DecodedImage&& other) noexcept;
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;

    int width = 0;
    int height = 0;
    uint8_t* pixels = nullptr;

private:
    void free();
};

// False, with the reason in `error`, when the bytes are not an image it reads.
bool decodeImage(const uint8_t* bytes, size_t size, DecodedImage& out, std::string& error);

// The path decodeImage takes first, through libdeflate: `out` is filled only
// when Decoded, `error` only when Corrupt (a plain PNG that is damaged);
// NotPlain leaves the file, PNG of another kind or not PNG at all, to stb_image.
enum class PlainPng { Decoded, NotPlain, Corrupt };
PlainPng decodePlainPng(const uint8_t* bytes, size_t size, DecodedImage& out, std::string& error);
