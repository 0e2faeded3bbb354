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
    return true;
}

void ShaderManager::submitLoad(ShaderEntry& entry) {
    const ShaderSource& source = entry.source;
    loader->loadShader(registry.startLoad(entry), &ShaderManager::shaderLoaded, this, source.vertexPath.c_str(),
                       source.fragmentPath.c_str(), source.hasGeometry ? source.geometryPath.c_str() : nullptr);
}

void ShaderManager::requestShader(ShaderProgram* user, const char* vertexPath, const char* fragmentPath,
                                  const char* geometryPath) {
    if (!user) return;
    std::lock_guard<std::mutex> guard(lock);
    if (!vertexPath || !fragmentPath || !loader) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Invalid Shader Request: a vertex and a fragment path are needed");
        registry.release(user);
        *user = dummyShader;
        return;
    }
    const std::string key = keyOf(vertexPath, fragmentPath, geometryPath);
    const bool isNew = registry.find(key) == nullptr;
    ShaderSource source{vertexPath, fragmentPath, geometryPath ? geometryPath : "", geometryPath != nullptr};
    ShaderEntry* load = registry.request(user, key, source, dummyShader);
    if (load) submitLoad(*load);
    if (isNew && watcher) {
        watcher->addWatch(source.vertexPath, &ShaderManager::sourceFileChanged, this);
        watcher->addWatch(source.fragmentPath, &ShaderManager::sourceFileChanged, this);
        if (source.hasGeometry) watcher->addWatch(source.geometryPath, &ShaderManager::sourceFileChanged, this);
    }
}

void ShaderManager::releaseShader(ShaderProgram* user) {
    std::lock_guard<std::mutex> guard(lock);
    registry.release(user);
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
    manager->registry.complete(key, loaded, success, manager->dummyShader);
}

void ShaderManager::sourceFileChanged(const std::string& path, void* context) {
    static_cast<ShaderManager*>(context)->refresh(path);
}

void ShaderManager::refresh(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock);
    for (auto& [key, entry] : registry.entries) {
        const ShaderSource& source = entry.source;
        if (source.vertexPath != path && source.fragmentPath != path &&
            !(source.hasGeometry && source.geometryPath == path))
            continue;
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
            entry.resource->destroy();
            registry.unload(entry);
            registry.notify(entry, dummyShader);
            submitLoad(entry);
            break;
        }
    }
}

void ShaderManager::purge() {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purging Shaders!");
    std::lock_guard<std::mutex> guard(lock);
    registry.forEachUnused([this](const std::string& key, ShaderEntry& entry) {
        entry.resource->destroy();
        registry.unload(entry);
        registry.notify(entry, dummyShader);
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Purged Shader: [%s]", key.c_str());
    });
}

void ShaderManager::destroy() {
    std::lock_guard<std::mutex> guard(lock);
    // Compiles still queued point at records and paths about to be freed.
    if (loader) loader->cancel(this);
    registry.clear([](ShaderProgram& program) { program.destroy(); });
    dummyShader.destroy();
}

const ShaderEntry* ShaderManager::findEntry(const std::string& key) const {
    std::lock_guard<std::mutex> guard(lock);
    return registry.find(key);
}
