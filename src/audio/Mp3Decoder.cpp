// libmpg123 does the decoding, the resampling to the output rate (its own
// N-to-M synthesis) and the mono-to-stereo spread.
#include "audio/Mp3Decoder.h"

#include "core/FileIO.h"

#include <mpg123.h>

#include <unistd.h>

#include <future>
#include <mutex>
#include <system_error>
#include <utility>

namespace Mp3Decoder {

namespace {
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

struct Handle {
    mpg123_handle* mh = nullptr;
    ~Handle() {
        if (mh) {
            mpg123_close(mh);
            mpg123_delete(mh);
        }
    }
};

using Decoded = std::pair<Result, std::vector<int16_t>>;

struct Prefetch {
    std::mutex mutex;
    std::string path;
    long rate = 0;
    std::future<Decoded> result;  // waited for at exit if never taken
};

Prefetch& pending() {
    static Prefetch prefetch;
    return prefetch;
}

// Opens `file` for `path` and a decoder on it for 16-bit stereo at `outputRate`.
Result openDecoder(const std::string& path, long outputRate, Fd& file, Handle& decoder) {
    file.fd = FileIO::openRegular(path);
    if (file.fd < 0) return Result::CannotOpen;

    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });  // a no-op on current versions, needed on old ones

    int err = MPG123_OK;
    decoder.mh = mpg123_new(nullptr, &err);
    if (!decoder.mh) return Result::BadFormat;
    mpg123_param(decoder.mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO | MPG123_GAPLESS, 0.0);
    // One output format only: libmpg123 resamples any input rate to it.
    mpg123_format_none(decoder.mh);
    if (mpg123_format(decoder.mh, outputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return Result::BadFormat;
    if (mpg123_open_fd(decoder.mh, file.fd) != MPG123_OK) return Result::BadFormat;
    return Result::Ok;
}

Result decodeNow(const std::string& path, long outputRate, std::vector<int16_t>& pcm) {
    pcm.clear();
    Fd file;
    Handle decoder;
    const Result opened = openDecoder(path, outputRate, file, decoder);
    if (opened != Result::Ok) return opened;

    // The scan reads the whole file, so the exact length is known up front.
    if (mpg123_scan(decoder.mh) == MPG123_OK) {
        off_t frames = mpg123_length(decoder.mh);
        if (frames > 0) pcm.reserve(static_cast<size_t>(frames) * 2);
    }

    std::vector<unsigned char> chunk(1 << 16);
    for (;;) {
        size_t done = 0;
        int rc = mpg123_read(decoder.mh, chunk.data(), chunk.size(), &done);
        const int16_t* samples = reinterpret_cast<const int16_t*>(chunk.data());
        pcm.insert(pcm.end(), samples, samples + done / sizeof(int16_t));
        if (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) continue;
        break;  // MPG123_DONE at the end; an error at a break in the data keeps what came before
    }
    pcm.resize(pcm.size() - pcm.size() % 2);
    return pcm.empty() ? Result::BadFormat : Result::Ok;
}
} // namespace

Result probe(const std::string& path) {
    Fd file;
    Handle decoder;
    const Result opened = openDecoder(path, 44100, file, decoder);
    if (opened != Result::Ok) return opened;
    long rate = 0;
    int channels = 0, encoding = 0;
    return mpg123_getformat(decoder.mh, &rate, &channels, &encoding) == MPG123_OK ? Result::Ok : Result::BadFormat;
}

void prefetch(const std::string& path, long outputRate) {
    Prefetch& p = pending();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.result.valid()) return;
    try {
        p.result = std::async(std::launch::async, [path, outputRate] {
            Decoded decoded;
            decoded.first = decodeNow(path, outputRate, decoded.second);
            return decoded;
        });
        p.path = path;
        p.rate = outputRate;
    } catch (const std::system_error&) {
        // No thread to spare: decodeFile decodes when asked.
    }
}

Result decodeFile(const std::string& path, long outputRate, std::vector<int16_t>& pcm) {
    std::future<Decoded> taken;
    {
        Prefetch& p = pending();
        std::lock_guard<std::mutex> lock(p.mutex);
        if (p.result.valid() && p.path == path && p.rate == outputRate) taken = std::move(p.result);
    }
    if (!taken.valid()) return decodeNow(path, outputRate, pcm);
    Decoded decoded = taken.get();
    pcm = std::move(decoded.second);
    return decoded.first;
}

} // namespace Mp3Decoder
