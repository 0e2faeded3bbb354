// Sync tracks: keyframes on a grid of rows, one binary file per track, loaded
// on first request and kept until the store is destroyed. Plain functions over
// plain records; file access goes through the store's stream functions.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

enum KeyType : int32_t { Step = 0, Linear = 1, Smooth = 2, Ramp = 3 };

struct SyncKey {
    int32_t row;
    float value;
    int32_t type;  // a KeyType; any other value makes its span read 0
};

struct SyncTrack {
    std::string name;
    std::vector<SyncKey> keys;  // ascending rows, in file order
    int32_t keyCount = 0;       // keys.size(); 0 when the file was missing or unreadable
};

struct SyncTrackStore {
    std::string basePath;
    std::vector<std::unique_ptr<SyncTrack>> tracks;  // in order of first request
    int32_t trackCount = 0;
    FILE* (*open)(const char* path, const char* mode) = nullptr;
    size_t (*read)(void* buffer, size_t size, size_t count, FILE* file) = nullptr;
    int (*close)(FILE* file) = nullptr;
};

SyncTrackStore* createStore(const std::string& basePath);
void destroyStore(SyncTrackStore* store);
// basePath + "_" + name + ".track", of any length.
std::string trackPath(const SyncTrackStore& store, const char* name);
int findTrack(const SyncTrackStore* store, const char* name);
// The track of that name, loaded from its file on first request. Never null.
SyncTrack* getTrack(SyncTrackStore* store, const char* name);
// Reads one track file into `track`; a file shorter than its key count says
// keeps the keys read whole, and logs one line saying so.
void loadTrack(SyncTrackStore* store, SyncTrack* track);
// Index of the last key at or before `row`; -1 before the first key.
// Reads the track's file again after a change on disk. A file that is not
// whole (shorter or longer than its key count says: half written, say) leaves
// the keys as they were, with one line; a file that is gone empties the track.
bool reloadTrack(SyncTrackStore* store, SyncTrack* track);
int findKeyFloor(const SyncTrack* track, int row);
double getValue(const SyncTrack* track, double row);
