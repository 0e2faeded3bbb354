// The editor connection on a non-blocking TCP socket. Reads are bounded per
// frame and land in a fixed buffer; a message split across reads waits there
// until it is whole. Only connecting waits, once, at start-up, and not for long.
#include "sync/SyncEditor.h"

#include "audio/IAudioDevice.h"
#include "core/FileIO.h"
#include "sync/TrackText.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kConnectTimeoutMs = 3000;
constexpr size_t kInputCapacity = 64 * 1024;
// About 18,000 keys a frame: a flood is taken in over several frames instead of stalling one.
constexpr size_t kReadBudgetPerFrame = 256 * 1024;
// Requests the editor has not read yet; a name may be up to 1 MiB long.
constexpr size_t kMaxPendingOutput = 2 * editor::kMaxNameLength;

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until the deadline; false on timeout or error.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, millisecondsLeft(deadline));
        if (n < 0 && errno == EINTR) continue;
        return n > 0;
    }
}

// A connected non-blocking socket to one of the host's addresses, or -1 with `reason`.
int connectTo(const std::string& host, uint16_t port, Clock::time_point deadline, std::string& reason) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0) {
        reason = gai_strerror(lookup);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            reason = std::strerror(errno);
            continue;
        }
        int error = 0;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                socklen_t size = sizeof(error);
                if (!waitFor(fd, POLLOUT, deadline)) error = ETIMEDOUT;
                else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
            }
        }
        if (error != 0) {
            reason = std::strerror(error);
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd >= 0) {
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));  // rows and requests are tiny
    }
    return fd;
}

// Sends the demo's greeting and reads exactly the editor's, so that anything
// the editor sends after it stays in the socket for the first frame.
bool greet(int fd, Clock::time_point deadline, std::string& reason) {
    auto fail = [&reason](const std::string& why) {
        reason = why;
        return false;
    };
    auto wouldBlock = [] { return errno == EAGAIN || errno == EWOULDBLOCK; };
    const std::string& hello = editor::kClientGreeting;
    size_t sent = 0;
    while (sent < hello.size()) {
        const ssize_t n = ::send(fd, hello.data() + sent, hello.size() - sent, MSG_NOSIGNAL);
        if (n > 0) sent += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR) continue;
        else if (n < 0 && wouldBlock() && waitFor(fd, POLLOUT, deadline)) continue;
        else return fail(n < 0 && !wouldBlock() ? std::strerror(errno) : "it took no greeting in time");
    }
    std::string answer(editor::kServerGreeting.size(), '\0');
    size_t got = 0;
    while (got < answer.size()) {
        const ssize_t n = ::recv(fd, &answer[got], answer.size() - got, 0);
        if (n > 0) got += static_cast<size_t>(n);
        else if (n == 0) return fail("it closed the connection");
        else if (errno == EINTR) continue;
        else if (wouldBlock() && waitFor(fd, POLLIN, deadline)) continue;
        else return fail(wouldBlock() ? "no answer in time" : std::strerror(errno));
    }
    if (answer != editor::kServerGreeting) return fail("it answered with other words");
    return true;
}

void logLine(const char* format, const std::string& a, unsigned port, const std::string& b) {
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, format, a.c_str(), port, b.c_str());
}
} // namespace

SyncEditor::~SyncEditor() {
    if (socket >= 0) ::close(socket);
    if (saving.valid()) saving.wait();
}

bool SyncEditor::connect(const std::string& address) {
    std::string host;
    uint16_t port = 0;
    if (!editor::parseAddress(address, host, port)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync editor: '%s' is not HOST[:PORT]; tracks are read from files only",
                     address.c_str());
        return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
    std::string reason;
    const int fd = connectTo(host, port, deadline, reason);
    if (fd < 0) {
        logLine("Sync editor: cannot connect to %s:%u (%s); tracks are read from files only", host, port, reason);
        return false;
    }
    if (!greet(fd, deadline, reason)) {
        ::close(fd);
        logLine("Sync editor: %s:%u is not a sync editor (%s); tracks are read from files only", host, port, reason);
        return false;
    }
    socket = fd;
    input.assign(kInputCapacity, 0);
    inputSize = 0;
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sync editor: connected to %s:%u", host.c_str(), port);
    return true;
}

