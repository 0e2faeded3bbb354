// Meshes built from ".exm" files, kept current while the show runs: every file
// a mesh came from is watched, a changed one is read and parsed on a worker,
// then rebuilt into every mesh made from it on the main thread. A file that
// does not load, or does not fit a mesh's layout, leaves that mesh as it was.
// Each user keeps its own GL mesh. Main thread; watches through the FileWatcher.
#pragma once
#include "gfx/Exm.h"
#include "gfx/Mesh.h"

#include <future>
#include <map>
#include <string>

class FileWatcher;

enum class ModelLayout {
    PositionNormal,    // 6 floats a vertex, as attributes 0 and 1
    PositionUvNormal,  // 8 floats a vertex, as attributes 0, 1 (uv) and 2
};

class ModelManager {
public:
    // `watcher` may be null (no live reload).
    void init(FileWatcher* watcher);
    // Builds `mesh` from `path` now (a build needs it at once) and keeps it
    // current. False, with the reason and then `failMessage` logged, when the
    // file is missing or malformed or does not fit `layout`.
    bool requestModel(Mesh* mesh, const std::string& path, ModelLayout layout, const char* failMessage);
    // Forgets `mesh` and destroys it; a mesh it does not know is left as it is.
    void releaseModel(Mesh* mesh);
    // Once a frame: rebuilds the meshes of every file whose new contents are read.
    void update();
    static void modelFileChanged(const std::string& path, void* context);
    // Waits for reads in flight and forgets every mesh (their owners destroy them).
    void destroy();

private:
    struct Read {
        std::future<ExmModel> model;  // no vertices and no indices: did not load
        bool again = false;           // the file changed while it was read
    };
    void startRead(const std::string& path);
    void rebuild(const std::string& path, const ExmModel& model);

    struct User {
        std::string path;
        ModelLayout layout;
    };
    std::map<Mesh*, User> users;
    std::map<std::string, Read> reads;
    FileWatcher* watcher = nullptr;
};
