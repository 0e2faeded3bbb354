// Texture manager: keys, the dummy, and the loader and GL work around the
// shared registry bookkeeping.
#include "gfx/TextureManager.h"

#include <SDL.h>

std::string TextureManager::keyOf(const std::string& path, bool isCubeMap) {
    return path + (isCubeMap ? ":True" : ":False");
}

bool TextureManager::init(ResourceLoader& resourceLoader) {
    loader = &resourceLoader;
    const uint8_t white[4] = {255, 255, 255, 255};
    dummyTexture = Texture();
    dummyTexture.generate(1, 1, white, GL_RGBA, false, 0, true);
    if (dummyTexture.id == 0) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Failed to initialize dummy texture!");
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Successfully initialized dummy texture!");
    return true;
}

void TextureManager::submitLoad(TextureEntry& entry) {
    loader->loadTexture(registry.startLoad(entry), &TextureManager::textureLoaded, this, entry.source.path.c_str(),
                        entry.source.isCubeMap);
}

void TextureManager::requestTexture(Texture* user, const char* path, bool isCubeMap) {
    if (!user) return;
    std::lock_guard<std::mutex> guard(lock);
    if (!path || !loader) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Invalid Texture Request: no path given");
        registry.release(user);
        *user = dummyTexture;
        return;
    }
    TextureEntry* load = registry.request(user, keyOf(path, isCubeMap), TextureSource{path, isCubeMap}, dummyTexture);
    if (load) submitLoad(*load);
}

void TextureManager::releaseTexture(Texture* user) {
    std::lock_guard<std::mutex> guard(lock);
    registry.release(user);
}

void TextureManager::textureLoaded(bool success, void* target, void* context) {
    auto* manager = static_cast<TextureManager*>(context);
    auto* loaded = static_cast<Texture*>(target);
    if (success)
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Texture [%d] Queued In Manager!", static_cast<int>(loaded->id));
    else
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Invalid Texture Queued In Manager!");
    const std::string key = keyOf(loaded->name ? loaded->name : "", loaded->isCubeMap);
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Texture Callback Fired For Texture: %s", key.c_str());
    std::lock_guard<std::mutex> guard(manager->lock);
    manager->registry.complete(key, loaded, success, manager->dummyTexture);
}

void TextureManager::purge() {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purging Textures!");
    std::lock_guard<std::mutex> guard(lock);
    registry.forEachUnused([this](const std::string& key, TextureEntry& entry) {
        entry.resource->release();
        registry.unload(entry);
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purged Texture: [%s]", key.c_str());
    });
}

void TextureManager::destroy() {
    std::lock_guard<std::mutex> guard(lock);
    // Loads still queued point at records about to be freed.
    if (loader) loader->cancel(this);
    registry.clear([](Texture& texture) { texture.release(); });
    dummyTexture.release();
}

