// Cache of image textures shared by path: one load per (path, cube-map flag),
// users counted, and every user record kept current (the white 1x1 dummy while
// loading or after a failure). Main thread; loads go through the ResourceLoader.
#pragma once
#include "gfx/ResourceLoader.h"
#include "gfx/Texture.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

struct TextureEntry {
    ResourceState state = ResourceState::Created;
    std::unique_ptr<Texture> texture;  // what the loader fills; null when unloaded
    std::set<Texture*> users;
    std::string path;  // our own copy: requesters' strings may not outlive the entry
    bool isCubeMap = false;
};

class TextureManager {
public:
    // False (with "Failed to initialize dummy texture!") when the dummy cannot be made.
    bool init(ResourceLoader& loader);
    void requestTexture(Texture* user, const char* path, bool isCubeMap);
    void releaseTexture(Texture* user);
    static void textureLoaded(bool success, void* target, void* context);
    void purge();
    void destroy();

    static std::string keyOf(const std::string& path, bool isCubeMap);

    // For inspection (tests, tools); null when the key is unknown.
    const TextureEntry* findEntry(const std::string& key) const;
    const Texture& getDummyTexture() const { return dummyTexture; }

private:
    void notifyUsers(TextureEntry& entry);
    void submitLoad(TextureEntry& entry);
    void unregister(Texture* user, bool logCount);

    std::map<std::string, TextureEntry> entries;
    mutable std::mutex lock;
    Texture dummyTexture;
    std::string dummyKey;
    ResourceLoader* loader = nullptr;
    // The key every live user was registered under, so that a release finds its
    // entry even while the record still holds the dummy.
    std::map<Texture*, std::string> registrations;
};
