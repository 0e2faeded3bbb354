// Cache of shader programs shared by source files, with hot reload: every
// source file is watched, and a change recompiles each program built from it
// while its users fall back to the dummy program. Main thread; compiles go
// through the ResourceLoader, watches through the FileWatcher.
#pragma once
#include "gfx/ResourceLoader.h"
#include "gfx/ResourceRegistry.h"
#include "gfx/ShaderProgram.h"

#include <mutex>
#include <string>

class FileWatcher;

extern const char* const kDummyVertexPath;
extern const char* const kDummyFragmentPath;

// Our own copies: requesters' strings may not outlive the entry.
struct ShaderSource {
    std::string vertexPath;
    std::string fragmentPath;
    std::string geometryPath;
    bool hasGeometry = false;
};
using ShaderEntry = ResourceEntry<ShaderProgram, ShaderSource>;

class ShaderManager {
public:
    // Compiles the dummy program now. `watcher` may be null (no hot reload).
    bool init(ResourceLoader& loader, FileWatcher* watcher);
    void requestShader(ShaderProgram* user, const char* vertexPath, const char* fragmentPath,
                       const char* geometryPath);
    void releaseShader(ShaderProgram* user);
    static void shaderLoaded(bool success, void* target, void* context);
    static void sourceFileChanged(const std::string& path, void* context);
    void refresh(const std::string& path);
    void purge();
    void destroy();

    static std::string keyOf(const char* vertexPath, const char* fragmentPath, const char* geometryPath);

    // For inspection (tests, tools); null when the key is unknown.
    const ShaderEntry* findEntry(const std::string& key) const;
    const ShaderProgram& getDummyShader() const { return dummyShader; }

private:
    void submitLoad(ShaderEntry& entry);

    ResourceRegistry<ShaderProgram, ShaderSource> registry{"Shader"};
    mutable std::mutex lock;
    ShaderProgram dummyShader;
    ResourceLoader* loader = nullptr;
    FileWatcher* watcher = nullptr;
};
