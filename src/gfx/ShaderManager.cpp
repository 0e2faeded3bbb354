// Shader manager. A reload destroys the running program before the new one is
// compiled, so users hold the dummy in between; a change that arrives while a
// compile is queued is dropped (the next save reloads).
#include "gfx/ShaderManager.h"

#include "dispatch/FileWatcher.h"

#include <SDL.h>

const char* const kDummyVertexPath = "res/shaders/Dummy.vert";
const char* const kDummyFragmentPath = "res/shaders/Dummy.frag";

std::string ShaderManager::keyOf(const char* vertexPath, const char* fragmentPath, const char* geometryPath) {
    std::string key = std::string(vertexPath ? vertexPath : "") + ":" + (fragmentPath ? fragmentPath : "");
    if (geometryPath) key += std::string(":") + geometryPath;
    return key;
}

bool ShaderManager::init(ResourceLoader& resourceLoader, FileWatcher* fileWatcher) {
    loader = &resourceLoader;
    watcher = fileWatcher;
    dummyShader.reset();
    if (!dummyShader.compile(kDummyVertexPath, kDummyFragmentPath, nullptr)) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Failed to initialize dummy shader!");
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Successfully initialized dummy shader!");
    dummyKey = keyOf(kDummyVertexPath, kDummyFragmentPath, nullptr);
    return true;
}

void ShaderManager::submitLoad(ShaderEntry& entry) {
    entry.state = ResourceState::Loading;
    entry.program = std::make_unique<ShaderProgram>();
    loader->loadShader(entry.program.get(), &ShaderManager::shaderLoaded, this, entry.vertexPath.c_str(),
                       entry.fragmentPath.c_str(), entry.hasGeometry ? entry.geometryPath.c_str() : nullptr);
}

void ShaderManager::requestShader(ShaderProgram* user, const char* vertexPath, const char* fragmentPath,
                                  const char* geometryPath) {
    if (!user) return;
    std::lock_guard<std::mutex> guard(lock);
    if (!vertexPath || !fragmentPath || !loader) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Invalid Shader Request: a vertex and a fragment path are needed");
        unregister(user, true);
        *user = dummyShader;
        return;
    }
    const std::string key = keyOf(vertexPath, fragmentPath, geometryPath);
    auto registered = registrations.find(user);
    if (registered != registrations.end() && registered->second != key) unregister(user, true);

    auto it = entries.find(key);
    if (it == entries.end()) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading New Shader Into Manager: %s", key.c_str());
        ShaderEntry& entry = entries[key];
        entry.vertexPath = vertexPath;
        entry.fragmentPath = fragmentPath;
        entry.hasGeometry = geometryPath != nullptr;
        entry.geometryPath = geometryPath ? geometryPath : "";
        entry.users.insert(user);
        registrations[user] = key;
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Shader [%s] now has %d Users.", key.c_str(),
                    static_cast<int>(entry.users.size()));
        *user = dummyShader;
        submitLoad(entry);
        if (watcher) {
            watcher->addWatch(entry.vertexPath, &ShaderManager::sourceFileChanged, this);
            watcher->addWatch(entry.fragmentPath, &ShaderManager::sourceFileChanged, this);
            if (entry.hasGeometry) watcher->addWatch(entry.geometryPath, &ShaderManager::sourceFileChanged, this);
        }
        return;
    }

    ShaderEntry& entry = it->second;
    switch (entry.state) {
    case ResourceState::Created:
    case ResourceState::Unloaded:
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Reloading Shader Into Manager: %s", key.c_str());
        *user = dummyShader;
        submitLoad(entry);
        break;
    case ResourceState::Loading:
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Requested Shader Loading Already In Progress: %s", key.c_str());
        *user = dummyShader;
        break;
    case ResourceState::Loaded:
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Requested Shader Already Loaded: %s", key.c_str());
        *user = *entry.program;
        break;
    }
    entry.users.insert(user);
    registrations[user] = key;
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Shader [%s] now has %d Users.", key.c_str(),
                static_cast<int>(entry.users.size()));
}

