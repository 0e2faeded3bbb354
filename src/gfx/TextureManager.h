// Cache of image textures shared by path: one load per (path, cube-map flag),
// users counted, and every user record kept current (the white 1x1 dummy while
// loading or after a failure). Main thread; loads go through the ResourceLoader.
#pragma once
#include "gfx/ResourceLoader.h"
#include "gfx/ResourceRegistry.h"
#include "gfx/Texture.h"

#include <mutex>
#include <string>

struct TextureSource {
    std::string path;  // our own copy: requesters' strings may not outlive the entry
    bool isCubeMap = false;
};
using TextureEntry = ResourceEntry<Texture, TextureSource>;

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

    const Texture& getDummyTexture() const { return dummyTexture; }

private:
    void submitLoad(TextureEntry& entry);

    ResourceRegistry<Texture, TextureSource> registry{"Texture"};
    std::mutex lock;
    Texture dummyTexture;
    ResourceLoader* loader = nullptr;
};
