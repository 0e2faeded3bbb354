// Blocks are immutable once decoded and shared by pointer, so a reader copies
// out of one without any lock; the decoder has a lock of its own, taken by the
// worker for one block at a time and by a reader that finds a block missing.
// Locks are taken decoder first, then cache, never the other way round.
#include "audio/Mp3Stream.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

Mp3Decoder::Result Mp3Stream::open(const std::string& file, long outputRate) {
    close();
    std::lock_guard<std::mutex> lock(decoderMutex);
    Mp3Decoder::Result result = Mp3Decoder::open(file, outputRate, decoder);
    // The scan reads every frame header, so the length is exact and the index complete.
    if (result == Mp3Decoder::Result::Ok &&
        (mpg123_scan(decoder.handle) != MPG123_OK || mpg123_length(decoder.handle) <= 0))
        result = Mp3Decoder::Result::BadFormat;
    if (result != Mp3Decoder::Result::Ok) {
        Mp3Decoder::close(decoder);
        return result;
    }
    path = file;
    rate = outputRate;
    length = mpg123_length(decoder.handle);
    // libmpg123 (1.31) lands seeks several samples off when it resamples, and in
    // some VBR files: those are decoded in one piece, from the start, as before.
    mpg123_frameinfo info{};
    const bool resampled = mpg123_info(decoder.handle, &info) != MPG123_OK || info.rate != outputRate;
    blockFrames = kBlockFrames;
    if (resampled || (length > kBlockFrames && !seeksLand())) blockFrames = length;
    brokeOff = false;
    {
        std::lock_guard<std::mutex> cacheLock(cacheMutex);
        stopping = false;
        readingBlock = 0;
    }
    try {
        worker = std::thread(&Mp3Stream::work, this);
    } catch (const std::system_error&) {
        // No thread to spare: every block is decoded by its first reader.
    }
    return Mp3Decoder::Result::Ok;
}

void Mp3Stream::close() {
    {
        std::lock_guard<std::mutex> lock(cacheMutex);
        stopping = true;
    }
    wake.notify_all();
    if (worker.joinable()) worker.join();
    {
        std::lock_guard<std::mutex> lock(decoderMutex);
        Mp3Decoder::close(decoder);
    }
    std::lock_guard<std::mutex> lock(cacheMutex);
    blocks.clear();
}

void Mp3Stream::read(int64_t first, size_t count, int16_t* stereo) {
    std::fill(stereo, stereo + 2 * count, int16_t{0});
    const int64_t end = first + static_cast<int64_t>(count);
    const int64_t from = std::max<int64_t>(first, 0);
    const int64_t to = std::min(end, length);
    {
        std::lock_guard<std::mutex> lock(cacheMutex);
        if (stopping) return;
        readingBlock = std::clamp<int64_t>(end, 0, length) / blockFrames;
        if (missingAhead() >= 0) wake.notify_one();
    }
    for (int64_t index = from / blockFrames; index * blockFrames < to; ++index) {
        const Block block = take(index);
        const int64_t start = index * blockFrames;
        const int64_t a = std::max(from, start);
        const int64_t b = std::min(to, start + static_cast<int64_t>(block->size() / 2));
        if (a < b) std::copy(block->begin() + 2 * (a - start), block->begin() + 2 * (b - start), stereo + 2 * (a - first));
    }
}

void Mp3Stream::expect(int64_t frame) {
    std::lock_guard<std::mutex> lock(cacheMutex);
    readingBlock = std::clamp<int64_t>(frame, 0, length) / blockFrames;
    if (missingAhead() >= 0) wake.notify_one();
}

size_t Mp3Stream::heldBlocks() {
    std::lock_guard<std::mutex> lock(cacheMutex);
    return blocks.size();
}

Mp3Stream::Block Mp3Stream::take(int64_t index) {
    {
        std::lock_guard<std::mutex> lock(cacheMutex);
        auto it = blocks.find(index);
        if (it != blocks.end()) return it->second;
    }
    return decode(index);
}

