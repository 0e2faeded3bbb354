// Stage timers for the frame profiler (bench/frame_profile). They cost one test
// of a null pointer unless a profiler has installed its accumulators in
// profile::active: no clock read, no allocation, no log line in the normal player.
#pragma once
#include <chrono>
#include <cstdint>

namespace profile {

// Stages of one frame. They nest (a Lua render walks the tree, which reads sync
// tracks), so each one holds its inclusive time; a stage entered again from
// inside itself is counted once.
enum Stage : int {
    kSync,       // SyncDevice row update and track reads
    kLuaUpdate,  // the script's update, all fixed steps of the frame
    kLuaRender,  // the script's render
    kTreeWalk,   // object update/render calls into the scene tree
    kOcean,      // the ocean's wave update
    kFlock,      // the flock step
    kPostSetup,  // the post chain's passes as issued by the CPU
    kLoader,     // file watcher delivery and the resource loader's requests
    kTotal,      // from the top of the frame to the swap request
    kSwap,       // the swap itself (where a real rasteriser finishes the frame)
    kStageCount
};

struct StageTimes {
    int64_t nanoseconds[kStageCount] = {};
    int depth[kStageCount] = {};
    // Called by endFrame with the finished frame's times, before they are cleared.
    void (*frameDone)(const StageTimes& times, void* context) = nullptr;
    void* context = nullptr;
};

// The profiler's accumulators; null when nobody profiles.
extern StageTimes* active;

inline int64_t nowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Adds the time from its construction to its destruction to `stage`.
class Scope {
public:
    explicit Scope(Stage s) : stage(s), times(active) {
        if (times && times->depth[stage]++ == 0) start = nowNanoseconds();
    }
    ~Scope() { end(); }
    // Closes the scope before its end of block.
    void end() {
        if (times && --times->depth[stage] == 0) times->nanoseconds[stage] += nowNanoseconds() - start;
        times = nullptr;
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    Stage stage;
    StageTimes* times;
    int64_t start = 0;
};

// The frame is presented: hand its times to the profiler and start the next.
inline void endFrame() {
    StageTimes* times = active;
    if (!times) return;
    if (times->frameDone) times->frameDone(*times, times->context);
    for (int64_t& ns : times->nanoseconds) ns = 0;
}

} // namespace profile
