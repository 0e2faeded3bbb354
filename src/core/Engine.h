// The one top-level object: owns every subsystem, brings them up in a fixed
// order, runs the main loop on the soundtrack clock and takes them down again.
// gEngine reaches it from code that holds no reference (scripts, scene, objects).
#pragma once
#include "core/Config.h"
#include "core/Log.h"
#include "dispatch/DispatchManager.h"
#include "dispatch/FileWatcher.h"
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderManager.h"
#include "gfx/TextureManager.h"
#include "platform/GameController.h"
#include "platform/Window.h"

struct lua_State;

class Engine {
public:
    Engine() = default;
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // False at the first failing step, which has logged why.
    bool initialize();
    void run();
    void shutdown();
    // After a failed initialize: stops the background threads already started,
    // so the process can end cleanly without a full shutdown.
    void abortStartup();

    // Members in construction order; destruction runs in reverse.
    Window window;
    float stepAccumulator = 0.0f;
    float lastStepPosition = 0.0f;
    lua_State* lua = nullptr;
    ResourceLoader resourceLoader;
    ShaderManager shaderManager;
    TextureManager textureManager;
    FileWatcher fileWatcher;
    Config config;
    LogFile log;
    GameController gameController;
    DispatchManager dispatchManager;
};

extern Engine* gEngine;

// Process-wide names.
extern const char* const kConfigFileName;
extern const char* const kLogFileName;
extern const char* const kWindowTitle;
extern const char* const kControllerMappingsFileName;
