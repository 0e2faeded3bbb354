// Whole-file reading shared by the configuration, shader, image, model and
// script loaders, and whole-file writing that never leaves half a file.
// Plain std::vector buffers: the caller owns the bytes.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace FileIO {

// Opens `path` for reading only when it is a regular file, judged on the open
// descriptor, so a file swapped for a directory or a FIFO between a check and
// the open is still caught. The open never blocks (a FIFO without a writer
// would hold the caller for ever). -1 when missing or unreadable, silently; a
// directory, FIFO, device or socket gives -1 and one line naming the path and
// what it is.
int openRegular(const std::string& path);

// openRegular as a FILE* for reading, shaped like fopen for readers that take
// an fopen hook. `mode` must be a reading mode.
FILE* openRegularFile(const char* path, const char* mode);

// Reads every byte of `path`. False when the file cannot be opened or read, or
// is not a regular file (one line, as openRegular).
bool readAll(const std::string& path, std::vector<uint8_t>& out);

// Same, with a terminating zero appended so the buffer can be used as C text.
bool readText(const std::string& path, std::vector<char>& out);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`: a reader sees the old file or the new one, never a
// part. False with the system's reason in `error`; nothing is left behind.
bool writeAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// The first half of writeAtomically, for writers that rename several files
// only once all are written: `temporary` names the flushed file beside `path`.
// False with the reason in `error` and nothing left behind.
bool writeTemporary(const std::string& path, const std::vector<uint8_t>& bytes, std::string& temporary,
                    std::string& error);

// Replaces several files together: each goes to its temporary first, and the
// renames follow only once all were written, so a folder is never left half old,
// half new. A path that is there but no regular file (a rename cannot replace a
// directory) is refused before anything is written. False with the failing step,
// path and reason; a failed rename leaves that file as it was and the others renamed.
enum class ReplaceStep { NotRegular, Write, Rename };
// False when `path` is there but no regular file, which no rename can replace.
bool replaceable(const std::string& path);
struct ReplaceFailure {
    ReplaceStep step = ReplaceStep::Write;
    std::string path;
    std::string reason;
};
bool replaceTogether(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files, ReplaceFailure& failure);

} // namespace FileIO
