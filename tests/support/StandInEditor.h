// A stand-in sync-tracker editor for tests: a loopback server that greets one
// demo from a thread while it connects, then lets the test speak for the editor.
// Header only; every wait is bounded.
#pragma once
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace test {

namespace editorwire {
inline constexpr int kWaitMs = 10000;

inline std::string u32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
inline std::string setKey(uint32_t track, uint32_t row, float value, uint8_t type) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return std::string(1, '\0') + u32(track) + u32(row) + u32(bits) + std::string(1, static_cast<char>(type));
}
inline std::string deleteKey(uint32_t track, uint32_t row) { return "\x01" + u32(track) + u32(row); }
inline std::string setRow(uint32_t row) { return "\x03" + u32(row); }
inline std::string pause(bool on) { return std::string("\x04") + (on ? "\x01" : std::string(1, '\0')); }
inline std::string getTrack(const std::string& name) { return "\x02" + u32(static_cast<uint32_t>(name.size())) + name; }

} // namespace editorwire

// Listens on a free loopback port; greets one demo from a thread while the demo
// connects, then the test speaks for it.
class StandInEditor {
public:
    StandInEditor() {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(a);
        if (::bind(listener, reinterpret_cast<sockaddr*>(&a), size) != 0 || ::listen(listener, 1) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            ADD_FAILURE() << "no loopback listener";
        port = ntohs(a.sin_port);
    }
    ~StandInEditor() {
        if (greeter.joinable()) greeter.join();
        if (peer >= 0) ::close(peer);
        if (listener >= 0) ::close(listener);
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }
    void greetWith(const std::string& answer) {
        greeter = std::thread([this, answer] {
            pollfd p{listener, POLLIN, 0};
            if (::poll(&p, 1, editorwire::kWaitMs) != 1) return;
            peer = ::accept(listener, nullptr, nullptr);
            heard = read(19);
            write(answer);
        });
    }
    void joinGreeter() { greeter.join(); }
    void write(const std::string& bytes) { ASSERT_EQ(::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }
    // Up to `count` bytes, fewer when the deadline passes or the demo hangs up.
    std::string read(size_t count, int deadlineMs = editorwire::kWaitMs) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{peer, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1) break;
            char buffer[4096];
            const ssize_t n = ::recv(peer, buffer, std::min(sizeof(buffer), count - got.size()), 0);
            if (n <= 0) break;
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }
    // True once the demo has closed its end.
    bool hungUp() {
        pollfd p{peer, POLLIN, 0};
        char c = 0;
        return ::poll(&p, 1, editorwire::kWaitMs) == 1 && ::recv(peer, &c, 1, 0) == 0;
    }
    void hangUp() {
        ::close(peer);
        peer = -1;
    }

    int listener = -1;
    int peer = -1;
    int port = 0;
    std::string heard;  // the demo's greeting
    std::thread greeter;
};

} // namespace test
