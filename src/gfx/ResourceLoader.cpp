// Resource loader. GL work runs on the main thread with the GL context
// current; the locks only keep the lists whole. Image files are read and
// decoded ahead on workers. Relies on ShaderProgram, Texture and stb_image.
#include "gfx/ResourceLoader.h"

#include "core/FileIO.h"
#include "core/Profile.h"
#include "gfx/Image.h"
#include "gfx/ShaderProgram.h"
#include "gfx/Texture.h"

#include <SDL.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <string>

namespace {

// An image file read and decoded; `stamp` tells whether the file has changed since.
struct ImageFile {
    bool read = false;
    bool decoded = false;
    DecodedImage image;
    std::string error;
};

struct FileStamp {
    bool exists = false;
    long long size = 0;
    long long modified = 0;  // nanoseconds
    bool operator==(const FileStamp& o) const { return exists == o.exists && size == o.size && modified == o.modified; }
};

FileStamp stampOf(const std::string& path) {
    FileStamp stamp;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<long long>(st.st_size);
    stamp.modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return stamp;
}

ImageFile readImage(const std::string& path) {
    ImageFile file;
    std::vector<uint8_t> bytes;
    file.read = FileIO::readAll(path, bytes);
    if (file.read) file.decoded = decodeImage(bytes.data(), bytes.size(), file.image, file.error);
    return file;
}

// Reading and decoding an image is most of a texture load and needs no GL: it
// starts on a worker when the texture is asked for, while the script goes on
// building and shaders compile, and the upload takes the result.
struct Prefetch {
    FileStamp stamp;
    std::future<ImageFile> file;
};
std::mutex prefetchLock;
std::map<std::string, Prefetch> prefetched;

void prefetchImage(const char* path) {
    if (!path) return;
    std::lock_guard<std::mutex> lock(prefetchLock);
    if (prefetched.count(path)) return;
    Prefetch entry;
    entry.stamp = stampOf(path);
    try {
        entry.file = std::async(std::launch::async, readImage, std::string(path));
    } catch (const std::system_error&) {
        return;  // no thread to spare: the load reads the file itself
    }
    prefetched.emplace(path, std::move(entry));
}

// True when a load of `path` would not wait for a decode: its prefetch is done
// and still matches the file. One that finished on a file changed since is
// started again, so the read that sees the new file stays off this thread too.
bool imageReady(const char* path) {
    std::lock_guard<std::mutex> lock(prefetchLock);
    auto it = prefetched.find(path);
    if (it == prefetched.end()) return true;
    Prefetch& entry = it->second;
    if (entry.file.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
    const FileStamp now = stampOf(path);
    if (entry.stamp == now) return true;
    try {
        entry.file = std::async(std::launch::async, readImage, std::string(path));
        entry.stamp = now;
    } catch (const std::system_error&) {
        return true;  // no thread to spare: the load reads the file itself
    }
    return false;
}

// The prefetched image when the file is still the one that was read; else read now.
ImageFile takeImage(const char* path) {
    Prefetch entry;
    {
        std::lock_guard<std::mutex> lock(prefetchLock);
        auto it = prefetched.find(path);
        if (it != prefetched.end()) {
            entry = std::move(it->second);
            prefetched.erase(it);
        }
    }
    if (entry.file.valid()) {
        ImageFile file = entry.file.get();
        if (entry.stamp == stampOf(path)) return file;
    }
    return readImage(path);
}

} // namespace

bool ResourceLoader::init() {
    terminated = false;
    return true;
}

void ResourceLoader::loadShader(void* target, LoadCallback callback, void* context, const char* vertexPath,
                                const char* fragmentPath, const char* geometryPath) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading OGL Shader!");
    submit({LoadKind::Shader, vertexPath, fragmentPath, geometryPath, false, false, target, callback, context});
}

void ResourceLoader::loadTexture(void* target, LoadCallback callback, void* context, const char* path,
                                 bool isCubeMap, bool whenDecoded) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading OGL Texture!");
    prefetchImage(path);
    submit({LoadKind::Texture, path, nullptr, nullptr, isCubeMap, whenDecoded, target, callback, context});
}

void ResourceLoader::submit(const LoadRequest& request) {
    std::lock_guard<std::mutex> lock(requestLock);
    requests.push_back(request);
    requestSignal.notify_one();
}

