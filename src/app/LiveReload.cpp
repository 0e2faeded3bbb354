// Track files are watched once their track is first asked for: a show edited
// in a text editor and compiled with tracktool moves without a restart.
#include "app/Engine.h"

namespace {
void trackFileChanged(const std::string&, void* track) {
    // A track lives as long as the store, which outlives every dispatch of changes.
    if (gEngine) gEngine->syncDevice.trackFileChanged(static_cast<const SyncTrack*>(track)->name);
}
} // namespace

void Engine::watchNewTracks() {
    const SyncTrackStore* store = syncDevice.tracks();
    if (!store || capture.enabled()) return;
    for (; watchedTracks < store->tracks.size(); ++watchedTracks)
        fileWatcher.addWatch(trackPath(*store, store->tracks[watchedTracks]->name.c_str()), trackFileChanged,
                             store->tracks[watchedTracks].get());
}
