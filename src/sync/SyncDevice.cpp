// Rows per beat and tempo come from the show's timing; the tempo is the
// soundtrack's own, as its device reports it.
#include "sync/SyncDevice.h"

#include "audio/IAudioDevice.h"
#include "core/Profile.h"
#include "core/ShowTiming.h"
#include "sync/SyncEditor.h"

#include <SDL.h>

#include <cmath>
#include <limits>

SyncDevice::SyncDevice() = default;

SyncDevice::~SyncDevice() {
    editor.reset();
    destroyStore(store);
}

bool SyncDevice::init(IAudioDevice* audioDevice, const std::string& basePath) {
    store = createStore(basePath);
    audio = audioDevice;
    if (store && audio && editorAddress) {
        editor = std::make_unique<SyncEditor>(*store, *audio);
        if (!editor->connect(*editorAddress)) editor.reset();
    }
    return store != nullptr && audio != nullptr;
}

void SyncDevice::update() {
    profile::Scope timed(profile::kSync);
    const float perSecond = static_cast<float>(rowsPerSecond(audio->getBPM()));
    if (editor) editor->poll(perSecond);
    const float position = audio->getPosition();
    row = position * perSecond;
    if (editor) row = editor->settleRow(row, position);
    if (editor && !editor->isConnected()) editor.reset();
}

float SyncDevice::getFloat(const char* name) {
    profile::Scope timed(profile::kSync);
    const int32_t known = store->trackCount;
    SyncTrack* track = getTrack(store, name);
    if (editor && store->trackCount != known) editor->requestTrack(track);
    return static_cast<float>(getValue(track, row));
}

bool SyncDevice::editorPaused() const { return editor && editor->holdsPause(); }

bool SyncDevice::editorConnected() const { return editor && editor->isConnected(); }

void SyncDevice::trackFileChanged(const std::string& name) {
    const int index = store ? findTrack(store, name.c_str()) : -1;
    if (index < 0) return;
    SyncTrack* track = store->tracks[static_cast<size_t>(index)].get();
    if (editorConnected()) {
        SDL_LogWarn(SDL_LOG_CATEGORY_SYSTEM, "Sync track file %s changed; ignored while the sync editor is connected",
                    trackPath(*store, name.c_str()).c_str());
        return;
    }
    reloadTrack(store, track);
}

bool SyncDevice::getBool(const char* name) { return getFloat(name) > 0.0f; }

int SyncDevice::getInt(const char* name) {
    const double value = std::floor(getFloat(name));
    // Out-of-range values saturate rather than overflow.
    if (std::isnan(value)) return 0;
    if (!(value >= static_cast<double>(std::numeric_limits<int>::min()))) return std::numeric_limits<int>::min();
    if (value > static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

void SyncDevice::shutdown() {
    editor.reset();
    destroyStore(store);
    store = nullptr;
}
