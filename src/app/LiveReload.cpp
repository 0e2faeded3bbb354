// Track files are watched once their track is first asked for: a show edited
// in a text editor and compiled with tracktool moves without a restart.
#include "app/Engine.h"

namespace {
void trackFileChanged(const std::string& path, void* context) {
    auto* engine = static_cast<Engine*>(context);
    const auto found = engine->watchedTrackFiles.find(path);
    if (found != engine->watchedTrackFiles.end()) engine->syncDevice.trackFileChanged(found->second);
}
} // namespace

void Engine::watchNewTracks() {
    const SyncTrackStore* store = syncDevice.tracks();
    if (!store || capture.enabled()) return;
    // A sync device started again has a store of its own, counted from its first track.
    if (store != watchedStore) watchedStore = store, watchedTracks = 0;
    for (; watchedTracks < store->tracks.size(); ++watchedTracks) {
        const std::string& name = store->tracks[watchedTracks]->name;
        const std::string path = trackPath(*store, name.c_str());
        watchedTrackFiles[path] = name;
        fileWatcher.addWatch(path, trackFileChanged, this);
    }
}
