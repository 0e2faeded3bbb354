// The engine's sync tracks: converts the soundtrack position into the current
// row once per frame and answers track values at that row by name. With an
// editor connection (SyncEditor) the editor's edits apply as they arrive.
#pragma once
#include "core/ShowTiming.h"
#include "sync/SyncTrack.h"

#include <memory>
#include <optional>
#include <string>

class IAudioDevice;
class SyncEditor;

class SyncDevice {
public:
    SyncDevice();
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

    // Before init: connect to a sync-tracker editor at "HOST[:PORT]" (empty:
    // localhost, port 1338). A failed connection leaves the tracks to their files.
    void useEditor(const std::string& address) { editorAddress = address; }
    // True while the editor holds the soundtrack paused: the show goes on without it playing.
    bool editorPaused() const;
    // True while a sync editor is connected: its keys are in charge of the tracks.
    bool editorConnected() const;
    // The tracks requested so far, in order of first request (their files to watch).
    const SyncTrackStore* tracks() const { return store; }
    // The file of track `name` changed: its keys are read again, unless an
    // editor is connected or the file is not whole (one line each; the old keys stay).
    void trackFileChanged(const std::string& name);

private:
    SyncTrackStore* store = nullptr;
    float row = 0.0f;
    IAudioDevice* audio = nullptr;
    std::optional<std::string> editorAddress;
    std::unique_ptr<SyncEditor> editor;
};
