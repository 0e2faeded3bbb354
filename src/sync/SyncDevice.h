// The engine's sync tracks: converts the soundtrack position into the current
// row once per frame and answers track values at that row by name.
#pragma once
#include "core/ShowTiming.h"
#include "sync/SyncTrack.h"

#include <string>

class IAudioDevice;

class SyncDevice {
public:
    SyncDevice() = default;
    ~SyncDevice();
    SyncDevice(const SyncDevice&) = delete;
    SyncDevice& operator=(const SyncDevice&) = delete;

    // `basePath` is where the track files live.
    bool init(IAudioDevice* audioDevice, const std::string& basePath = kSyncTrackDirectory);
    void update();
    float getFloat(const char* name);
    bool getBool(const char* name);
    int getInt(const char* name);
    void shutdown();

    float getRow() const { return row; }

private:
    SyncTrackStore* store = nullptr;
    float row = 0.0f;
    IAudioDevice* audio = nullptr;
};
