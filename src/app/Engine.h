// The one top-level object: owns every subsystem, brings them up in a fixed
// order, runs the main loop on the soundtrack clock and takes them down again.
#pragma once
#include "app/Scene.h"
#include "audio/IAudioDevice.h"
#include "audio/SoundtrackMeter.h"
#include "capture/CaptureSettings.h"
#include "core/Config.h"
#include "core/Log.h"
#include "core/ShowFile.h"
#include "core/ShowTiming.h"
#include "dispatch/DispatchManager.h"
#include "dispatch/FileWatcher.h"
#include "gfx/ModelManager.h"
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderManager.h"
#include "gfx/TextureManager.h"
#include "platform/GameController.h"
#include "platform/KeyboardMouse.h"
#include "platform/Window.h"
#include "script/LuaRuntime.h"
#include "sync/SyncDevice.h"

#include <map>
#include <memory>

class Engine {
public:
    Engine() = default;
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // False at the first failing step, which has logged why.
    bool initialize();
    // The real-time loop, or the capture loop when `capture` is enabled; false when a capture failed.
    bool run();
    void shutdown();
    // After a failed initialize: stops the background threads already started,
    // so the process can end cleanly without a full shutdown.
    void abortStartup();
    // Stops the soundtrack and frees the audio device, if one was created.
    void stopAudio();
    // Moves the soundtrack by the held D-pad direction of the sampled controller.
    void scrubSoundtrack();
    // This frame's keys: Space pauses and resumes, Left and Right move the
    // soundtrack by a beat (with Shift a bar), Home goes back to 0.
    void applyKeys();
    // Moves the soundtrack by `seconds`, never before its start.
    void seekBy(float seconds);
    // The soundtrack stopped and nobody holds it paused (an editor or Space): the show is over.
    bool soundtrackEnded();
    // One frame's updates at the clock's position: audio, file changes, sync, fixed steps.
    void advanceClock();
    // Pending loads, then the scene drawn at the clock's position (not presented).
    void renderFrame();
    // Renders `capture`'s frames from the hand-set clock (app/CaptureRun.cpp).
    bool runCapture();

    // Reads res/show.txt into `show` and the process's timing; false (logged) on a bad value or soundtrack.
    bool readShow();

    // The fixed steps from 0 to `seconds`, the clock set `rate` times a second on the way and nothing drawn.
    void rollForward(double seconds, int rate);
    // Before play starts (--start) and at each return of a loop: the scene a
    // run from 0 reaches at `seconds`, rebuilt when `rebuild`, the clock left there (app/PlayRange.cpp).
    void preRollTo(float seconds, bool rebuild);
    // Once the clock passed the loop's end (or the soundtrack ended inside the loop): back to its start.
    void loopIfDue();

    // Watches the files of tracks requested since the last call (app/LiveReload.cpp).
    void watchNewTracks();
    const SyncTrackStore* watchedStore = nullptr;
    size_t watchedTracks = 0;
    std::map<std::string, std::string> watchedTrackFiles;  // path -> track name

    // Set before initialize: the real-time options of the command line.
    struct RealTimeOptions {
        double start = 0.0;
        double loopFrom = -1.0, loopTo = -1.0;  // no loop when negative
        int width = 0, height = 0;              // 0: Config.txt's
        int fullscreen = -1;                    // 0 off, 1 mode change, 2 desktop; -1: Config.txt's
        bool loops() const { return loopFrom >= 0.0; }
    } realTime;
    struct LoopStats {
        long returns = 0;
        double lastSeconds = 0.0;  // wall time of the last return
    } loopStats;

    // Set before initialize: renders frames offline instead of playing in real time.
    CaptureSettings capture;
    struct CaptureStats {
        long frames = 0;
        double seconds = 0.0;
    } captureStats;  // of the last capture that succeeded

    // Members in construction order; destruction runs in reverse.
    ShowFile show;
    Window window;
    KeyboardMouse keyboardMouse;
    bool keyPaused = false;  // Space paused the soundtrack
    float stepAccumulator = 0.0f;
    float lastStepPosition = 0.0f;
    LuaRuntime lua;
    Scene scene;
    std::unique_ptr<IAudioDevice> audioDevice;
    SoundtrackMeter audioMeter;  // the script's audio table; moved once per frame, with the sync row
    SyncDevice syncDevice;
    ResourceLoader resourceLoader;
    ShaderManager shaderManager;
    TextureManager textureManager;
    ModelManager modelManager;
    FileWatcher fileWatcher;
    Config config;
    LogFile log;
    GameController gameController;
    DispatchManager dispatchManager;
};

// The running engine, set for the whole of initialize to shutdown. It is the
// one way up the house: a file below app/ that needs the engine includes this
// header and nothing else of app/ (scripts/check_layout.sh holds every other
// include to the floors). Who reaches up through it, and for what:
//   objects/  the shader, texture and model managers (requests and
//             releases), the sync tracks, and the Scene they are built for (its
//             projection, view, camera and sun; its root for the cube buffer
//             above them), whose definition arrives through this header;
//   script/   the scene (root, sun, camera path, post-processing, the objects
//             a script makes), the sync tracks, the soundtrack meter and the window size.
// Everything else is handed down: the capture run and the scene controller
// are app/ themselves, and the log sink gets its file as SDL's userdata.
extern Engine* gEngine;

// Process-wide names.
extern const char* const kConfigFileName;
extern const char* const kLogFileName;
extern const char* const kControllerMappingsFileName;

// Adds `delta` seconds of play position to `accumulator` and calls step(+kFixedStep)
// or step(-kFixedStep) until the accumulator is within one step of zero.
template <typename StepFunction>
void runFixedSteps(float& accumulator, float delta, StepFunction&& step) {
    accumulator += delta;
    while (accumulator >= kFixedStep || accumulator <= -kFixedStep) {
        const float s = accumulator > 0.0f ? kFixedStep : -kFixedStep;
        step(s);
        accumulator -= s;
    }
}
