// PNG encoding on a pool of threads, and one thread feeding the video encoder in frame order.
#include "capture/FrameWriter.h"

#include "capture/CaptureSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

bool writePngFile(PngEncoder& encoder, const std::string& path, const uint8_t* rgb, int width, int height,
                  std::string& error) {
    const std::vector<uint8_t>* encoded = encoder.encode(rgb, width, height);
    if (!encoded) {
        error = "cannot encode " + path;
        return false;
    }
    const std::vector<uint8_t>& png = *encoded;
    const std::string part = path + ".part";
    FILE* file = std::fopen(part.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    int code = ok ? 0 : errno;
    // A full disk often shows only when the buffered tail is flushed.
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && std::rename(part.c_str(), path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        std::remove(part.c_str());
        error = "cannot write " + path + ": " + std::strerror(code);
    }
    return ok;
}

FrameWriter::~FrameWriter() { finish(); }

void FrameWriter::start(const std::string& dir, int w, int h, int threadCount, VideoPipe* encoder) {
    directory = dir;
    width = w;
    height = h;
    video = encoder;
    const size_t workers = static_cast<size_t>(std::max(1, threadCount));
    // Enough to keep every thread busy while the renderer runs ahead by a frame or two.
    limit = workers * 2 + 2;
    for (size_t i = 0; i < workers; ++i) threads.emplace_back(&FrameWriter::pngLoop, this);
    if (video) threads.emplace_back(&FrameWriter::videoLoop, this);
}

bool FrameWriter::submit(long index, std::vector<uint8_t> rgb) {
    Pixels pixels = std::make_shared<const std::vector<uint8_t>>(std::move(rgb));
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return !failed.empty() || pngJobs.size() + videoJobs.size() + busy < limit; });
    if (!failed.empty()) return false;
    pngJobs.push_back({index, pixels});
    if (video) videoJobs.push_back({index, pixels});
    changed.notify_all();
    return true;
}

void FrameWriter::pngLoop() {
    PngEncoder encoder;
    workLoop(pngJobs, [this, &encoder](const Job& job, std::string& error) {
        return writePngFile(encoder, captureFramePath(directory, job.index), job.rgb->data(), width, height, error);
    });
}

void FrameWriter::videoLoop() {
    workLoop(videoJobs, [this](const Job& job, std::string& error) {
        if (video->write(job.rgb->data(), job.rgb->size())) return true;
        error = "ffmpeg stopped taking frames at frame " + std::to_string(job.index);
        return false;
    });
}

void FrameWriter::workLoop(std::deque<Job>& jobs, const std::function<bool(const Job&, std::string&)>& work) {
    for (;;) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stopping || !failed.empty() || !jobs.empty(); });
        if (!failed.empty() || jobs.empty()) return;
        Job job = std::move(jobs.front());
        jobs.pop_front();
        ++busy;
        guard.unlock();
        std::string error;
        const bool ok = work(job, error);
        guard.lock();
        --busy;
        if (!ok && failed.empty()) failed = error;
        changed.notify_all();
    }
}

bool FrameWriter::finish() {
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
        changed.notify_all();
    }
    for (std::thread& t : threads) t.join();
    threads.clear();
    return failure().empty();
}

std::string FrameWriter::failure() const {
    std::lock_guard<std::mutex> guard(lock);
    return failed;
}
