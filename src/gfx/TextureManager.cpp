// Texture manager: keys, the dummy, and the loader and GL work around the
// shared registry bookkeeping.
#include "gfx/TextureManager.h"

#include "dispatch/FileWatcher.h"

#include <SDL.h>

std::string TextureManager::keyOf(const std::string& path, bool isCubeMap) {
    return path + (isCubeMap ? ":True" : ":False");
}

bool TextureManager::init(ResourceLoader& resourceLoader, FileWatcher* fileWatcher) {
    loader = &resourceLoader;
    watcher = fileWatcher;
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
    const std::string key = keyOf(path, isCubeMap);
    const bool isNew = registry.find(key) == nullptr;
    TextureEntry* load = registry.request(user, key, TextureSource{path, isCubeMap}, dummyTexture);
    if (load) submitLoad(*load);
    if (isNew && watcher) watcher->addWatch(path, &TextureManager::imageFileChanged, this);
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

void TextureManager::imageFileChanged(const std::string& path, void* context) {
    static_cast<TextureManager*>(context)->refresh(path);
}

void TextureManager::submitReload(const std::string& key, TextureEntry& entry) {
    auto& record = reloads[key];
    record = std::make_unique<Texture>();
    loader->loadTexture(record.get(), &TextureManager::textureReloaded, this, entry.source.path.c_str(),
                        entry.source.isCubeMap, true);
}

void TextureManager::refresh(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock);
    for (auto& [key, entry] : registry.entries) {
        if (entry.source.path != path) continue;
        if (entry.state == ResourceState::Loaded) {
            if (!reloads.count(key)) submitReload(key, entry);
        } else if (entry.state != ResourceState::Loading && !entry.users.empty()) {
            submitLoad(entry);  // its last load failed: the users hold the dummy until this one
        }
    }
}

void TextureManager::textureReloaded(bool success, void* target, void* context) {
    auto* manager = static_cast<TextureManager*>(context);
    auto* loaded = static_cast<Texture*>(target);
    const std::string key = keyOf(loaded->name ? loaded->name : "", loaded->isCubeMap);
    std::lock_guard<std::mutex> guard(manager->lock);
    auto reload = manager->reloads.find(key);
    if (reload == manager->reloads.end() || reload->second.get() != loaded) return;
    std::unique_ptr<Texture> fresh = std::move(reload->second);
    manager->reloads.erase(reload);
    auto it = manager->registry.entries.find(key);
    if (it == manager->registry.entries.end() || it->second.state != ResourceState::Loaded) {
        fresh->release();  // purged while it loaded
        return;
    }
    TextureEntry& entry = it->second;
    if (!success) {
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Texture file %s changed but does not load; the old texture stays",
                     entry.source.path.c_str());
        return;
    }
    entry.resource->release();
    *entry.resource = *fresh;
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Reloaded Texture: %s", key.c_str());
    manager->registry.notify(entry, manager->dummyTexture);
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
    for (auto& [key, record] : reloads) record->release();  // a cancelled reload may have uploaded
    reloads.clear();
    registry.clear([](Texture& texture) { texture.release(); });
    dummyTexture.release();
}

