// Whole-file reading: size by seeking to the end, then one read.
#include "core/FileIO.h"

#include <cstdio>

namespace FileIO {

namespace {
template <typename Byte>
bool readInto(const std::string& path, std::vector<Byte>& out, bool terminate) {
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out.resize(static_cast<size_t>(size) + (terminate ? 1 : 0));
        size_t got = size > 0 ? std::fread(out.data(), 1, static_cast<size_t>(size), f) : 0;
        // A file that shrank between the seek and the read keeps what was read.
        out.resize(got + (terminate ? 1 : 0));
        if (terminate) out[got] = 0;
        ok = !std::ferror(f);
    }
    std::fclose(f);
    if (!ok) out.clear();
    return ok;
}
} // namespace

bool readAll(const std::string& path, std::vector<uint8_t>& out) { return readInto(path, out, false); }
bool readText(const std::string& path, std::vector<char>& out) { return readInto(path, out, true); }

} // namespace FileIO
