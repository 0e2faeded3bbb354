// Resource loader. Everything runs on the main thread with the GL context
// current; the locks only keep the lists whole. Relies on ShaderProgram,
// Texture and the stb_image decoder.
#include "gfx/ResourceLoader.h"

#include "core/FileIO.h"
#include "core/Profile.h"
#include "gfx/Image.h"
#include "gfx/ShaderProgram.h"
#include "gfx/Texture.h"

#include <SDL.h>

#include <algorithm>
#include <string>

bool ResourceLoader::init() {
    terminated = false;
    return true;
}

void ResourceLoader::loadShader(void* target, LoadCallback callback, void* context, const char* vertexPath,
                                const char* fragmentPath, const char* geometryPath) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading OGL Shader!");
    submit({LoadKind::Shader, vertexPath, fragmentPath, geometryPath, false, target, callback, context});
}

void ResourceLoader::loadTexture(void* target, LoadCallback callback, void* context, const char* path,
                                 bool isCubeMap) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading OGL Texture!");
    submit({LoadKind::Texture, path, nullptr, nullptr, isCubeMap, target, callback, context});
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
    for (;;) {
        LoadRequest request;
        {
            std::lock_guard<std::mutex> lock(requestLock);
            if (requests.empty()) break;
            request = requests.back();
            requests.pop_back();
        }
        perform(request);
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
    std::vector<uint8_t> bytes;
    if (!FileIO::readAll(path, bytes)) return false;
    DecodedImage image;
    std::string error;
    if (!decodeImage(bytes.data(), bytes.size(), image, error)) {
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Failed to decode image '%s': %s", path, error.c_str());
        return false;
    }
    bytes = std::vector<uint8_t>();

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
