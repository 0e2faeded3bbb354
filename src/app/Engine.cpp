// Engine start-up, main loop and shutdown. Every step logs exactly one line on
// success or failure; start-up stops at the first failure.
#include "app/Engine.h"

#include "audio/AudioPlayback.h"
#include "audio/BASSAudioDevice.h"
#include "audio/ManualAudioDevice.h"
#include "audio/Mp3Decoder.h"
#include "core/Profile.h"
#include "core/StateFolder.h"
#include "platform/LibraryMessages.h"
#include "platform/StopSignals.h"

#include <GL/glew.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <sys/stat.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

Engine* gEngine = nullptr;

const char* const kConfigFileName = "Config.txt";
const char* const kLogFileName = "Log.txt";
const char* const kControllerMappingsFileName = "res/input/gamecontrollerdb.txt";

namespace {
constexpr Uint32 kSdlInitFlags = SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER;
constexpr int kFileWatchIntervalMs = 100;
constexpr Uint32 kResourceWaitMs = 100;
constexpr Uint32 kTrackWaitMs = 100;
constexpr Uint32 kTrackPollMs = 5;

SDL_LogOutputFunction defaultLogOutput = nullptr;
void* defaultLogUserdata = nullptr;

// The C library's allocator raises its mmap threshold to the largest block
// freed so far (up to 32 MB) and its trim threshold with it: after start-up has
// freed a decoded image or two, the driver's textures and buffers land in the
// heap, and the heap's free top is never given back (20-25 MB more resident
// memory at 30 s of the show). Fixed thresholds keep large blocks in their own
// mappings, returned when freed.
void keepLargeBlocksApart() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
#endif
}

// Start-up frees far more than the show keeps (file bytes, decoded images,
// the shader compiler's work): given back once, before the music starts.
void releaseStartupMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Read-only media or someone else's folder must not stop the show: the
// player's own files go to a folder of the user's, and stderr says where.
// False only for a Log.txt that is there but is no file (a broken show folder).
bool openLog(LogFile& log) {
    if (log.open(kLogFileName)) return true;
    struct stat info {};
    if (::stat(kLogFileName, &info) == 0 && !S_ISREG(info.st_mode)) return false;
    for (const std::string& candidate : StateFolder::fallbacks(StateFolder::showName())) {
        const std::string folder = StateFolder::make(candidate);
        if (folder.empty() || !log.open(folder + "/" + kLogFileName)) continue;
        StateFolder::set(folder);
        std::fprintf(stderr, "solvane: the working folder cannot be written; the log is %s/%s\n", folder.c_str(),
                     kLogFileName);
        return true;
    }
    log.openStandardError();
    std::fprintf(stderr, "solvane: no folder can be written; the log goes to stderr only\n");
    return true;
}

bool fail(const char* message) {
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", message);
    return false;
}

// "Fullscreen = desktop;" besides true and false; anything else is a window, with a line.
FullscreenMode configFullscreen(const Config& config) {
    std::string value = config.get("Fullscreen");
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (value == "desktop") return FullscreenMode::Desktop;
    if (value == "true") return FullscreenMode::Mode;
    if (!value.empty() && value != "false")
        SDL_LogWarn(SDL_LOG_CATEGORY_SYSTEM, "Config entry 'Fullscreen' is '%s', not true, false or desktop: a window",
                    config.get("Fullscreen").c_str());
    return FullscreenMode::Off;
}

// A garbled file otherwise only shows as "-1x-1" settings and a failed window.
// Full screen on the desktop needs no size: it takes the desktop's.
void reportMissingConfigEntries(const Config& config) {
    const bool sizeOptional = configFullscreen(config) == FullscreenMode::Desktop;
    for (const char* key : {"ViewportWidth", "ViewportHeight", "MSAA", "Fullscreen", "VSync"})
        if (config.get(key).empty() && !(sizeOptional && std::string(key).rfind("Viewport", 0) == 0))
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Config entry '%s' is missing or not written as '%s = value;'", key, key);
}
} // namespace

Engine::~Engine() {
    // SDL outlives the engine; its log output must not point at a dead object.
    SDL_LogOutputFunction current = nullptr;
    void* userdata = nullptr;
    SDL_LogGetOutputFunction(&current, &userdata);
    if (current == logOutputFunction && userdata == &log && defaultLogOutput)
        SDL_LogSetOutputFunction(defaultLogOutput, defaultLogUserdata);
}

