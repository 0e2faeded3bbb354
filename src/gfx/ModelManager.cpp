// Model manager. Reads run on std::async workers, which log nothing: every
// line is written on the main thread when the read is taken.
#include "gfx/ModelManager.h"

#include "core/FileIO.h"
#include "dispatch/FileWatcher.h"

#include <SDL.h>

#include <chrono>

namespace {
uint32_t floatsPerVertex(ModelLayout layout) { return layout == ModelLayout::PositionNormal ? 6 : 8; }

Mesh createModelMesh(const ExmModel& model, ModelLayout layout) {
    if (layout == ModelLayout::PositionNormal) return createPositionNormalMesh(model.vertices, model.indices);
    MeshDesc desc;
    desc.vertices = model.vertices.data();
    desc.vertexBytes = model.vertices.size() * sizeof(float);
    desc.indices = model.indices.data();
    desc.indexBytes = model.indices.size() * sizeof(uint32_t);
    return createMesh(desc, {{0, 3, 32, 0}, {1, 2, 32, 12}, {2, 3, 32, 20}});
}

ExmModel readModel(const std::string& path) {
    ExmModel model;
    std::vector<uint8_t> bytes;
    if (!FileIO::readAll(path, bytes) || !parseExm(bytes.data(), bytes.size(), model)) model = ExmModel();
    return model;
}
} // namespace

void ModelManager::init(FileWatcher* fileWatcher) { watcher = fileWatcher; }

bool ModelManager::requestModel(Mesh* mesh, const std::string& path, ModelLayout layout, const char* failMessage) {
    ExmModel model;
    if (!loadModel(path, floatsPerVertex(layout), failMessage, model)) return false;
    *mesh = createModelMesh(model, layout);
    bool watched = false;
    for (const auto& [user, known] : users) watched = watched || known.path == path;
    users[mesh] = User{path, layout};
    if (!watched && watcher) watcher->addWatch(path, &ModelManager::modelFileChanged, this);
    return true;
}

void ModelManager::releaseModel(Mesh* mesh) {
    if (users.erase(mesh)) destroyMesh(*mesh);
}

void ModelManager::modelFileChanged(const std::string& path, void* context) {
    auto* manager = static_cast<ModelManager*>(context);
    auto read = manager->reads.find(path);
    if (read != manager->reads.end())
        read->second.again = true;
    else
        manager->startRead(path);
}

void ModelManager::startRead(const std::string& path) {
    Read& read = reads[path];
    read.again = false;
    try {
        read.model = std::async(std::launch::async, readModel, path);
    } catch (const std::system_error&) {
        std::promise<ExmModel> now;  // no thread to spare: read here
        now.set_value(readModel(path));
        read.model = now.get_future();
    }
}

void ModelManager::update() {
    for (auto it = reads.begin(); it != reads.end();) {
        Read& read = it->second;
        if (read.model.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            ++it;
            continue;
        }
        ExmModel model = read.model.get();
        const std::string path = it->first;
        // What was read may be half of a save that has gone on since: read the whole one.
        if (read.again) {
            startRead(path);
            ++it;
            continue;
        }
        it = reads.erase(it);
        rebuild(path, model);
    }
}

void ModelManager::rebuild(const std::string& path, const ExmModel& model) {
    if (model.vertices.empty() && model.indices.empty()) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Model file %s changed but does not load; its meshes stay as they were",
                     path.c_str());
        return;
    }
    bool misfit[2] = {false, false};
    int rebuilt = 0;
    for (auto& [mesh, user] : users) {
        if (user.path != path) continue;
        if (!modelFitsLayout(model, floatsPerVertex(user.layout))) {
            misfit[static_cast<int>(user.layout)] = true;
            continue;
        }
        destroyMesh(*mesh);
        *mesh = createModelMesh(model, user.layout);
        ++rebuilt;
    }
    for (ModelLayout layout : {ModelLayout::PositionNormal, ModelLayout::PositionUvNormal})
        if (misfit[static_cast<int>(layout)])
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM,
                         "Model file %s changed but does not fit %u floats per vertex; those meshes stay as they were",
                         path.c_str(), floatsPerVertex(layout));
    if (rebuilt > 0)
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Rebuilt %d meshes from model file %s", rebuilt, path.c_str());
}

void ModelManager::destroy() {
    reads.clear();  // a future of std::async waits for its read
    users.clear();
}