Mp3Stream::Block Mp3Stream::decode(int64_t index) {
    std::lock_guard<std::mutex> lock(decoderMutex);
    {
        // The worker may have decoded it while this thread waited for the decoder.
        std::lock_guard<std::mutex> cacheLock(cacheMutex);
        auto it = blocks.find(index);
        if (it != blocks.end()) return it->second;
    }
    auto pcm = std::make_shared<std::vector<int16_t>>();
    fill(index, *pcm);
    Block block = std::move(pcm);
    std::lock_guard<std::mutex> cacheLock(cacheMutex);
    if (!stopping) {
        blocks[index] = block;
        keepNear(readingBlock);
    }
    return block;
}

// Decodes block `index` into `pcm` with a seek to its start. Under decoderMutex.
void Mp3Stream::fill(int64_t index, std::vector<int16_t>& out) {
    const int64_t first = index * blockFrames;
    const int64_t frames = std::clamp<int64_t>(length - first, 0, blockFrames);
    out.assign(static_cast<size_t>(frames) * 2, int16_t{0});
    mpg123_handle* mh = decoder.handle;
    if (mh && frames > 0) {
        // Every block starts with a real seek, also one that follows on from the last: after a seek
        // libmpg123's synthesis rounds a few samples differently (by one step) than when it reads
        // on, so a block decoded the same way whatever was read before reads the same everywhere.
        // Seeking to the start first makes libmpg123 seek even where it could read on.
        const bool placed = mpg123_seek(mh, 0, SEEK_SET) == 0 && mpg123_seek(mh, first, SEEK_SET) == first;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(out.data());
        const size_t wanted = out.size() * sizeof(int16_t);
        size_t got = 0;
        while (placed && got < wanted) {
            size_t done = 0;
            const int rc = mpg123_read(mh, bytes + got, wanted - got, &done);
            got += done;
            if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
        }
        if (got < wanted && !brokeOff) {
            brokeOff = true;
            SDL_LogWarn(SDL_LOG_CATEGORY_SYSTEM, "The soundtrack %s breaks off at %.3f s; silence from there",
                        path.c_str(), static_cast<double>(first + static_cast<int64_t>(got / 4)) / static_cast<double>(rate));
        }
    }
}

// The second block decoded by a seek against the same samples read on from the start. Under decoderMutex.
bool Mp3Stream::seeksLand() {
    std::vector<int16_t> onFromStart(static_cast<size_t>(std::min(length, 2 * blockFrames)) * 2);
    mpg123_handle* mh = decoder.handle;
    size_t got = 0;
    const size_t wanted = onFromStart.size() * sizeof(int16_t);
    const bool placed = mpg123_seek(mh, 0, SEEK_SET) == 0;
    while (placed && got < wanted) {
        size_t done = 0;
        const int rc = mpg123_read(mh, reinterpret_cast<unsigned char*>(onFromStart.data()) + got, wanted - got, &done);
        got += done;
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
    }
    std::vector<int16_t> seeked;
    fill(1, seeked);
    if (got < wanted) return false;
    for (size_t i = 0; i < seeked.size(); ++i)
        if (std::abs(seeked[i] - onFromStart[static_cast<size_t>(2 * blockFrames) + i]) > 1) return false;
    return true;
}

// The first block from the reading on that is not decoded, or -1. Under cacheMutex.
int64_t Mp3Stream::missingAhead() const {
    for (int64_t index = readingBlock; index <= readingBlock + kBlocksAhead && index * blockFrames < length; ++index)
        if (blocks.count(index) == 0) return index;
    return -1;
}

// Frees the blocks outside the window around the reading. Under cacheMutex.
void Mp3Stream::keepNear(int64_t index) {
    for (auto it = blocks.begin(); it != blocks.end();) {
        if (it->first < index - kBlocksBehind || it->first > index + kBlocksAhead) it = blocks.erase(it);
        else ++it;
    }
}

void Mp3Stream::work() {
    std::unique_lock<std::mutex> lock(cacheMutex);
    while (!stopping) {
        const int64_t next = missingAhead();
        if (next < 0) {
            wake.wait(lock);
            continue;
        }
        lock.unlock();
        decode(next);
        lock.lock();
    }
}
