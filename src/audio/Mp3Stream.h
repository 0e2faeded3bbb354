// A soundtrack decoded in blocks as it is read, never whole: libmpg123's scan
// gives the exact length and an index for sample-exact seeks, and a worker
// thread decodes the blocks ahead of where reading goes.
#pragma once
#include "audio/Mp3Decoder.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class Mp3Stream {
public:
    static constexpr int64_t kBlockFrames = 1 << 14;  // 0.37 s at 44100 Hz, 64 kB
    static constexpr int64_t kBlocksAhead = 8;        // decoded ahead of the reading: 3 s
    static constexpr int64_t kBlocksBehind = 2;       // kept behind it, for analysis reading back

    Mp3Stream() = default;
    ~Mp3Stream() { close(); }
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    // Scans the whole file (reading it, decoding nothing) and starts the worker.
    Mp3Decoder::Result open(const std::string& path, long outputRate);
    // Stops the worker and frees the blocks; reads give silence from then on.
    void close();
    int64_t frames() const { return length; }

    // Copies `count` frames from frame `first` into `stereo` (interleaved 16-bit),
    // silence before the start and past the end. Safe from any thread. A block
    // not decoded yet is decoded on the calling thread: at most one block's
    // decode (about a millisecond), waiting for the worker's block if it is busy.
    // The worker then decodes ahead of first + count.
    void read(int64_t first, size_t count, int16_t* stereo);
    // Moves the decoding ahead to `frame` before any read there (a seek).
    void expect(int64_t frame);
    // Blocks decoded and held now.
    size_t heldBlocks();

private:
    using Block = std::shared_ptr<const std::vector<int16_t>>;
    Block take(int64_t index);
    Block decode(int64_t index);
    void fill(int64_t index, std::vector<int16_t>& out);
    bool seeksLand();
    int64_t missingAhead() const;
    void keepNear(int64_t index);
    void work();

    std::string path;
    long rate = 44100;
    int64_t length = 0;
    int64_t blockFrames = kBlockFrames;  // the whole length where the file is not at the output rate

    std::mutex decoderMutex;  // the decoder; held for one block's decode
    Mp3Decoder::Decoder decoder;
    bool brokeOff = false;  // logged once: the file decodes to less than its scan promised

    std::mutex cacheMutex;  // below; held only to look up or change, never while decoding
    std::condition_variable wake;
    std::map<int64_t, Block> blocks;
    int64_t readingBlock = 0;
    bool stopping = false;
    std::thread worker;
};
