// The fuzz targets: every reader of files a person edits, fed arbitrary bytes.
// Each checks what must hold for any input (no crash, sanitizer report or hang)
// and, where a second opinion exists, that the answers agree.
#include "FuzzTargets.h"

#include "app/Engine.h"
#include "audio/ManualAudioDevice.h"
#include "audio/Mp3Decoder.h"
#include "core/Config.h"
#include "gfx/Exm.h"
#include "gfx/Image.h"
#include "gfx/Texture.h"
#include "scene/SceneRootObject.h"
#include "script/ScriptModule.h"
#include "sync/EditorProtocol.h"
#include "sync/SyncDevice.h"
#include "sync/SyncTrack.h"
#include "sync/TrackText.h"

#include <SDL.h>
#include <arpa/inet.h>
#include <lua.hpp>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Config text; short inputs are also matched with the pattern entries were
// once read with (it is slow and recursive, so only on short texts), and must agree.
int fuzzConfig(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // the reader sees the file up to its first zero byte
    Config config;
    config.parse(text.c_str());
    config.getInt("ViewportWidth");
    config.getBool("VSync");
    if (text.size() > 256) return 0;
    static const std::regex entry("(\\S+?)\\s+=\\s(\\S+?);", std::regex::ECMAScript);
    std::map<std::string, std::string> expected;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it)
        expected.emplace((*it)[1].str(), (*it)[2].str());
    require(expected == config.entries(), "config scanner and pattern disagree");
    return 0;
}

// A binary track file, read through the store's file functions from memory.
const uint8_t* trackData = nullptr;
size_t trackSize = 0;

FILE* openTrackData(const char*, const char*) {
    if (trackSize == 0) return nullptr;
    return fmemopen(const_cast<uint8_t*>(trackData), trackSize, "rb");
}

int fuzzTrackFile(const uint8_t* data, size_t size) {
    trackData = data;
    trackSize = size;
    SyncTrackStore* store = createStore("");
    store->open = openTrackData;
    SyncTrack* track = getTrack(store, "T");
    for (double row : {-1e300, -1.0, 0.0, 0.5, 7.25, 100.0, 65536.5, 3e9, 1e300})
        getValue(track, row);
    destroyStore(store);
    return 0;
}

int fuzzTrackText(const uint8_t* data, size_t size) {
    std::vector<TextTrack> tracks;
    std::string error;
    if (!parseTrackText(std::string(reinterpret_cast<const char*>(data), size), tracks, error)) return 0;
    for (const TextTrack& track : tracks) {
        std::vector<uint8_t> bytes = encodeTrack(track.keys);
        require(bytes.size() == 4 + 9 * track.keys.size(), "encoded track size");
    }
    return 0;
}

// A model must come back the same after writing it out and reading it again.
int fuzzExm(const uint8_t* data, size_t size) {
    ExmModel model;
    if (!parseExm(data, size, model)) return 0;
    require(model.vertices.size() == model.floatCount && model.indices.size() == model.indexCount, "exm counts");
    std::vector<uint8_t> bytes = encodeExm(model);
    ExmModel again;
    require(parseExm(bytes.data(), bytes.size(), again), "exm round trip parses");
    require(again.indices == model.indices && again.aux == model.aux, "exm round trip");
    freeExm(model);
    return 0;
}

// As the texture loader does it: decode, then cut the six faces of a cross.
int fuzzImage(const uint8_t* data, size_t size) {
    DecodedImage image;
    std::string error;
    if (!decodeImage(data, size, image, error)) return 0;
    require(image.width > 0 && image.height > 0 && image.pixels, "decoded image");
    const int face = cubeFaceSize(image.width, image.height);
    for (int f = 0; f < 6; ++f) {
        std::vector<uint8_t> pixels = cutCubeFace(image.pixels, image.width, image.height, f, face);
        require(pixels.size() == static_cast<size_t>(face) * face * 4, "cube face size");
    }
    return 0;
}

// The decoder reads files by path, so each input goes through a file of this process.
int fuzzMp3(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/solvane-fuzz-" + std::to_string(getpid()) + ".mp3";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::vector<int16_t> pcm;
    Mp3Decoder::Result result = Mp3Decoder::decodeFile(path, 44100, pcm);
    require(result != Mp3Decoder::Result::Ok || (!pcm.empty() && pcm.size() % 2 == 0), "decoded stereo frames");
    std::remove(path.c_str());
    return 0;
}

// object.new with generated arguments against a scene without a window:
// every class name (and some that are none), each argument of any type.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : at(data), end(data + size) {}
    uint8_t byte() { return at < end ? *at++ : 0; }
    template <typename T>
    T value() {
        T out{};
        uint8_t raw[sizeof(T)] = {};
        for (uint8_t& b : raw) b = byte();
        std::memcpy(&out, raw, sizeof(T));
        return out;
    }
    bool empty() const { return at >= end; }

private:
    const uint8_t* at;
    const uint8_t* end;
};

// The factory's class names, then names it must refuse.
const std::vector<std::string>& classNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const ObjectClass* row : ScriptModule::objectClasses()) all.push_back(row->name);
        for (const char* refused : {"", "Cube", "cube "}) all.push_back(refused);
        return all;
    }();
    return names;
}