bool Engine::initialize() {
    gEngine = this;
    keepLargeBlocksApart();
    if (!openLog(log)) {
        std::string text = std::string("Failed to open log file for writing! File: ") + kLogFileName;
        // The message box needs a display: the terminal always hears of it.
        std::fprintf(stderr, "solvane: %s (%s)\n", text.c_str(), log.openError.c_str());
        // A capture runs unattended: a box nobody clicks would hold it forever.
        if (!capture.enabled()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), nullptr);
        return false;
    }

    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    stopSignals::install();
    // SDL's own start-up lines (driver probing) belong in the log, not on the terminal.
    SDL_LogGetOutputFunction(&defaultLogOutput, &defaultLogUserdata);
    SDL_LogSetOutputFunction(logOutputFunction, &log);
    routeLibraryMessagesToLog();
    int sdlResult = SDL_Init(kSdlInitFlags);
    if (sdlResult != 0) return fail("Failed to initialize SDL!");

    SDL_version compiled;
    SDL_version linked;
    SDL_VERSION(&compiled);
    SDL_GetVersion(&linked);
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Compiled SDL Version %d.%d.%d", compiled.major, compiled.minor, compiled.patch);
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Linked SDL Version %d.%d.%d", linked.major, linked.minor, linked.patch);
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Initializing Engine");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Reading Configuration File...");

    if (!config.read(kConfigFileName)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to read config file: %s!", kConfigFileName);
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Config File Read Successfully!");
    reportMissingConfigEntries(config);

    if (!readShow()) return false;

    int width = config.getInt("ViewportWidth");
    int height = config.getInt("ViewportHeight");
    int msaa = config.getInt("MSAA");
    FullscreenMode fullscreen = configFullscreen(config);
    bool vsync = config.getBool("VSync");
    if (realTime.width > 0) width = realTime.width, height = realTime.height;
    if (realTime.fullscreen >= 0)
        fullscreen = realTime.fullscreen == 2   ? FullscreenMode::Desktop
                     : realTime.fullscreen == 1 ? FullscreenMode::Mode
                                                : FullscreenMode::Off;
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Selected Settings: %dx%d Resolution with %dx MSAA", width, height, msaa);
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM,
                fullscreen != FullscreenMode::Off ? "Fullscreen mode enabled!" : "Fullscreen mode disabled!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, vsync ? "VSync enabled!" : "VSync disabled!");
    if (capture.enabled()) {
        // Offline frames: the capture's size, never paced by the display nor covering it.
        if (capture.width > 0) width = capture.width, height = capture.height;
        fullscreen = FullscreenMode::Off;
        vsync = false;
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Capturing %dx%d at %d fps: full-screen and VSync off", width, height,
                    capture.fps);
    }

    // Probing the audio drivers and opening the output take a few hundred ms:
    // they run on a worker, and the audio device takes the output.
    if (!capture.enabled()) BASSAudioDevice::prepare();

    if (!window.create(show.title, width, height, msaa, fullscreen, vsync)) return fail("Failed to initialize window!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Initialized window");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Video driver: %s", SDL_GetCurrentVideoDriver());
    // Otherwise a show on a machine without a screen plays unseen without a word.
    if (!capture.enabled() && drawingWithoutDisplay())
        std::fprintf(stderr, "solvane: no display found: the show plays headless, unseen (--capture DIR makes pictures)\n");

    glewExperimental = GL_TRUE;
    // GLEW is built for GLX: on an EGL context (SDL's offscreen driver) it loads
    // every GL entry point and only then fails for want of a GLX display.
    const GLenum glewResult = glewInit();
    if (glewResult != GLEW_OK && !(glewResult == GLEW_ERROR_NO_GLX_DISPLAY && GLEW_VERSION_3_3))
        return fail("Failed to initialize GLEW!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized GLEW");
    while (glGetError() != GL_NO_ERROR) {
        // GLEW's probing of a core context leaves errors behind.
    }

    openFirstGameController(gameController, kControllerMappingsFileName);

    if (!dispatchManager.init()) return fail("Failed to initialize Dispatch Manager!");
    dispatchManager.createQueue("TestWorker", 0);

    if (!resourceLoader.init()) return fail("Failed to initialize OGL Resource Loader!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized OGL Resource Loader");
    if (!shaderManager.init(resourceLoader, &fileWatcher)) return fail("Failed to initialize OGL Shader Manager!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized OGL Shader Manager");
    // A capture's frames are the files as they were: a reload landing on
    // whichever frame its worker finished by would make captures differ.
    FileWatcher* liveFiles = capture.enabled() ? nullptr : &fileWatcher;
    if (!textureManager.init(resourceLoader, liveFiles)) return fail("Failed to initialize OGL Texture Manager!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized OGL Texture Manager");
    modelManager.init(liveFiles);

    if (!fileWatcher.init(kFileWatchIntervalMs)) return fail("Failed to initialize File Watcher!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized File Watcher");

    if (capture.enabled())
        audioDevice = std::make_unique<ManualAudioDevice>();
    else
        audioDevice = std::make_unique<BASSAudioDevice>();
    if (!audioDevice->init()) return fail("Failed to initialize Audio Device!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized Audio Device");

    if (!syncDevice.init(audioDevice.get())) return fail("Failed to initialize Sync Device!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized Sync Device");

    if (!audioDevice->createSoundtrack(show.soundtrack, static_cast<float>(showTiming().beatsPerMinute)))
        return fail("Failed to build soundtrack!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully built soundtrack");
    audioMeter.init();  // without it the script's audio table reads 0, and the show goes on

    if (!lua.create()) return fail("Failed to initialize Lua!");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Sucessfully initialized Lua!");
    if (!scene.initialize()) return fail("Failed to initialize scene!");

    resourceLoader.processRequests();
    while (resourceLoader.pendingCount() > 0) {
        SDL_Delay(kResourceWaitMs);
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Waiting on resources...");
        resourceLoader.processRequests();
    }

    // One whole frame before the music starts, so nothing is used for the first time mid-show.
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Warming renders...!");
    audioDevice->update();
    syncDevice.update();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    scene.frame(0.0f);
    window.swap();

    const double startAt = realTime.loops() ? realTime.loopFrom : realTime.start;
    if (!capture.enabled() && startAt > 0.0) preRollTo(static_cast<float>(startAt), false);

    releaseStartupMemory();

    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Starting playback!");
    audioDevice->play();
    // A soundtrack that has already stopped (too short, or play failed) will
    // never be heard: the loop ends at once instead of waiting for ever.
    // The capture clock moves only when the capture sets it.
    // Polled finely: the first frame follows as soon as the music is heard.
    // The log still gets one line per 100 ms waited.
    for (Uint32 waited = 0; !capture.enabled() && audioDevice->isPlaying() && !(audioDevice->getPosition() > 0.0f);) {
        SDL_Delay(kTrackPollMs);
        waited += kTrackPollMs;
        if (waited % kTrackWaitMs == 0) SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Waiting on track...");
    }
    return true;
}

