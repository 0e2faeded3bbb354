// File watcher. The comparison against the newest change seen is strict and
// common to all files of a poll, so a file copied in with an older time is not
// reported, while several files saved between two polls all are.
#include "dispatch/FileWatcher.h"

#include "core/Profile.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <vector>

FileWatcher::~FileWatcher() { shutdown(); }

bool FileWatcher::init(int interval) {
    using namespace std::chrono;
    lastChangeTime = duration<double>(system_clock::now().time_since_epoch()).count();
    intervalMs = interval;
    stopRequested = false;
    pollTask = std::async(std::launch::async, &FileWatcher::pollLoop, this);
    return true;
}

void FileWatcher::addWatch(const std::string& path, Callback callback, void* context) {
    callbacks[path].emplace(callback, context);  // emplace keeps the first context
    std::lock_guard<std::mutex> lock(watchLock);
    watchedPaths.insert(path);
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
    double newest = lastChangeTime;
    for (const std::string& path : watchedPaths) {
        double t = getLastWriteTime(path);
        if (t > lastChangeTime) {
            newest = std::max(newest, t);
            std::lock_guard<std::mutex> changed(changeLock);
            changedPaths.insert(path);
        }
    }
    lastChangeTime = newest;
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

double FileWatcher::getLastWriteTime(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1.0;
    return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) * 1e-9;
}
