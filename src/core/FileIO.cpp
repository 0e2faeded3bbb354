// Whole-file reading: the reported size is a first guess, reads go on to the end. Writing goes
// through a temporary file and rename(2), which replaces a file atomically on POSIX.
#include "core/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <SDL.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

namespace FileIO {

int openRegular(const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading otherwise waits for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Not reading '%s': it %s", path.c_str(),
                     S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file");
        ::close(fd);
        return -1;
    }
    // Regular files never block; readers that poll for EAGAIN do not expect one.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

FILE* openRegularFile(const char* path, const char* mode) {
    const int fd = path ? openRegular(path) : -1;
    if (fd < 0) return nullptr;
    FILE* file = ::fdopen(fd, mode);
    if (!file) ::close(fd);
    return file;
}

namespace {
// Reads to the end instead of trusting the reported size: a file that grows
// or shrinks while being read keeps what was read, and a size the file system
// makes up is never allocated.
template <typename Byte>
bool readInto(const std::string& path, std::vector<Byte>& out, bool terminate) {
    out.clear();
    const int fd = openRegular(path);
    if (fd < 0) return false;
    struct stat info {};
    size_t expected = ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
    size_t got = 0;
    bool ok = true;
    try {
        out.resize(expected + 1);  // one spare byte: a read of 0 there tells the end
        for (;;) {
            if (got == out.size()) out.resize(out.size() * 2);
            const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            got += static_cast<size_t>(n);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    ::close(fd);
    if (!ok) {
        out.clear();
        return false;
    }
    out.resize(got + (terminate ? 1 : 0));
    if (terminate) out[got] = 0;
    return true;
}
} // namespace

bool readAll(const std::string& path, std::vector<uint8_t>& out) { return readInto(path, out, false); }
bool readText(const std::string& path, std::vector<char>& out) { return readInto(path, out, true); }

bool writeTemporary(const std::string& path, const std::vector<uint8_t>& bytes, std::string& temporary,
                    std::string& error) {
    // The process id keeps two writers of the same file out of each other's temporary.
    temporary = path + ".tmp" + std::to_string(::getpid());
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
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

bool writeAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::string temporary;
    if (!writeTemporary(path, bytes, temporary, error)) return false;
    if (::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
}

bool replaceable(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

bool replaceTogether(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files, ReplaceFailure& failure) {
    for (const auto& file : files) {
        if (!replaceable(file.first)) {
            failure = {ReplaceStep::NotRegular, file.first, "not a regular file"};
            return false;
        }
    }
    std::vector<std::string> temporaries;
    for (const auto& file : files) {
        std::string temporary, error;
        if (!writeTemporary(file.first, file.second, temporary, error)) {
            for (const std::string& written : temporaries) ::unlink(written.c_str());
            failure = {ReplaceStep::Write, file.first, error};
            return false;
        }
        temporaries.push_back(temporary);
    }
    bool replaced = true;
    for (size_t i = 0; i < files.size(); ++i) {
        if (::rename(temporaries[i].c_str(), files[i].first.c_str()) == 0) continue;
        if (replaced) failure = {ReplaceStep::Rename, files[i].first, std::strerror(errno)};
        ::unlink(temporaries[i].c_str());
        replaced = false;
    }
    return replaced;
}

} // namespace FileIO