void SyncEditor::requestTrack(SyncTrack* track) {
    if (socket < 0) return;
    if (track->name.size() > editor::kMaxNameLength) {
        drop("the track name of " + std::to_string(track->name.size()) + " bytes is above the 1 MiB limit");
        return;
    }
    editor::appendGetTrack(output, track->name);
    tracks.push_back(track);
    answered.push_back(false);
    flush();
}

void SyncEditor::poll(float rowsPerSecond) {
    if (socket < 0) return;
    receive(rowsPerSecond);
    applyKeyEdits();
    saveTracks();
}

void SyncEditor::receive(float rowsPerSecond) {
    // The engine starts the soundtrack after its first frame, perhaps after the editor paused it.
    if (paused && audio.isPlaying()) audio.pause();
    flush();
    size_t budget = kReadBudgetPerFrame;
    while (socket >= 0 && budget > 0) {
        const size_t room = std::min(input.size() - inputSize, budget);
        const ssize_t n = ::recv(socket, input.data() + inputSize, room, 0);
        if (n == 0) {
            drop(inputSize > 0 ? "the editor closed the connection in the middle of a message" :
                                 "the editor closed the connection");
            return;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) drop(std::string("the connection failed: ") + std::strerror(errno));
            return;
        }
        inputSize += static_cast<size_t>(n);
        budget -= static_cast<size_t>(n);
        size_t at = 0;
        for (;;) {
            editor::Message message;
            size_t used = 0;
            std::string fault;
            const editor::Decoded result = editor::decode(input.data() + at, inputSize - at,
                                                          static_cast<uint32_t>(tracks.size()), message, used, fault);
            if (result == editor::Decoded::Incomplete) break;
            if (result == editor::Decoded::Fault) {
                drop(fault);
                return;
            }
            apply(message, rowsPerSecond);
            at += used;
        }
        std::memmove(input.data(), input.data() + at, inputSize - at);
        inputSize -= at;
    }
}

void SyncEditor::apply(const editor::Message& message, float rowsPerSecond) {
    switch (message.command) {
    case editor::SetKey:
    case editor::DeleteKey:
        if (!answered[message.track]) {
            // The editor holds the whole track: what the file said no longer counts.
            answered[message.track] = true;
            tracks[message.track]->keys.clear();
            tracks[message.track]->keyCount = 0;
        }
        keyEdits.push_back({message.track, SyncKey{message.row, message.value, message.type},
                            message.command == editor::DeleteKey});
        break;
    case editor::SetRow:
        seekToRow(message.row, rowsPerSecond);
        // The position comes back rounded to a sample, perhaps just before the row: the row is pinned instead.
        pinned = true;
        pinnedPosition = audio.getPosition();
        pinnedRow = static_cast<float>(message.row);
        lastSentRow = message.row;  // the editor knows where it put us
        break;
    case editor::Pause:
        paused = message.pause;
        if (paused && audio.isPlaying()) audio.pause();
        else if (!paused && !audio.isPlaying()) audio.play();
        break;
    case editor::SaveTracks: saveRequested = true; break;
    case editor::GetTrack: break;  // never decoded: the editor does not ask
    }
}

float SyncEditor::settleRow(float row, float position) {
    if (pinned && position == pinnedPosition) row = pinnedRow;
    else pinned = false;
    if (socket >= 0 && !paused && audio.isPlaying()) {
        const int64_t current = static_cast<int64_t>(std::floor(row));
        if (current != lastSentRow && current >= 0 && current <= 0x7fffffff) {
            editor::appendSetRow(output, static_cast<uint32_t>(current));
            lastSentRow = current;
            flush();
        }
    }
    return row;
}

