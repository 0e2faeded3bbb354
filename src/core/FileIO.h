// Whole-file reading shared by the configuration, shader, image, model and
// script loaders, and whole-file writing that never leaves half a file.
// Plain std::vector buffers: the caller owns the bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace FileIO {

// Reads every byte of `path`. False when the file cannot be opened or read.
bool readAll(const std::string& path, std::vector<uint8_t>& out);

// Same, with a terminating zero appended so the buffer can be used as C text.
bool readText(const std::string& path, std::vector<char>& out);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`: a reader sees the old file or the new one, never a
// part. False with the system's reason in `error`; nothing is left behind.
bool writeAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

} // namespace FileIO
