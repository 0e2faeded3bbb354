// File watcher. Each file is compared with its own stamp from the last poll (or
// from when it was added), so one save is one change, whatever the time it carries.
// A file that disappears or turns into something else than a regular file is not
// reported (there is nothing to read); its return is.
#include "dispatch/FileWatcher.h"

#include "core/Profile.h"

#include <sys/stat.h>

#include <chrono>
#include <vector>

FileWatcher::~FileWatcher() { shutdown(); }

bool FileWatcher::init(int interval) {
    intervalMs = interval;
    stopRequested = false;
    pollTask = std::async(std::launch::async, &FileWatcher::pollLoop, this);
    return true;
}

void FileWatcher::addWatch(const std::string& path, Callback callback, void* context) {
    callbacks[path].emplace(callback, context);  // emplace keeps the first context
    std::lock_guard<std::mutex> lock(watchLock);
    // The stamp at registration: the caller has just read the file, so only a later save counts.
    watchedPaths.emplace(path, stampOf(path));
}

void FileWatcher::pollLoop() {
    while (!stopRequested) {
        {
            std::unique_lock<std::mutex> lock(sleepLock);
            sleepWake.wait_for(lock, std::chrono::milliseconds(intervalMs),
                               [this] { return stopRequested.load(); });
        }
        if (stopRequested) break;
        poll();
    }
}

void FileWatcher::poll() {
    std::lock_guard<std::mutex> lock(watchLock);
    for (auto& [path, seen] : watchedPaths) {
        const Stamp now = stampOf(path);
        if (!(now != seen)) continue;
        seen = now;
        if (now.modifiedNs < 0) continue;
        std::lock_guard<std::mutex> changed(changeLock);
        changedPaths.insert(path);
    }
}

void FileWatcher::dispatchChanges() {
    profile::Scope timed(profile::kLoader);
    std::set<std::string> taken;
    {
        std::lock_guard<std::mutex> lock(changeLock);
        taken.swap(changedPaths);
    }
    for (const std::string& path : taken) {
        auto it = callbacks.find(path);
        if (it == callbacks.end()) continue;
        // Copy: a callback may register another callback for the same path.
        std::vector<std::pair<Callback, void*>> calls(it->second.begin(), it->second.end());
        for (auto& call : calls) call.first(path, call.second);
    }
}

void FileWatcher::shutdown() {
    stopRequested = true;
    {
        std::lock_guard<std::mutex> lock(sleepLock);
        sleepWake.notify_all();
    }
    if (pollTask.valid()) pollTask.get();
    std::lock_guard<std::mutex> lock(watchLock);
    watchedPaths.clear();
    std::lock_guard<std::mutex> changed(changeLock);
    changedPaths.clear();
}

FileWatcher::Stamp FileWatcher::stampOf(const std::string& path) {
    struct stat st;
    Stamp stamp;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.size = static_cast<long long>(st.st_size);
    return stamp;
}

double FileWatcher::getLastWriteTime(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1.0;
    return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) * 1e-9;
}
