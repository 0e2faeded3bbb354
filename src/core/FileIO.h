// Whole-file reading shared by the configuration, shader, image, model and
// script loaders. Plain std::vector buffers: the caller owns the bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace FileIO {

// Reads every byte of `path`. False when the file cannot be opened or read.
bool readAll(const std::string& path, std::vector<uint8_t>& out);

// Same, with a terminating zero appended so the buffer can be used as C text.
bool readText(const std::string& path, std::vector<char>& out);

} // namespace FileIO
