// Benchmark of SyncDevice::getFloat: 50 tracks of 1,000 keys each, queried by
// name in turn as the scene does, the row moving on every 50 queries.
#include "audio/ManualAudioDevice.h"
#include "core/ShowTiming.h"
#include "sync/SyncDevice.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {
void writeTrack(const std::string& path, int keys) {
    FILE* f = std::fopen(path.c_str(), "wb");
    int32_t count = keys;
    std::fwrite(&count, 4, 1, f);
    for (int k = 0; k < keys; ++k) {
        int32_t row = k * 4;
        float value = static_cast<float>(k % 17) * 0.25f;
        int8_t type = static_cast<int8_t>(k % 4);
        std::fwrite(&row, 4, 1, f);
        std::fwrite(&value, 4, 1, f);
        std::fwrite(&type, 1, 1, f);
    }
    std::fclose(f);
}
} // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("solvane-bench-sync-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::vector<std::string> names;
    for (int i = 0; i < 50; ++i) {
        names.push_back("Group" + std::to_string(i / 10) + ".Parameter" + std::to_string(i % 10));
        writeTrack((dir / trackFileName(names.back())).string(), 1000);
    }

    ManualAudioDevice audio;
    SyncDevice sync;
    sync.init(&audio, dir.string() + "/");
    for (const std::string& name : names) sync.getFloat(name.c_str());  // first use loads the files

    const int frames = 40000;
    double sink = 0.0;
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < frames; ++frame) {
        audio.position = static_cast<float>(frame) * (1.0f / 60.0f) * 0.2f;  // through the whole range of the keys
        sync.update();
        for (const std::string& name : names) sink += sync.getFloat(name.c_str());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double calls = static_cast<double>(frames) * static_cast<double>(names.size());
    std::printf("getFloat, 50 tracks x 1000 keys: %.1f ns per call (%.0f calls, checksum %.1f)\n",
                seconds * 1e9 / calls, calls, sink);
    sync.shutdown();
    fs::remove_all(dir);
    return 0;
}
