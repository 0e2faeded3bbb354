// Whole-file reading: size by seeking to the end, then one read. Writing goes
// through a temporary file and rename(2), which replaces a file atomically on POSIX.
#include "core/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

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

bool writeAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    // The process id keeps two writers of the same file out of each other's temporary.
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    // Without the flush a crash after the rename could leave an empty file under the real name.
    ok = ok && ::fsync(fd) == 0;
    if (!ok) error = std::strerror(errno);
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

} // namespace FileIO
