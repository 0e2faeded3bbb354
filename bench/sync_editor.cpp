// Benchmark of the editor connection's cost per frame: a stand-in editor on
// 127.0.0.1 in a thread, 20 tracks read per frame as a scene would. Prints the
// frame cost (sync update plus the reads) without an editor, with an idle one,
// and while 10,000 keys sent in one burst arrive.
#include "audio/ManualAudioDevice.h"
#include "sync/EditorProtocol.h"
#include "sync/SyncDevice.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr int kTracks = 20;
constexpr int kBurstKeys = 10000;
using Clock = std::chrono::steady_clock;

void appendU32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

struct Names {
    std::vector<std::string> list;
    Names() {
        for (int i = 0; i < kTracks; ++i) list.push_back("Group" + std::to_string(i / 5) + ".Value" + std::to_string(i % 5));
    }
};

// Microseconds of one frame: the sync update and one read of every track.
double frame(SyncDevice& sync, const Names& names, double& sink) {
    const auto start = Clock::now();
    sync.update();
    for (const std::string& name : names.list) sink += sync.getFloat(name.c_str());
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// The median stands for a typical frame; the machine's other work shows in the maximum.
struct Figures {
    double median = 0.0, max = 0.0;
    int frames = 0;
};
Figures measure(std::vector<double> costs) {
    Figures f;
    f.frames = static_cast<int>(costs.size());
    if (costs.empty()) return f;
    std::sort(costs.begin(), costs.end());
    f.median = costs[costs.size() / 2];
    f.max = costs.back();
    return f;
}
} // namespace

int main() {
    const std::string dir = (std::filesystem::temp_directory_path() / ("solvane-bench-editor-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
    const Names names;
    double sink = 0.0;

    ManualAudioDevice plainAudio;
    SyncDevice plain;
    plain.init(&plainAudio, dir + "/");
    std::vector<double> costs;
    for (int i = 0; i < 20000; ++i) costs.push_back(frame(plain, names, sink));
    const Figures without = measure(costs);

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::fprintf(stderr, "no loopback listener\n");
        return 1;
    }
    std::atomic<bool> sendBurst{false};
    int peer = -1;
    std::thread editorThread([&] {
        peer = ::accept(listener, nullptr, nullptr);
        char hello[19];
        if (peer < 0 || ::recv(peer, hello, sizeof(hello), MSG_WAITALL) != 19) return;
        ::send(peer, editor::kServerGreeting.data(), editor::kServerGreeting.size(), MSG_NOSIGNAL);
        while (!sendBurst) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Every key in one write, then a row jump that marks the end of the burst.
        std::string burst;
        for (int k = 0; k < kBurstKeys; ++k) {
            burst.push_back(editor::SetKey);
            appendU32(burst, static_cast<uint32_t>(k % kTracks));
            appendU32(burst, static_cast<uint32_t>(k / kTracks) * 4);
            float value = static_cast<float>(k % 13);
            uint32_t bits = 0;
            std::memcpy(&bits, &value, 4);
            appendU32(burst, bits);
            burst.push_back(static_cast<char>(k % 4));
        }
        burst.push_back(editor::SetRow);
        appendU32(burst, 1000);
        ::send(peer, burst.data(), burst.size(), MSG_NOSIGNAL);
    });

    ManualAudioDevice audio;
    SyncDevice sync;
    sync.useEditor("127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
    sync.init(&audio, dir + "/");
    costs.clear();
    for (int i = 0; i < 20000; ++i) costs.push_back(frame(sync, names, sink));  // the first frame asks for every track
    const Figures idle = measure(std::vector<double>(costs.begin() + 1, costs.end()));

    costs.clear();
    sendBurst = true;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (sync.getRow() != 1000.0f && Clock::now() < deadline) {
        costs.push_back(frame(sync, names, sink));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the rest of a frame
    }
    const Figures burst = measure(costs);
    editorThread.join();

    std::printf("per frame, sync update and %d track reads:\n", kTracks);
    std::printf("  no editor:         %.2f us median, %.1f us max (%d frames)\n", without.median, without.max, without.frames);
    std::printf("  editor idle:       %.2f us median, %.1f us max (%d frames)\n", idle.median, idle.max, idle.frames);
    std::printf("  %d-key burst:   ", kBurstKeys);
    for (double c : costs) std::printf(" %.0f", c);
    std::printf(" us in the %d frames it took%s (checksum %.1f)\n", burst.frames,
                sync.getRow() == 1000.0f ? "" : ", UNFINISHED", sink);
    sync.shutdown();
    if (peer >= 0) ::close(peer);
    ::close(listener);
    std::filesystem::remove_all(dir);
    return 0;
}
