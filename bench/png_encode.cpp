// PNG encoding of captured frames: the capture's encoder against stb_image_write
// as the capture used it before (Paeth on every row), in processor time of the
// encoding thread and bytes per frame, each file checked to decode to the same pixels.
// Usage: png_encode FRAME.png...   (frames of a capture, e.g.
//   solvane --capture DIR --from 5 --to 90 --fps 1 --size 1280x720)
#include "capture/PngEncoder.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

struct Frame {
    Bytes rgb;
    int width = 0;
    int height = 0;
};
} // namespace

int main(int argc, char** argv) {
    std::vector<Frame> frames;
    for (int i = 1; i < argc; ++i) {
        Frame f;
        int channels = 0;
        uint8_t* pixels = stbi_load(argv[i], &f.width, &f.height, &channels, 3);
        if (!pixels) {
            std::fprintf(stderr, "png_encode: cannot read %s\n", argv[i]);
            return 1;
        }
        f.rgb.assign(pixels, pixels + static_cast<size_t>(f.width) * f.height * 3);
        stbi_image_free(pixels);
        frames.push_back(std::move(f));
    }
    if (frames.empty()) {
        std::fprintf(stderr, "usage: png_encode FRAME.png...\n");
        return 2;
    }
    PngEncoder encoder;
    const std::pair<const char*, std::function<Bytes(const Frame&)>> encoders[] = {
        {"capture encoder (libdeflate)", [&](const Frame& f) { return *encoder.encode(f.rgb.data(), f.width, f.height); }},
        {"stb_image_write, Paeth", [](const Frame& f) {
             Bytes png;
             stbi_write_force_png_filter = 4;
             stbi_write_png_to_func(appendBytes, &png, f.width, f.height, 3, f.rgb.data(), f.width * 3);
             return png;
         }},
    };
    std::printf("%zu frames of %dx%d\n", frames.size(), frames[0].width, frames[0].height);
    for (const auto& [name, encode] : encoders) {
        double ms = 0.0;
        double bytes = 0.0;
        bool exact = true;
        for (const Frame& f : frames) {
            const double start = threadMs();
            const Bytes png = encode(f);
            ms += threadMs() - start;
            bytes += static_cast<double>(png.size());
            int w = 0, h = 0, channels = 0;
            uint8_t* back = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 3);
            exact = exact && back && w == f.width && h == f.height && std::equal(f.rgb.begin(), f.rgb.end(), back);
            stbi_image_free(back);
        }
        std::printf("%-30s %6.1f ms/frame  %7.0f KB/frame  %s\n", name, ms / frames.size(), bytes / 1024.0 / frames.size(),
                    exact ? "same pixels" : "PIXELS DIFFER");
    }
    return 0;
}
