// ".exm" reading and writing. The file is checked against its own header, so
// a truncated model fails to load instead of being read past its end.
#include "gfx/Exm.h"

#include "core/FileIO.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace {
constexpr size_t kHeaderSize = 12;

uint32_t readWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void appendWord(std::vector<uint8_t>& out, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(word >> shift));
}
} // namespace

bool parseExm(const uint8_t* bytes, size_t size, ExmModel& model) {
    model = ExmModel();
    if (size < kHeaderSize) return false;
    uint32_t floatCount = readWord(bytes);
    uint32_t indexCount = readWord(bytes + 4);
    // 64-bit sum: two large counts must not wrap around into a small size.
    uint64_t needed = kHeaderSize + 4ull * (static_cast<uint64_t>(floatCount) + indexCount);
    if (needed > size) return false;
    model.floatCount = floatCount;
    model.indexCount = indexCount;
    model.aux = readWord(bytes + 8);
    const uint8_t* data = bytes + kHeaderSize;
    model.vertices.resize(floatCount);
    for (uint32_t i = 0; i < floatCount; ++i) {
        uint32_t word = readWord(data + 4 * static_cast<size_t>(i));
        std::memcpy(&model.vertices[i], &word, 4);
    }
    data += 4 * static_cast<size_t>(floatCount);
    model.indices.resize(indexCount);
    for (uint32_t i = 0; i < indexCount; ++i) model.indices[i] = readWord(data + 4 * static_cast<size_t>(i));
    return true;
}

bool loadExm(const std::string& path, ExmModel& model) {
    model = ExmModel();
    std::vector<uint8_t> bytes;
    if (!FileIO::readAll(path, bytes) || !parseExm(bytes.data(), bytes.size(), model)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to read model data from '%s'!\n", path.c_str());
        return false;
    }
    return true;
}

void freeExm(ExmModel& model) {
    model.vertices = std::vector<float>();
    model.indices = std::vector<uint32_t>();
}

std::vector<uint8_t> encodeExm(const ExmModel& model) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + 4 * (model.vertices.size() + model.indices.size()));
    appendWord(out, static_cast<uint32_t>(model.vertices.size()));
    appendWord(out, static_cast<uint32_t>(model.indices.size()));
    appendWord(out, model.aux);
    for (float f : model.vertices) {
        uint32_t word;
        std::memcpy(&word, &f, 4);
        appendWord(out, word);
    }
    for (uint32_t index : model.indices) appendWord(out, index);
    return out;
}

bool writeExm(const std::string& path, const ExmModel& model) {
    std::vector<uint8_t> bytes = encodeExm(model);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

bool modelFitsLayout(const ExmModel& model, uint32_t floatsPerVertex) {
    if (floatsPerVertex == 0 || model.vertices.size() % floatsPerVertex != 0 || model.indices.size() % 3 != 0)
        return false;
    const size_t vertexCount = model.vertices.size() / floatsPerVertex;
    for (uint32_t index : model.indices)
        if (index >= vertexCount) return false;
    return true;
}

bool loadModel(const std::string& path, uint32_t floatsPerVertex, const char* failMessage, ExmModel& model) {
    bool loaded = loadExm(path, model);
    if (loaded && !modelFitsLayout(model, floatsPerVertex)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM,
                     "Model '%s' does not fit %u floats per vertex or has indices past its vertices!", path.c_str(),
                     floatsPerVertex);
        freeExm(model);
        loaded = false;
    }
    if (!loaded) SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", failMessage);
    return loaded;
}
