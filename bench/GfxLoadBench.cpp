// Load times of the GPU resources: compiling every shipped shader program,
// decoding and uploading a 2048x2048 PNG (2D and as a cube cross), what a
// frame waits for while one reloads, parsing a large .exm. Opens a hidden GL
// window (run under xvfb-run without a display).
// Usage: GfxLoadBench [folder holding res/ (default: .)]
#include "core/FileIO.h"
#include "gfx/Exm.h"
#include "gfx/Image.h"
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderProgram.h"
#include "gfx/Texture.h"

#include "HiddenGlWindow.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {
using bench::medianMs;

// Smooth bands with a little grain: compresses like a real texture, not like white noise.
void writeTestPng(const std::string& path, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    srand(0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            float v = 0.5f + 0.25f * std::sin(x * 0.01f) + 0.25f * std::cos(y * 0.013f + x * 0.002f);
            p[0] = static_cast<uint8_t>(v * 230 + rand() % 16);
            p[1] = static_cast<uint8_t>((1.0f - v) * 230 + rand() % 16);
            p[2] = static_cast<uint8_t>(128 + rand() % 16);
            p[3] = 255;
        }
    stbi_write_png(path.c_str(), width, height, 4, pixels.data(), width * 4);
}
} // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : ".";
    bench::HiddenGlWindow gl;
    if (!gl.open(64, 64)) return 1;

    // Every program of the shipped shaders: a .vert with a .frag of the same name (and a .geom when there is one).
    std::vector<std::vector<std::string>> programs;
    for (const auto& file : fs::directory_iterator(root + "/res/shaders")) {
        if (file.path().extension() != ".vert") continue;
        fs::path base = file.path();
        std::string frag = base.replace_extension(".frag").string();
        std::string geom = base.replace_extension(".geom").string();
        if (!fs::exists(frag)) continue;
        programs.push_back({file.path().string(), frag, fs::exists(geom) ? geom : std::string()});
    }
    int compiled = 0;
    auto compileAll = [&] {
        compiled = 0;
        for (const auto& p : programs) {
            ShaderProgram program;
            if (program.compile(p[0].c_str(), p[1].c_str(), p[2].empty() ? nullptr : p[2].c_str())) ++compiled;
            program.destroy();
        }
    };
    // The first round may miss the driver's shader cache; later rounds hit it.
    double firstMs = medianMs(1, compileAll);
    double againMs = medianMs(5, compileAll);
    std::printf("shader programs: %zu found, %d compiled and linked: first round %.2f ms, then %.2f ms (median of 5)\n",
                programs.size(), compiled, firstMs, againMs);

    std::string png = (fs::temp_directory_path() / "solvane-bench-2048.png").string();
    std::string cross = (fs::temp_directory_path() / "solvane-bench-cross.png").string();
    writeTestPng(png, 2048, 2048);
    writeTestPng(cross, 1536, 2048);
    std::printf("2048x2048 PNG: %.1f MiB on disk\n", static_cast<double>(fs::file_size(png)) / (1 << 20));

    std::vector<uint8_t> bytes;
    FileIO::readAll(png, bytes);
    double decodeMs = medianMs(5, [&] {
        DecodedImage image;
        std::string error;
        decodeImage(bytes.data(), bytes.size(), image, error);
    });
    std::printf("decode 2048x2048 PNG to RGBA: %.1f ms\n", decodeMs);
    // The shipped images, as the player decodes them and as stb_image alone did.
    double oursTotal = 0.0, stbTotal = 0.0;
    for (const auto& file : fs::directory_iterator(root + "/res/textures")) {
        std::vector<uint8_t> image;
        if (!FileIO::readAll(file.path().string(), image)) continue;
        const double oursMs = medianMs(5, [&] {
            DecodedImage decoded;
            std::string error;
            decodeImage(image.data(), image.size(), decoded, error);
        });
        const double stbMs = medianMs(5, [&] {
            int width = 0, height = 0, channels = 0;
            stbi_image_free(stbi_load_from_memory(image.data(), static_cast<int>(image.size()), &width, &height,
                                                  &channels, 4));
        });
        std::printf("decode %-18s %6.2f ms (stb_image alone %6.2f ms)\n", file.path().filename().c_str(), oursMs,
                    stbMs);
        oursTotal += oursMs;
        stbTotal += stbMs;
    }
    std::printf("decode every shipped image: %.1f ms (stb_image alone %.1f ms)\n", oursTotal, stbTotal);
    double loadMs = medianMs(5, [&] {
        Texture texture;
        loadImageTexture(texture, png.c_str(), false, true);
        texture.release();
    });
    std::printf("read + decode + upload 2048x2048 PNG with mipmaps: %.1f ms\n", loadMs);
    double cubeMs = medianMs(5, [&] {
        Texture texture;
        loadImageTexture(texture, cross.c_str(), true, true);
        texture.release();
    });
    std::printf("read + decode + cut + upload 1536x2048 cube cross (512 faces) with mipmaps: %.1f ms\n", cubeMs);

    // What a frame waits for while a changed texture reloads: the loader is
    // called every 16 ms, as by the frames, until the new texture arrives.
    ResourceLoader loader;
    loader.init();
    for (bool whenDecoded : {false, true}) {
        Texture texture;
        bool arrived = false;
        loader.loadTexture(&texture, [](bool, void*, void* flag) { *static_cast<bool*>(flag) = true; }, &arrived,
                           png.c_str(), false, whenDecoded);
        double longestMs = 0.0;
        int calls = 0;
        const auto start = std::chrono::steady_clock::now();
        while (!arrived) {
            longestMs = std::max(longestMs, medianMs(1, [&] { loader.processRequests(); }));
            ++calls;
            if (!arrived) std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
        const auto total = std::chrono::steady_clock::now() - start;
        const double totalMs = std::chrono::duration<double, std::milli>(total).count();
        std::printf("reload of the 2048x2048 PNG, %s: longest loader call %.1f ms, new texture after %.1f ms "
                    "(%d calls)\n",
                    whenDecoded ? "decoded on a worker first" : "decode waited for", longestMs, totalMs, calls);
        texture.release();
    }

    ExmModel model;
    for (int i = 0; i < 100000 * 8; ++i) model.vertices.push_back(static_cast<float>(i));
    for (uint32_t i = 0; i < 300000; ++i) model.indices.push_back(i % 100000);
    std::vector<uint8_t> exm = encodeExm(model);
    double exmMs = medianMs(5, [&] {
        ExmModel parsed;
        parseExm(exm.data(), exm.size(), parsed);
    });
    std::printf(".exm of 100000 vertices (8 floats) and 100000 triangles (%.1f MiB): parsed in %.2f ms\n",
                static_cast<double>(exm.size()) / (1 << 20), exmMs);

    fs::remove(png);
    fs::remove(cross);
    gl.close();
    return 0;
}
