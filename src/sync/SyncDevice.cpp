// Rows per beat and tempo come from the show's timing; the tempo is the
// soundtrack's own, as its device reports it.
#include "sync/SyncDevice.h"

#include "audio/IAudioDevice.h"
#include "core/Profile.h"
#include "core/ShowTiming.h"

#include <cmath>
#include <limits>

SyncDevice::~SyncDevice() { destroyStore(store); }

bool SyncDevice::init(IAudioDevice* audioDevice, const std::string& basePath) {
    store = createStore(basePath);
    audio = audioDevice;
    return store != nullptr && audio != nullptr;
}

void SyncDevice::update() {
    profile::Scope timed(profile::kSync);
    row = audio->getPosition() * static_cast<float>(rowsPerSecond(audio->getBPM()));
}

float SyncDevice::getFloat(const char* name) {
    profile::Scope timed(profile::kSync);
    return static_cast<float>(getValue(getTrack(store, name), row));
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
    destroyStore(store);
    store = nullptr;
}