void SyncEditor::applyKeyEdits() {
    if (keyEdits.empty()) return;
    // By track, then row; arrival order within a row, so the last word on a row counts.
    std::stable_sort(keyEdits.begin(), keyEdits.end(), [](const KeyEdit& a, const KeyEdit& b) {
        return a.track != b.track ? a.track < b.track : a.key.row < b.key.row;
    });
    std::vector<SyncKey> merged;
    for (size_t e = 0; e < keyEdits.size();) {
        const uint32_t index = keyEdits[e].track;
        SyncTrack& track = *tracks[index];
        merged.clear();
        merged.reserve(track.keys.size() + keyEdits.size() - e);
        size_t k = 0;
        while (e < keyEdits.size() && keyEdits[e].track == index) {
            const int row = keyEdits[e].key.row;
            while (k < track.keys.size() && track.keys[k].row < row) merged.push_back(track.keys[k++]);
            if (k < track.keys.size() && track.keys[k].row == row) ++k;  // replaced or deleted
            while (e + 1 < keyEdits.size() && keyEdits[e + 1].track == index && keyEdits[e + 1].key.row == row)
                ++e;
            if (!keyEdits[e].remove) merged.push_back(keyEdits[e].key);
            ++e;
        }
        merged.insert(merged.end(), track.keys.begin() + static_cast<std::ptrdiff_t>(k), track.keys.end());
        track.keys.swap(merged);
        track.keyCount = static_cast<int32_t>(track.keys.size());
    }
    keyEdits.clear();
}

void SyncEditor::seekToRow(int32_t row, float rowsPerSecond) {
    double seconds = row / static_cast<double>(rowsPerSecond);
    const double length = audio.getLength();
    if (length > 0.0 && seconds > length) {
        // An editor may send such rows many times a second: one line a second at most.
        const auto now = std::chrono::steady_clock::now();
        if (now - lastSeekWarning >= std::chrono::seconds(1)) {
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM,
                         "Sync editor: row %d is past the end of the soundtrack (%.2f s); playing from its end", row,
                         length);
            lastSeekWarning = now;
        }
        seconds = length;
    }
    audio.setPosition(static_cast<float>(seconds));
}

void SyncEditor::saveTracks() {
    if (!saveRequested || (saving.valid() && saving.wait_for(std::chrono::seconds(0)) != std::future_status::ready))
        return;
    saveRequested = false;
    // The bytes are taken now, in the frame; only the writes and their flushes go to the worker.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& track : store.tracks) {
        const std::string& name = track->name;
        if (name.find('/') != std::string::npos || name.find("..") != std::string::npos) {
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync editor: track '%s' is not saved: its file would lie outside %s",
                         name.c_str(), store.basePath.c_str());
            continue;
        }
        files.emplace_back(trackPath(store, name.c_str()), encodeTrack(track->keys));
    }
    auto job = std::make_shared<decltype(files)>(std::move(files));
    auto write = [job, base = store.basePath]() {
        int saved = 0;
        for (const auto& [path, bytes] : *job) {
            std::string error;
            if (FileIO::writeAtomically(path, bytes, error)) ++saved;
            else SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync editor: cannot save %s (%s)", path.c_str(), error.c_str());
        }
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sync editor: saved %d tracks to %s", saved, base.c_str());
    };
    try {
        saving = std::async(std::launch::async, write);
    } catch (const std::system_error&) {
        write();  // no thread to spare: saved in the frame
    }
}

void SyncEditor::flush() {
    size_t sent = 0;
    while (socket >= 0 && sent < output.size()) {
        const ssize_t n = ::send(socket, output.data() + sent, output.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) sent += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR) continue;
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        else drop(std::string("the connection failed: ") + (n < 0 ? std::strerror(errno) : "nothing sent"));
    }
    if (socket < 0) return;
    output.erase(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(sent));
    if (output.size() > kMaxPendingOutput)
        drop("the editor has not read " + std::to_string(output.size()) + " bytes of requests");
}

void SyncEditor::drop(const std::string& reason) {
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync editor: %s; disconnected, the keys received so far stay", reason.c_str());
    ::close(socket);
    socket = -1;
    output.clear();
    inputSize = 0;
    // Nobody is left to resume a paused show.
    if (paused) {
        paused = false;
        if (!audio.isPlaying()) audio.play();
    }
}
