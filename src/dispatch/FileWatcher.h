// Polls the last-write times and sizes of registered files on a background task
// and runs their callbacks on the main thread, once per frame, in dispatchChanges().
// Times carry sub-second precision so two saves within one second both count.
#pragma once
#include <atomic>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <string>

class FileWatcher {
public:
    using Callback = void (*)(const std::string& path, void* context);

    ~FileWatcher();

    bool init(int intervalMs);
    // Registering the same callback again for a path keeps its first context.
    void addWatch(const std::string& path, Callback callback, void* context);
    // Main thread: runs the callbacks of every path noted since the last call,
    // in path order. Callbacks may add watches.
    void dispatchChanges();
    // Stops the poll task and waits for it. Safe to call when not polling.
    void shutdown();

    // One poll round; the background task calls it every interval.
    void poll();

    // Seconds since 1970 with sub-second precision; -1 when the file cannot be read.
    static double getLastWriteTime(const std::string& path);

private:
    // What a poll compares: any difference is a change, an older time too (a
    // file restored from a backup or by version control keeps its old time).
    struct Stamp {
        long long modifiedNs = -1;  // -1: missing or not a regular file
        long long size = -1;
        bool operator!=(const Stamp& o) const { return modifiedNs != o.modifiedNs || size != o.size; }
    };
    static Stamp stampOf(const std::string& path);

    void pollLoop();

    std::atomic<bool> stopRequested{false};
    std::future<void> pollTask;
    std::mutex watchLock;   // watchedPaths
    std::mutex changeLock;  // changedPaths; taken inside watchLock, never the other way
    std::mutex sleepLock;   // lets shutdown wake the poll task early
    std::condition_variable sleepWake;
    int intervalMs = 100;
    std::map<std::string, Stamp> watchedPaths;  // as last seen
    std::set<std::string> changedPaths;
    std::map<std::string, std::map<Callback, void*>> callbacks;
};