void ShaderManager::unregister(ShaderProgram* user, bool logCount) {
    auto registered = registrations.find(user);
    if (registered == registrations.end()) return;
    auto it = entries.find(registered->second);
    if (it != entries.end()) {
        it->second.users.erase(user);
        if (logCount)
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Shader [%s] now has %d Users.", it->first.c_str(),
                        static_cast<int>(it->second.users.size()));
    }
    registrations.erase(registered);
}

void ShaderManager::releaseShader(ShaderProgram* user) {
    std::lock_guard<std::mutex> guard(lock);
    unregister(user, true);
}

void ShaderManager::shaderLoaded(bool success, void* target, void* context) {
    auto* manager = static_cast<ShaderManager*>(context);
    auto* loaded = static_cast<ShaderProgram*>(target);
    if (success)
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Shader [%d] Queued In Manager!", static_cast<int>(loaded->program));
    else
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Invalid Shader Queued In Manager!");
    const std::string key = keyOf(loaded->vertexPath, loaded->fragmentPath, loaded->geometryPath);
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Shader Callback Fired for Shader: %s", key.c_str());

    std::lock_guard<std::mutex> guard(manager->lock);
    auto it = manager->entries.find(key);
    if (it == manager->entries.end() || it->second.program.get() != loaded) return;
    ShaderEntry& entry = it->second;
    if (success) {
        entry.state = ResourceState::Loaded;
    } else {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Shader Marked As Unloaded Due To Loading Failure: %s", key.c_str());
        entry.program.reset();
        entry.state = ResourceState::Unloaded;
    }
    manager->notifyUsers(entry);
}

void ShaderManager::notifyUsers(ShaderEntry& entry) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Notifying %d Users for Loaded Shader", static_cast<int>(entry.users.size()));
    for (ShaderProgram* user : entry.users)
        *user = entry.state == ResourceState::Loaded ? *entry.program : dummyShader;
}

void ShaderManager::sourceFileChanged(const std::string& path, void* context) {
    static_cast<ShaderManager*>(context)->refresh(path);
}

void ShaderManager::refresh(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock);
    for (auto& [key, entry] : entries) {
        bool uses = entry.vertexPath == path || entry.fragmentPath == path ||
                    (entry.hasGeometry && entry.geometryPath == path);
        if (!uses) continue;
        switch (entry.state) {
        case ResourceState::Created:
        case ResourceState::Unloaded:
            submitLoad(entry);
            break;
        case ResourceState::Loading:
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER,
                        "Source File [%s] Updated but unable to refresh Shader: [%s] since it's still loading",
                        path.c_str(), key.c_str());
            break;
        case ResourceState::Loaded:
            entry.program->destroy();
            entry.program.reset();
            entry.state = ResourceState::Unloaded;
            notifyUsers(entry);
            submitLoad(entry);
            break;
        }
    }
}

void ShaderManager::purge() {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purging Shaders!");
    std::lock_guard<std::mutex> guard(lock);
    for (auto& [key, entry] : entries) {
        if (entry.state != ResourceState::Loaded || !entry.users.empty()) continue;
        entry.program->destroy();
        entry.program.reset();
        entry.state = ResourceState::Unloaded;
        notifyUsers(entry);
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purged Shader: [%s]", key.c_str());
    }
}

void ShaderManager::destroy() {
    std::lock_guard<std::mutex> guard(lock);
    // Compiles still queued point at records and paths about to be freed.
    if (loader) loader->cancel(this);
    for (auto& [key, entry] : entries) {
        if (entry.state == ResourceState::Loaded) {
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Destroying Shader: %s", key.c_str());
            entry.program->destroy();
        } else {
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Failed to Destroy Shader: %s", key.c_str());
        }
    }
    entries.clear();
    registrations.clear();
    dummyShader.destroy();
    dummyKey.clear();
}

const ShaderEntry* ShaderManager::findEntry(const std::string& key) const {
    std::lock_guard<std::mutex> guard(lock);
    auto it = entries.find(key);
    return it == entries.end() ? nullptr : &it->second;
}
