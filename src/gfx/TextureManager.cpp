// Texture manager. Users are written only while registered: releasing a record
// removes it from its entry at once, whatever the record holds at the time.
#include "gfx/TextureManager.h"

#include <SDL.h>

#include <vector>

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
    dummyKey = keyOf(dummyTexture.name, false);
    return true;
}

void TextureManager::submitLoad(TextureEntry& entry) {
    entry.state = ResourceState::Loading;
    entry.texture = std::make_unique<Texture>();
    loader->loadTexture(entry.texture.get(), &TextureManager::textureLoaded, this, entry.path.c_str(),
                        entry.isCubeMap);
}

void TextureManager::requestTexture(Texture* user, const char* path, bool isCubeMap) {
    if (!user) return;
    std::lock_guard<std::mutex> guard(lock);
    if (!path || !loader) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Invalid Texture Request: no path given");
        unregister(user, true);
        *user = dummyTexture;
        return;
    }
    const std::string key = keyOf(path, isCubeMap);
    auto registered = registrations.find(user);
    if (registered != registrations.end() && registered->second != key) unregister(user, true);

    auto it = entries.find(key);
    if (it == entries.end()) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading New Texture Into Manager: %s", key.c_str());
        TextureEntry& entry = entries[key];
        entry.path = path;
        entry.isCubeMap = isCubeMap;
        entry.users.insert(user);
        registrations[user] = key;
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Texture [%s] now has %d Users.", key.c_str(),
                    static_cast<int>(entry.users.size()));
        *user = dummyTexture;
        submitLoad(entry);
        return;
    }

    TextureEntry& entry = it->second;
    switch (entry.state) {
    case ResourceState::Created:
    case ResourceState::Unloaded:
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Reloading Texture Into Manager: %s", key.c_str());
        *user = dummyTexture;
        submitLoad(entry);
        break;
    case ResourceState::Loading:
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Requested Texture Loading Already In Progress: %s", key.c_str());
        *user = dummyTexture;
        break;
    case ResourceState::Loaded:
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Requested Texture Already Loaded: %s", key.c_str());
        *user = *entry.texture;
        break;
    }
    entry.users.insert(user);
    registrations[user] = key;
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Texture [%s] now has %d Users.", key.c_str(),
                static_cast<int>(entry.users.size()));
}

void TextureManager::unregister(Texture* user, bool logCount) {
    auto registered = registrations.find(user);
    if (registered == registrations.end()) return;
    auto it = entries.find(registered->second);
    if (it != entries.end()) {
        it->second.users.erase(user);
        if (logCount)
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Texture [%s] now has %d Users.", it->first.c_str(),
                        static_cast<int>(it->second.users.size()));
    }
    registrations.erase(registered);
}

void TextureManager::releaseTexture(Texture* user) {
    std::lock_guard<std::mutex> guard(lock);
    unregister(user, true);
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
    auto it = manager->entries.find(key);
    // The loader fills the entry's own record; anything else is not ours to keep.
    if (it == manager->entries.end() || it->second.texture.get() != loaded) return;
    TextureEntry& entry = it->second;
    if (success) {
        entry.state = ResourceState::Loaded;
    } else {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Texture Marked As Unloaded Due To Loading Failure: %s", key.c_str());
        entry.texture.reset();
        entry.state = ResourceState::Unloaded;
    }
    manager->notifyUsers(entry);
}

void TextureManager::notifyUsers(TextureEntry& entry) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Notifying %d Users for Loaded Texture", static_cast<int>(entry.users.size()));
    for (Texture* user : entry.users)
        *user = entry.state == ResourceState::Loaded ? *entry.texture : dummyTexture;
}

void TextureManager::purge() {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purging Textures!");
    std::lock_guard<std::mutex> guard(lock);
    for (auto& [key, entry] : entries) {
        if (entry.state != ResourceState::Loaded || !entry.users.empty()) continue;
        entry.texture->release();
        entry.texture.reset();
        entry.state = ResourceState::Unloaded;
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purged Texture: [%s]", key.c_str());
    }
}

void TextureManager::destroy() {
    std::lock_guard<std::mutex> guard(lock);
    // Loads still queued point at records about to be freed.
    if (loader) loader->cancel(this);
    for (auto& [key, entry] : entries) {
        if (entry.state == ResourceState::Loaded) {
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Destroying Texture: %s", key.c_str());
            entry.texture->release();
        } else {
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Failed to Destroy Texture: %s", key.c_str());
        }
    }
    entries.clear();
    registrations.clear();
    dummyTexture.release();
    dummyKey.clear();
}

const TextureEntry* TextureManager::findEntry(const std::string& key) const {
    std::lock_guard<std::mutex> guard(lock);
    auto it = entries.find(key);
    return it == entries.end() ? nullptr : &it->second;
}
