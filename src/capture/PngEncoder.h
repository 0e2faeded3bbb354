// PNG encoding of captured frames, fast enough to keep up with the renderer:
// every row filtered the same cheap way and compressed by libdeflate's fastest
// level. Keeps its compressor and buffers between frames, so one per thread.
#pragma once
#include <cstdint>
#include <vector>

struct libdeflate_compressor;

class PngEncoder {
public:
    PngEncoder() = default;
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // The whole file for `rgb` (top-down rows, 8 bits a channel), valid until the
    // next call; null when the compressor cannot be made.
    const std::vector<uint8_t>* encode(const uint8_t* rgb, int width, int height);

private:
    libdeflate_compressor* compressor = nullptr;
    std::vector<uint8_t> rows;  // filtered rows, each led by its filter byte
    std::vector<uint8_t> png;
};
