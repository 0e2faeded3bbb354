// The scene controller: owns the scene tree, the projection and view, the sun
// and camera positions, the free camera and the camera path; loads the scene
// script (again whenever it changes) and drives it once per step and frame.
// Reaches the window, Lua, sync and managers through gEngine.
#pragma once
#include "postfx/PostProcessor.h"
#include "scene/CameraPath.h"
#include "scene/FirstPersonCamera.h"
#include "scene/SceneObject.h"
#include "sync/FlightRecorder.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <string>
#include <vector>

class CameraObject;
class SceneRootObject;

extern const char* const kSceneScriptPath;

class Scene {
public:
    bool initialize();
    // Releases every object, runs the script, calls its build and builds the
    // tree. False (with the cause logged) leaves an empty root.
    bool load();
    void fixedStep(float step);
    void frame(float time);
    void postProcessBufferNode(SceneObject* node);
    void shutdown();

    // File watcher callback for the script; `context` is the scene.
    static void scriptChanged(const std::string& path, void* context);

    // Every object the script makes is noted here: objects it never links
    // into the tree are freed with the tree.
    void trackScriptObject(SceneObject* object);
    // The tree and every script object outside it, released and deleted.
    // The active camera object goes with them.
    void releaseObjects();
    // A path given by the script: `points` become the control points and are
    // sampled into the active camera object as the controller's build button
    // does. Changes nothing with fewer than 4 points or no camera object.
    CameraPathEdit setCameraPath(const std::vector<glm::vec3>& points);

    // Starts recording the free camera's flight into the look-at tracks (camera
    // mode 2 only, and not while a sync editor is connected: one line says why),
    // or stops it and writes the tracks. True while recording.
    bool toggleFlightRecording();
    bool isRecordingFlight() const { return flightRecorder.isRecording(); }

    const glm::vec3& getSunPosition() const { return sunPosition; }

    SceneRootObject* root = nullptr;
    glm::mat4 projection{1.0f};
    glm::mat4 inverseProjection{1.0f};
    glm::mat4 view{1.0f};
    float nearPlane = 0.1f;
    float farPlane = 10000.0f;
    float fieldOfView = 60.0f;  // vertical, degrees
    glm::vec3 sunPosition{0.0f};
    glm::vec3 cameraPosition{0.0f};
    FirstPersonCamera freeCamera;
    std::vector<glm::vec3> cameraPathPoints;
    SceneObject* activeCamera = nullptr;
    // Camera.Mode as the last frame read it; -1 before the first frame.
    int cameraMode = -1;
    FlightRecorder flightRecorder;
    PostProcessor postProcessor;
    // The window has no samples of its own. A frame that hands no buffer to
    // the post processor draws straight to the window; from the next frame on
    // it is drawn into this multisampled stand-in (made on first need, at the
    // window's size and MSAA setting) and resolved into the window.
    FrameBuffer windowBuffer;
    bool drawsToWindow = false;
    // Full screen on the desktop: the show is drawn here at its own size, then
    // scaled into the window with its aspect kept and black bars around it.
    FrameBuffer pictureBuffer;

private:
    // True with the stand-in made (or made before); false when MSAA is off or it cannot be made.
    bool ensureWindowBuffer();
    bool ensurePictureBuffer();
    // The picture into the window's framebuffer, fitted, the rest black.
    void presentPicture();
    void setGlobalGlState();
    void updateCamera();
    // Free flight's buttons and keys: path points placed, removed and built.
    void editCameraPath();
    // Path playback: the free camera rides the active camera object's path;
    // with nobody at a controller it also faces the way the path goes.
    void followCameraPath(bool faceAlong);
    // The active camera object when it really is a camera object.
    CameraObject* activeCameraObject() const;
    void replaceRoot();

    struct ScriptObject {
        SceneObject* object;
        uint64_t serial;
    };
    std::vector<ScriptObject> scriptObjects;
    bool postProcessed = false;      // in the frame being drawn
    bool windowBufferFailed = false; // tried once, not again
    bool pictureBufferFailed = false;
};
