// Where captured frames go: PNG files encoded on worker threads, and in order
// to an optional video encoder. A bounded number of frames waits, so memory
// stays flat when encoding is slower than rendering; the first failure stops all.
#pragma once
#include "capture/PngEncoder.h"
#include "capture/VideoPipe.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Writes `rgb` (top-down rows) as a PNG at `path`: into "path.part" first, then
// renamed, so a reader never sees half a frame and a failed write leaves no file.
bool writePngFile(PngEncoder& encoder, const std::string& path, const uint8_t* rgb, int width, int height,
                  std::string& error);

class FrameWriter {
public:
    FrameWriter() = default;
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // `video` (optional, already open) gets every frame in submission order.
    void start(const std::string& directory, int width, int height, int threads, VideoPipe* video);
    // Queues frame `index` (top-down RGB); waits while too many are queued. False after a failure.
    bool submit(long index, std::vector<uint8_t> rgb);
    // Waits for every queued frame and stops the threads; false after a failure.
    bool finish();
    std::string failure() const;

private:
    using Pixels = std::shared_ptr<const std::vector<uint8_t>>;
    struct Job {
        long index;
        Pixels rgb;
    };
    void pngLoop();
    void videoLoop();
    // Takes jobs from `jobs` until stopped and it is empty, or until any thread failed.
    void workLoop(std::deque<Job>& jobs, const std::function<bool(const Job&, std::string&)>& work);

    std::string directory;
    int width = 0;
    int height = 0;
    VideoPipe* video = nullptr;
    size_t limit = 1;

    mutable std::mutex lock;
    std::condition_variable changed;
    std::deque<Job> pngJobs;
    std::deque<Job> videoJobs;
    size_t busy = 0;  // jobs taken by a thread and not yet done
    bool stopping = false;
    std::string failed;
    std::vector<std::thread> threads;
};