bool Engine::readShow() {
    std::string error;
    if (!readShowFile(kShowFileName, show, error)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", error.c_str());
        return false;
    }
    for (const std::string& warning : show.warnings) {
        std::fprintf(stderr, "solvane: %s\n", warning.c_str());
        SDL_LogWarn(SDL_LOG_CATEGORY_SYSTEM, "%s", warning.c_str());
    }
    setShowTiming(show.timing);
    if (!show.present) return true;
    // A show of its own names its soundtrack: a wrong name is told here, by
    // path, rather than as the audio layer's error code after the window opened.
    const Mp3Decoder::Result soundtrack = Mp3Decoder::probe(show.soundtrack);
    if (soundtrack != Mp3Decoder::Result::Ok) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "The soundtrack %s %s", show.soundtrack.c_str(),
                     soundtrack == Mp3Decoder::Result::CannotOpen ? "cannot be opened" : "is not an MP3 file");
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Show: %s, %g beats per minute, %d rows per beat, soundtrack %s",
                show.title.c_str(), show.timing.beatsPerMinute, show.timing.rowsPerBeat, show.soundtrack.c_str());
    return true;
}

bool Engine::run() {
    if (capture.enabled()) return runCapture();
    if (!window.pumpEvents(&keyboardMouse)) return true;
    for (;;) {
        if (realTime.loops()) loopIfDue();
        if (soundtrackEnded()) break;
        profile::Scope total(profile::kTotal);
        if (gameController.isOpen()) {
            gameController.update();
            scrubSoundtrack();
        }
        applyKeys();
        advanceClock();
        renderFrame();
        total.end();
        window.swap();
        profile::endFrame();
        if (!window.pumpEvents(&keyboardMouse)) break;
    }
    return true;
}

void Engine::advanceClock() {
    audioDevice->update();
    fileWatcher.dispatchChanges();
    syncDevice.update();
    audioMeter.moveTo(audioDevice.get(), audioDevice->getPosition());
    // The position is read afresh at each use, never cached for the frame.
    runFixedSteps(stepAccumulator, audioDevice->getPosition() - lastStepPosition,
                  [this](float step) { scene.fixedStep(step); });
    lastStepPosition = audioDevice->getPosition();
}

