// The ".exm" model format: a 12-byte header (float count, index count, aux;
// little-endian 32-bit words) followed by the interleaved vertex floats and the
// triangle indices. Parsing, writing and the check that a model fits
// the vertex layout an object reads it with are plain functions; no GL.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ExmModel {
    uint32_t floatCount = 0;
    uint32_t indexCount = 0;  // the element count for glDrawElements
    uint32_t aux = 0;         // the exporter's third word; not interpreted
    std::vector<float> vertices;
    std::vector<uint32_t> indices;
};

// False when the bytes are shorter than the header or than the header's counts say.
bool parseExm(const uint8_t* bytes, size_t size, ExmModel& model);
// False with "Failed to read model data from '%s'!\n" when the file is missing or short.
bool loadExm(const std::string& path, ExmModel& model);
// True when the floats make whole vertices of `floatsPerVertex` and every index names one of them.
bool modelFitsLayout(const ExmModel& model, uint32_t floatsPerVertex);
// Loads `path` and checks it against the layout an object reads it with. On
// failure logs the reason (naming the file), then `failMessage`, and returns false.
bool loadModel(const std::string& path, uint32_t floatsPerVertex, const char* failMessage, ExmModel& model);
// Frees the arrays; objects call it right after uploading them.
void freeExm(ExmModel& model);

std::vector<uint8_t> encodeExm(const ExmModel& model);
bool writeExm(const std::string& path, const ExmModel& model);
