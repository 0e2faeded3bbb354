// Cache of image textures shared by path: one load per (path, cube-map flag),
// users counted, and every user record kept current (the white 1x1 dummy while
// loading or after a failure). Image files are watched: a changed one is loaded
// beside the running texture, which its users keep until the new one is whole.
// Main thread; loads go through the ResourceLoader, watches through the FileWatcher.
#pragma once
#include "gfx/ResourceLoader.h"
#include "gfx/ResourceRegistry.h"
#include "gfx/Texture.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

class FileWatcher;

struct TextureSource {
    std::string path;  // our own copy: requesters' strings may not outlive the entry
    bool isCubeMap = false;
};
using TextureEntry = ResourceEntry<Texture, TextureSource>;

class TextureManager {
public:
    // False (with "Failed to initialize dummy texture!") when the dummy cannot be made.
    // `watcher` may be null (no live reload).
    bool init(ResourceLoader& loader, FileWatcher* watcher = nullptr);
    void requestTexture(Texture* user, const char* path, bool isCubeMap);
    void releaseTexture(Texture* user);
    static void textureLoaded(bool success, void* target, void* context);
    static void textureReloaded(bool success, void* target, void* context);
    static void imageFileChanged(const std::string& path, void* context);
    void refresh(const std::string& path);
    void purge();
    void destroy();

    static std::string keyOf(const std::string& path, bool isCubeMap);

    const Texture& getDummyTexture() const { return dummyTexture; }

private:
    void submitLoad(TextureEntry& entry);
    void submitReload(const std::string& key, TextureEntry& entry);

    // The record a reload in flight fills, per key. A change that comes while
    // one is queued needs none of its own: the load reads the file as it is then.
    std::map<std::string, std::unique_ptr<Texture>> reloads;

    ResourceRegistry<Texture, TextureSource> registry{"Texture"};
    std::mutex lock;
    Texture dummyTexture;
    ResourceLoader* loader = nullptr;
    FileWatcher* watcher = nullptr;
};
