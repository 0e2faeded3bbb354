// Track files: little-endian int32 key count, then per key int32 row, float32
// value and int8 type, 9 bytes, no header or padding.
#include "sync/SyncTrack.h"

#include "core/FileIO.h"
#include "core/ShowTiming.h"

#include <SDL.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>
#include <limits>
#include <new>

namespace {
// Fixed-size little-endian fields; this engine only builds for little-endian hosts.
template <typename T>
bool readField(SyncTrackStore* store, FILE* file, T& out) {
    return store->read(&out, sizeof(T), 1, file) == 1;
}
} // namespace

SyncTrackStore* createStore(const std::string& basePath) {
    auto* store = new (std::nothrow) SyncTrackStore();
    if (!store) return nullptr;
    store->basePath = basePath;
    store->open = FileIO::openRegularFile;  // a FIFO or directory reads as no file
    store->read = std::fread;
    store->close = std::fclose;
    return store;
}

void destroyStore(SyncTrackStore* store) { delete store; }

std::string trackPath(const SyncTrackStore& store, const char* name) {
    return store.basePath + trackFileName(name);
}

int findTrack(const SyncTrackStore* store, const char* name) {
    for (int i = 0; i < store->trackCount; ++i)
        if (store->tracks[static_cast<size_t>(i)]->name == name) return i;
    return -1;
}

SyncTrack* getTrack(SyncTrackStore* store, const char* name) {
    int index = findTrack(store, name);
    if (index >= 0) return store->tracks[static_cast<size_t>(index)].get();
    store->tracks.push_back(std::make_unique<SyncTrack>());
    store->trackCount = static_cast<int32_t>(store->tracks.size());
    SyncTrack* track = store->tracks.back().get();
    track->name = name;
    loadTrack(store, track);
    return track;
}

void loadTrack(SyncTrackStore* store, SyncTrack* track) {
    const std::string path = trackPath(*store, track->name.c_str());
    FILE* file = store->open(path.c_str(), "rb");
    if (!file) return;  // no file: an empty track that reads 0, silently
    int32_t declared = 0;
    if (!readField(store, file, declared)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync track file %s is too short to hold a key count", path.c_str());
    } else if (declared < 0) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync track file %s has a negative key count (%d)", path.c_str(), declared);
    } else {
        // Keys grow with what is actually read, never with what the count claims.
        int unknownTypes = 0;
        for (int32_t k = 0; k < declared; ++k) {
            SyncKey key{};
            int8_t type = 0;
            if (!readField(store, file, key.row) || !readField(store, file, key.value) || !readField(store, file, type))
                break;
            key.type = type;
            if (type < Step || type > Ramp) {
                key.type = Step;  // holds its value, as an editor shows a key it does not know
                ++unknownTypes;
            }
            track->keys.push_back(key);
        }
        if (unknownTypes > 0)
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM,
                         "Sync track file %s: %d of its keys have an interpolation type outside 0 to 3; read as step",
                         path.c_str(), unknownTypes);
        if (static_cast<int32_t>(track->keys.size()) < declared)
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync track file %s holds %d of its %d keys; the rest are ignored",
                         path.c_str(), static_cast<int>(track->keys.size()), declared);
    }
    track->keyCount = static_cast<int32_t>(track->keys.size());
    store->close(file);
}

bool reloadTrack(SyncTrackStore* store, SyncTrack* track) {
    const std::string path = trackPath(*store, track->name.c_str());
    std::vector<uint8_t> bytes;
    std::error_code code;
    if (!std::filesystem::exists(path, code)) {
        track->keys.clear();
        track->keyCount = 0;
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sync track file %s is gone; the track reads 0", path.c_str());
        return true;
    }
    int32_t declared = -1;
    if (FileIO::readAll(path, bytes) && bytes.size() >= 4) std::memcpy(&declared, bytes.data(), 4);
    if (declared < 0 || bytes.size() != 4 + static_cast<size_t>(declared) * 9) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Sync track file %s changed but is not whole (%zu bytes); its %d keys stay",
                     path.c_str(), bytes.size(), static_cast<int>(track->keys.size()));
        return false;
    }
    // Whole: read as at the first request, with the same checks.
    track->keys.clear();
    loadTrack(store, track);
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sync track file %s read again: %d keys", path.c_str(), track->keyCount);
    return true;
}

int findKeyFloor(const SyncTrack* track, int row) {
    int lo = 0;
    int hi = track->keyCount;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        int at = track->keys[static_cast<size_t>(mid)].row;
        if (at < row) lo = mid + 1;
        else if (at > row) hi = mid;
        else return mid;
    }
    return lo - 1;
}

double getValue(const SyncTrack* track, double row) {
    if (track->keyCount == 0) return 0.0;
    // Rows far outside the int range (or not a number) sit before the first or after the last key.
    double floored = std::floor(row);
    int r;
    if (!(floored >= static_cast<double>(std::numeric_limits<int>::min()))) r = std::numeric_limits<int>::min();
    else if (floored > static_cast<double>(std::numeric_limits<int>::max())) r = std::numeric_limits<int>::max();
    else r = static_cast<int>(floored);
    int i = findKeyFloor(track, r);
    if (i < 0) return track->keys[0].value;
    if (i > track->keyCount - 2) return track->keys[static_cast<size_t>(track->keyCount - 1)].value;
    const SyncKey& k0 = track->keys[static_cast<size_t>(i)];
    const SyncKey& k1 = track->keys[static_cast<size_t>(i) + 1];
    const int64_t span = static_cast<int64_t>(k1.row) - k0.row;
    // Keys out of order in the file leave a span of no rows: it holds its first value.
    if (span <= 0) return k0.value;
    const double t = (row - k0.row) / static_cast<double>(span);
    const double delta = static_cast<double>(k1.value) - static_cast<double>(k0.value);
    switch (k0.type) {
    case Step: return k0.value;
    case Linear: return k0.value + delta * t;
    case Smooth: return k0.value + delta * t * t * (3.0 - 2.0 * t);
    case Ramp: return k0.value + delta * std::pow(t, 2.0);
    default: return 0.0;
    }
}