int ResourceLoader::pendingCount() {
    std::lock_guard<std::mutex> lock(requestLock);
    return static_cast<int>(requests.size());
}

void ResourceLoader::processRequests() {
    if (terminated) return;
    profile::Scope timed(profile::kLoader);
    std::vector<LoadRequest> later;
    for (;;) {
        LoadRequest request;
        {
            std::lock_guard<std::mutex> lock(requestLock);
            if (requests.empty()) break;
            request = requests.back();
            requests.pop_back();
        }
        if (request.whenDecoded && request.path0 && !imageReady(request.path0))
            later.push_back(request);
        else
            perform(request);
    }
    if (!later.empty()) {
        std::lock_guard<std::mutex> lock(requestLock);
        requests.insert(requests.begin(), later.rbegin(), later.rend());
    }
    for (;;) {
        LoadResult result;
        {
            std::lock_guard<std::mutex> lock(resultLock);
            if (results.empty()) break;
            result = results.back();
            results.pop_back();
        }
        // Outside the lock: a callback may submit new requests (served next call).
        if (result.callback) result.callback(result.success, result.target, result.context);
    }
}

bool ResourceLoader::perform(const LoadRequest& request) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Processing OGL Request!");
    bool success = false;
    if (request.kind == LoadKind::Shader) {
        ShaderProgram program;
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading OGL Shader [%s], [%s], [%s]!",
                    request.path0 ? request.path0 : "null", request.path1 ? request.path1 : "null",
                    request.path2 ? request.path2 : "null");
        success = program.compile(request.path0, request.path1, request.path2);
        if (success)
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loaded OGL Shader!");
        else
            SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Failed to Load OGL Shader!");
        *static_cast<ShaderProgram*>(request.target) = program;
    } else if (request.kind == LoadKind::Texture) {
        Texture texture;
        texture.name = request.path0;
        texture.isCubeMap = request.isCubeMap;
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading OGL Texture [%s]!", request.path0 ? request.path0 : "null");
        success = request.path0 && loadImageTexture(texture, request.path0, request.isCubeMap, true);
        if (success)
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loaded OGL Texture!");
        else
            SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Failed to Load OGL Texture!");
        *static_cast<Texture*>(request.target) = texture;
    } else {
        return false;
    }
    LoadResult result;
    result.kind = request.kind;
    result.success = success;
    result.target = request.target;
    result.callback = request.callback;
    result.context = request.context;
    std::lock_guard<std::mutex> lock(resultLock);
    results.push_back(result);
    return success;
}

void ResourceLoader::terminate() {
    terminated = true;
    requestSignal.notify_all();
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "OGL Resource Thread Terminated Successfully!");
}

void ResourceLoader::cancel(void* context) {
    {
        std::lock_guard<std::mutex> lock(requestLock);
        requests.erase(std::remove_if(requests.begin(), requests.end(),
                                      [context](const LoadRequest& r) { return r.context == context; }),
                       requests.end());
    }
    std::lock_guard<std::mutex> lock(resultLock);
    results.erase(std::remove_if(results.begin(), results.end(),
                                 [context](const LoadResult& r) { return r.context == context; }),
                  results.end());
}

bool loadImageTexture(Texture& texture, const char* path, bool isCubeMap, bool mipmaps) {
    ImageFile file = takeImage(path);
    if (!file.read) return false;
    if (!file.decoded) {
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Failed to decode image '%s': %s", path, file.error.c_str());
        return false;
    }
    const DecodedImage& image = file.image;

    GLint maxSize = 0;
    glGetIntegerv(isCubeMap ? GL_MAX_CUBE_MAP_TEXTURE_SIZE : GL_MAX_TEXTURE_SIZE, &maxSize);
    int largest = isCubeMap ? cubeFaceSize(image.width, image.height) : std::max(image.width, image.height);
    if (largest > maxSize || (isCubeMap && largest < 1)) {
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Image '%s' (%dx%d) does not fit a %s texture of this driver", path,
                     image.width, image.height, isCubeMap ? "cube map" : "2D");
        return false;
    }

    texture.name = path;
    texture.isCubeMap = isCubeMap;
    texture.width = image.width;
    texture.height = image.height;
    texture.internalFormat = GL_RGBA;
    texture.hasMipmaps = mipmaps;
    texture.upload(image.width, image.height, GL_RGBA, image.pixels, 0, mipmaps);
    return true;
}