void pushArgument(lua_State* L, ByteReader& in) {
    switch (in.byte() % 9) {
    case 0: lua_pushnil(L); break;
    case 1: lua_pushboolean(L, in.byte() & 1); break;
    case 2: lua_pushinteger(L, in.value<int32_t>()); break;
    case 3: lua_pushnumber(L, in.value<double>()); break;
    case 4: lua_pushnumber(L, static_cast<double>(static_cast<int8_t>(in.byte()))); break;
    case 5: {
        std::string text(in.byte() % 16, '\0');
        for (char& c : text) c = static_cast<char>(in.byte());
        lua_pushlstring(L, text.data(), text.size());
        break;
    }
    case 6: ScriptModule::pushVector(L, glm::vec3(in.value<float>(), in.value<float>(), in.value<float>())); break;
    case 7: lua_newtable(L); break;
    default: ScriptModule::pushObject(L, gEngine->scene.root); break;
    }
}

int fuzzFactory(const uint8_t* data, size_t size) {
    static Engine* engine = [] {
        auto* made = new Engine;  // lives as long as the process, as the player's does
        gEngine = made;
        made->lua.create();
        return made;
    }();
    lua_State* L = engine->lua.state();
    ByteReader in(data, size);
    while (!in.empty()) {
        engine->scene.root = new SceneRootObject;
        const int top = lua_gettop(L);
        lua_getglobal(L, "object");
        lua_getfield(L, -1, "new");
        lua_pushstring(L, classNames()[in.byte() % classNames().size()].c_str());
        const int count = in.byte() % 8;
        for (int i = 0; i < count; ++i) pushArgument(L, in);
        if (lua_pcall(L, count + 1, 1, 0) == 0 && lua_type(L, -1) == LUA_TUSERDATA) {
            // A made object links under the root and is freed with it, unbuilt.
            lua_getfield(L, -1, "addChild");
            ScriptModule::pushObject(L, engine->scene.root);
            lua_pushvalue(L, -3);
            lua_pcall(L, 2, 0, 0);
        }
        lua_settop(L, top);
        engine->scene.releaseObjects();
    }
    lua_gc(L, LUA_GCCOLLECT, 0);
    return 0;
}

// Bytes as an editor sends them, over a real loopback connection to a sync
// device on a stand-in clock: decoded into key edits, row jumps, pauses and
// saves (into a folder of its own), with frames played while they arrive.
int fuzzEditorLink(const uint8_t* data, size_t size) {
    static uint16_t port = 0;
    static const int listener = [] {
        SDL_LogSetOutputFunction([](void*, int, SDL_LogPriority, const char*) {}, nullptr);
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        require(::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(fd, 4) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0,
                "a loopback listener");
        port = ntohs(address.sin_port);
        return fd;
    }();
    static const std::string folder = [] {
        char name[] = "/tmp/fuzz-editor-XXXXXX";
        require(::mkdtemp(name) != nullptr, "a folder for saved tracks");
        return std::string(name) + "/";
    }();

    int peer = -1;
    std::thread greeter([&] {
        pollfd waiting{listener, POLLIN, 0};
        if (::poll(&waiting, 1, 5000) != 1) return;
        peer = ::accept(listener, nullptr, nullptr);
        char greeting[64];
        size_t heard = 0;
        while (heard < editor::kClientGreeting.size()) {
            const ssize_t n = ::recv(peer, greeting, editor::kClientGreeting.size() - heard, 0);
            if (n <= 0) return;
            heard += static_cast<size_t>(n);
        }
        ::send(peer, editor::kServerGreeting.data(), editor::kServerGreeting.size(), MSG_NOSIGNAL);
    });
    ManualAudioDevice clock;
    clock.playing = true;
    SyncDevice sync;
    sync.useEditor("127.0.0.1:" + std::to_string(port));
    const bool connected = sync.init(&clock, folder);
    greeter.join();
    require(connected && peer >= 0, "the demo connects to the stand-in editor");
    // Three tracks asked for, so the editor's indices 0 to 2 are known.
    sync.getFloat("A");
    sync.getInt("B");
    sync.getBool("C");
    ::send(peer, data, size, MSG_NOSIGNAL);
    ::shutdown(peer, SHUT_WR);
    // Frames until the demo has taken everything in and hung up on the end of the stream.
    for (int frame = 0; frame < 16; ++frame) {
        if (clock.isPlaying()) clock.position += 1.0f / 60.0f;
        sync.update();
        for (const char* name : {"A", "B", "C"}) sync.getFloat(name);
        char drain[4096];
        while (::recv(peer, drain, sizeof drain, MSG_DONTWAIT) > 0) {
        }
    }
    sync.shutdown();
    ::close(peer);
    return 0;
}

} // namespace

namespace fuzz {

const NamedTarget kTargets[] = {
    {"config", fuzzConfig}, {"track_file", fuzzTrackFile}, {"track_text", fuzzTrackText}, {"exm", fuzzExm},
    {"image", fuzzImage},   {"mp3", fuzzMp3},              {"factory", fuzzFactory},
    {"editor_link", fuzzEditorLink},
};
const size_t kTargetCount = sizeof kTargets / sizeof kTargets[0];

Target findTarget(const char* name) {
    for (const NamedTarget& target : kTargets)
        if (std::strcmp(target.name, name) == 0) return target.run;
    return nullptr;
}

} // namespace fuzz
