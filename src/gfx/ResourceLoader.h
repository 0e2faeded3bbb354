// Queued shader and texture loads, performed on the main thread in
// processRequests() newest request first, then handed back through callbacks
// oldest request first, with no lock held. The lists grow as needed.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

struct Texture;

// Life of a managed resource (shared by the texture and shader managers).
enum class ResourceState : int32_t { Created = 0, Unloaded = 1, Loading = 2, Loaded = 3 };

enum class LoadKind : int32_t { None = 0, Shader = 1, Texture = 2 };

// `target` is the ShaderProgram or Texture the loader filled.
using LoadCallback = void (*)(bool success, void* target, void* context);

struct LoadRequest {
    LoadKind kind = LoadKind::None;
    const char* path0 = nullptr;  // vertex source or image
    const char* path1 = nullptr;  // fragment source
    const char* path2 = nullptr;  // geometry source or null
    bool isCubeMap = false;       // texture requests
    // Texture requests: left queued until the worker has decoded the image, so
    // no frame waits on a decode (reloads; a first load waits, the show needs it).
    bool whenDecoded = false;
    void* target = nullptr;
    LoadCallback callback = nullptr;
    void* context = nullptr;
};

struct LoadResult {
    LoadKind kind = LoadKind::None;
    bool success = false;
    void* target = nullptr;
    LoadCallback callback = nullptr;
    void* context = nullptr;
};

class ResourceLoader {
public:
    bool init();
    // The paths must stay valid until the request has been performed.
    void loadShader(void* target, LoadCallback callback, void* context, const char* vertexPath,
                    const char* fragmentPath, const char* geometryPath);
    void loadTexture(void* target, LoadCallback callback, void* context, const char* path, bool isCubeMap,
                     bool whenDecoded = false);
    void submit(const LoadRequest& request);
    int pendingCount();
    void processRequests();
    void terminate();
    // Drops pending requests and undelivered results of one requester (a
    // manager that is destroyed while some of its loads are still queued).
    void cancel(void* context);

private:
    bool terminated = false;
    std::mutex requestLock;
    std::mutex resultLock;
    std::condition_variable requestSignal;
    std::vector<LoadRequest> requests;
    std::vector<LoadResult> results;

    bool perform(const LoadRequest& request);
};

// Reads, decodes and uploads an image file into `texture` (unsized GL_RGBA; a
// cube map is cut from a vertical cross). False with one log line when the
// file is missing, does not decode or is too large for the driver.
bool loadImageTexture(Texture& texture, const char* path, bool isCubeMap, bool mipmaps);