void Engine::renderFrame() {
    resourceLoader.processRequests();
    modelManager.update();
    scene.frame(audioDevice->getPosition());
    // Tracks the frame asked for the first time were just read: watched from that state on.
    watchNewTracks();
}

void Engine::scrubSoundtrack() {
    float seconds = dpadScrubSeconds(gameController);
    if (seconds != 0.0f) seekBy(seconds);
}

void Engine::seekBy(float seconds) {
    // Held against the start, the seek stays at 0 instead of failing every frame.
    audioDevice->setPosition(std::max(0.0f, audioDevice->getPosition() + seconds));
}

bool Engine::soundtrackEnded() {
    // The end of the soundtrack ends the show; a pause (from Space or the sync editor) does not.
    if (audioDevice->isPlaying()) keyPaused = false;  // an editor may have played it on
    return !audioDevice->isPlaying() && !keyPaused && !syncDevice.editorPaused();
}

void Engine::applyKeys() {
    const KeyboardMouse& keys = keyboardMouse;
    if (keys.isKeyPressed(SDL_SCANCODE_SPACE) && syncDevice.editorPaused()) {
        // The editor would pause it again at once.
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "The sync editor holds the soundtrack paused: resume it there");
    } else if (keys.isKeyPressed(SDL_SCANCODE_SPACE)) {
        keyPaused = audioDevice->isPlaying();
        if (keyPaused) audioDevice->pause();
        else audioDevice->play();
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, keyPaused ? "Paused at %.3f s" : "Playing from %.3f s",
                    audioDevice->getPosition());
    }
    const int bars = keys.shiftedKeyPresses(SDL_SCANCODE_RIGHT) - keys.shiftedKeyPresses(SDL_SCANCODE_LEFT);
    const int beats = keys.keyPresses(SDL_SCANCODE_RIGHT) - keys.keyPresses(SDL_SCANCODE_LEFT) - bars;
    if (beats != 0 || bars != 0) seekBy(static_cast<float>((beats + bars * kBeatsPerBar) * secondsPerBeat()));
    if (keys.isKeyPressed(SDL_SCANCODE_HOME)) audioDevice->setPosition(0.0f);
}

void Engine::shutdown() {
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Engine Shutting Down");
    syncDevice.shutdown();
    stopAudio();
    scene.shutdown();
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Successfully Shut down Scene.");
    audioMeter.shutdown();
    lua.close();
    fileWatcher.shutdown();
    resourceLoader.terminate();
    dispatchManager.shutdown();
    gameController.close();
    modelManager.destroy();
    textureManager.destroy();
    shaderManager.destroy();
    window.destroy();
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Shutting down SDL");
    SDL_Quit();
    // SDL 2.24+ resets log priorities and output in SDL_Quit; the closing lines
    // still belong in the log file.
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    SDL_LogSetOutputFunction(logOutputFunction, &log);
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Successfully shut down SDL");
    log.close();
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Log Closed");
    gEngine = nullptr;
}

void Engine::stopAudio() {
    audioMeter.moveTo(nullptr, 0.0);
    if (!audioDevice) return;
    audioDevice->stop();
    audioDevice->shutdown();
    audioDevice.reset();
}

void Engine::abortStartup() {
    // Log.txt holds the whole story; the terminal gets the reason in one line.
    std::string reason = log.lastError;
    if (log.firstError != reason) reason = log.firstError + " - " + reason;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
    for (char& c : reason)
        if (c == '\n') c = ' ';
    // The log may sit in the state folder, or be the terminal itself.
    const std::string logPath = StateFolder::path(kLogFileName);
    if (!reason.empty() && log.toStandardError) std::fprintf(stderr, "solvane: start-up failed: %s\n", reason.c_str());
    else if (!reason.empty())
        std::fprintf(stderr, "solvane: start-up failed: %s (see %s)\n", reason.c_str(), logPath.c_str());
    // An output opened early for a device that never came is closed.
    playback::discardPreopen();
    // A script that failed at start-up leaves the root (and what it linked) behind.
    scene.releaseObjects();
    syncDevice.shutdown();
    fileWatcher.shutdown();
    dispatchManager.shutdown();
    // Nothing may reach this engine's log once it is gone. The log's last line
    // stays the failure: a device that never got its soundtrack complains when stopped.
    log.close();
    stopAudio();
    gEngine = nullptr;
}
