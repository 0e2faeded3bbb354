// libmpg123 does the decoding, the resampling to the output rate (its own
// N-to-M synthesis) and the mono-to-stereo spread.
#include "audio/Mp3Decoder.h"

#include "core/FileIO.h"

#include <mpg123.h>

#include <unistd.h>

#include <mutex>

namespace Mp3Decoder {

Result open(const std::string& path, long outputRate, Decoder& decoder) {
    close(decoder);
    decoder.fd = FileIO::openRegular(path);
    if (decoder.fd < 0) return Result::CannotOpen;

    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });  // a no-op on current versions, needed on old ones

    int err = MPG123_OK;
    decoder.handle = mpg123_new(nullptr, &err);
    mpg123_handle* mh = decoder.handle;
    if (!mh) return Result::BadFormat;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO | MPG123_GAPLESS, 0.0);
    // An entry for every frame (grown as the scan finds them), so a seek starts at the right frame.
    mpg123_param(mh, MPG123_INDEX_SIZE, -1024, 0.0);
    // One output format only: libmpg123 resamples any input rate to it.
    mpg123_format_none(mh);
    if (mpg123_format(mh, outputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return Result::BadFormat;
    if (mpg123_open_fd(mh, decoder.fd) != MPG123_OK) return Result::BadFormat;
    return Result::Ok;
}

void close(Decoder& decoder) {
    if (decoder.handle) {
        mpg123_close(decoder.handle);
        mpg123_delete(decoder.handle);
        decoder.handle = nullptr;
    }
    if (decoder.fd >= 0) ::close(decoder.fd);
    decoder.fd = -1;
}

namespace {
// Closes at the end of a scope.
struct Opened : Decoder {
    ~Opened() { close(*this); }
};

Result decodeNow(const std::string& path, long outputRate, std::vector<int16_t>& pcm) {
    pcm.clear();
    Opened decoder;
    const Result opened = open(path, outputRate, decoder);
    if (opened != Result::Ok) return opened;
    mpg123_handle* mh = decoder.handle;

    // The scan reads the whole file, so the exact length is known up front.
    if (mpg123_scan(mh) == MPG123_OK) {
        off_t frames = mpg123_length(mh);
        if (frames > 0) pcm.reserve(static_cast<size_t>(frames) * 2);
    }

    std::vector<unsigned char> chunk(1 << 16);
    for (;;) {
        size_t done = 0;
        int rc = mpg123_read(mh, chunk.data(), chunk.size(), &done);
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
    Opened decoder;
    const Result opened = open(path, 44100, decoder);
    if (opened != Result::Ok) return opened;
    long rate = 0;
    int channels = 0, encoding = 0;
    return mpg123_getformat(decoder.handle, &rate, &channels, &encoding) == MPG123_OK ? Result::Ok : Result::BadFormat;
}

Result decodeFile(const std::string& path, long outputRate, std::vector<int16_t>& pcm) {
    return decodeNow(path, outputRate, pcm);
}

} // namespace Mp3Decoder
