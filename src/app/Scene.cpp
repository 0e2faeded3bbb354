// Scene controller. The tree is always released as a whole before a new one
// is built, so resources shared by the old and new scene stay in the managers'
// caches across a reload; the managers purge what is left unused afterwards.
#include "app/Scene.h"

#include "app/Engine.h"
#include "core/FileIO.h"
#include "core/Random.h"
#include "core/ShowTiming.h"
#include "objects/CameraObject.h"
#include "objects/SharedShapeData.h"
#include "postfx/SceneBufferObject.h"
#include "scene/CameraPath.h"
#include "scene/SceneRootObject.h"
#include "scene/ViewMath.h"
#include "sync/EngineTracks.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdlib>

const char* const kSceneScriptPath = "res/scripts/scene.lua";

namespace {
// A, B and X edit the camera path; the D-pad scrubs.
constexpr SDL_GameControllerButton kFlightRecordButton = SDL_CONTROLLER_BUTTON_Y;
constexpr SDL_Scancode kFlightRecordKey = SDL_SCANCODE_R;
} // namespace

bool Scene::initialize() {
    setGlobalGlState();
    float aspect = static_cast<float>(gEngine->window.getWidth()) / static_cast<float>(gEngine->window.getHeight());
    projection = ViewMath::projection(fieldOfView, aspect, nearPlane, farPlane);
    inverseProjection = glm::inverse(projection);
    // A look-at from the origin to the origin has no direction; the first
    // frame's camera update replaces this anyway.
    view = glm::mat4(1.0f);

    PostProcessorSetup post;
    post.shaders = &gEngine->shaderManager;
    post.width = gEngine->window.getWidth();
    post.height = gEngine->window.getHeight();
    post.sampleCount = gEngine->window.getMultisampleCount();
    post.tracks = [](const char* name) { return gEngine->syncDevice.getFloat(name); };
    if (!postProcessor.init(post)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize Post Processor!");
        return false;
    }
    if (!initFlakeData()) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize Flake Object Data!");
        return false;
    }
    if (!initNeedleData()) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize Needle Object Data!");
        return false;
    }
    replaceRoot();
    gEngine->fileWatcher.addWatch(kSceneScriptPath, &Scene::scriptChanged, this);
    return load();
}

void Scene::setGlobalGlState() {
    glEnable(GL_DEPTH_TEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glHint(GL_TEXTURE_COMPRESSION_HINT, GL_NICEST);
    glHint(GL_FRAGMENT_SHADER_DERIVATIVE_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    // Every run draws the same random needles, flakes, boids and spectra.
    engineSrand(0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

bool Scene::load() {
    releaseObjects();
    replaceRoot();

    std::vector<char> source;
    if (!FileIO::readText(kSceneScriptPath, source)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to load Lua scene file!");
        return false;
    }
    // A failing chunk keeps what it attached to the root, unbuilt, until the next load.
    if (!gEngine->lua.runChunk(source.data())) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to run Lua chunk!");
        return false;
    }
    if (!gEngine->lua.callBuild()) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to build Lua scene!");
    } else if (buildTree(this, root)) {
        return true;
    } else {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize scene tree!");
    }
    releaseObjects();
    replaceRoot();
    return false;
}

void Scene::scriptChanged(const std::string& path, void* context) {
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Scene File [%s] Modified! Reloading!", path.c_str());
    static_cast<Scene*>(context)->load();
    // Whatever the old scene used and the new one does not is freed now.
    gEngine->shaderManager.purge();
    gEngine->textureManager.purge();
}

void Scene::fixedStep(float step) {
    if (root && step != 0.0f) gEngine->lua.callUpdate(step);
}

void Scene::frame(float time) {
    if (!root) return;
    // Letterboxed, the picture buffer is the screen everything draws to.
    const GLuint picture = gEngine->window.letterboxes() && ensurePictureBuffer() ? pictureBuffer.fbo : 0;
    if (picture) {
        glBindFramebuffer(GL_FRAMEBUFFER, picture);
        glViewport(0, 0, pictureBuffer.width, pictureBuffer.height);
    }
    const bool standIn = drawsToWindow && ensureWindowBuffer();
    if (standIn) {
        glBindFramebuffer(GL_FRAMEBUFFER, windowBuffer.fbo);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    updateCamera();
    SyncDevice& sync = gEngine->syncDevice;
    float radius = sync.getFloat(tracks::kSunRadius);
    float zenith = sync.getFloat(tracks::kSunZenith);
    float azimuth = sync.getFloat(tracks::kSunAzimuth);
    sunPosition = ViewMath::sunPosition(radius, zenith, azimuth);
    cameraPosition = ViewMath::cameraPositionFromView(view);
    postProcessed = false;
    gEngine->lua.callRender(time);
    drawsToWindow = !postProcessed;
    if (standIn) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, windowBuffer.fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, picture);
        glBlitFramebuffer(0, 0, windowBuffer.width, windowBuffer.height, 0, 0, windowBuffer.width, windowBuffer.height,
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, picture);
    }
    if (picture) presentPicture();
}

bool Scene::ensurePictureBuffer() {
    if (pictureBuffer.fbo != 0) return true;
    if (pictureBufferFailed) return false;
    const Window& window = gEngine->window;
    if (!pictureBuffer.create(window.getWidth(), window.getHeight(), 1, true, GL_RGBA8, 0)) {
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Failed to create the %dx%d picture buffer; drawing without black bars",
                     window.getWidth(), window.getHeight());
        pictureBuffer.destroy();
        pictureBufferFailed = true;
        return false;
    }
    return true;
}

void Scene::presentPicture() {
    int width = 0, height = 0;
    // Asked every frame: the desktop may change its resolution under the show.
    gEngine->window.getDrawableSize(width, height);
    const PictureRect shown = fitPicture(pictureBuffer.width, pictureBuffer.height, width, height);
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, pictureBuffer.fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glClearBufferfv(GL_COLOR, 0, black);  // the bars, whatever clear colour the scene left
    glBlitFramebuffer(0, 0, pictureBuffer.width, pictureBuffer.height, shown.x, shown.y, shown.x + shown.width,
                      shown.y + shown.height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    // Between frames too the picture buffer stands for the screen (a reloaded
    // scene may draw into its own buffers and unbind back to it).
    glBindFramebuffer(GL_FRAMEBUFFER, pictureBuffer.fbo);
}

bool Scene::ensureWindowBuffer() {
    if (windowBuffer.fbo != 0) return true;
    const Window& window = gEngine->window;
    if (windowBufferFailed || window.getMultisampleCount() <= 0) return false;
    if (!windowBuffer.create(window.getWidth(), window.getHeight(), 1, true, GL_RGBA8, window.getMultisampleCount())) {
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Failed to create the %dx multisampled window buffer; drawing without it",
                     window.getMultisampleCount());
        windowBuffer.destroy();
        windowBufferFailed = true;
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "The scene draws straight to the window: %dx multisampled through a buffer",
                window.getMultisampleCount());
    return true;
}

void Scene::updateCamera() {
    SyncDevice& sync = gEngine->syncDevice;
    cameraMode = sync.getInt(tracks::kCameraMode);
    switch (cameraMode) {
    case 0: {
        // Read in this order: tracks load on first use.
        glm::vec3 focus;
        focus.z = sync.getFloat(tracks::kFocusZ);
        focus.y = sync.getFloat(tracks::kFocusY);
        focus.x = sync.getFloat(tracks::kFocusX);
        glm::vec3 eye;
        eye.z = sync.getFloat(tracks::kCameraZ);
        eye.y = sync.getFloat(tracks::kCameraY);
        eye.x = sync.getFloat(tracks::kCameraX);
        view = ViewMath::lookAtView(eye, focus);
        break;
    }
    case 1: {
        float distance = sync.getFloat(tracks::kCameraDistance);
        float pitch = sync.getFloat(tracks::kCameraPitch);
        float yaw = sync.getFloat(tracks::kCameraYaw);
        float roll = sync.getFloat(tracks::kCameraRoll);
        view = ViewMath::orbitView(distance, pitch, yaw, roll);
        break;
    }
    case 2: {
        const GameController& controller = gEngine->gameController;
        if (controller.isOpen()) {
            freeCamera.look(controller);
            freeCamera.fly(controller);
        }
        const KeyboardMouse& keys = gEngine->keyboardMouse;
        freeCamera.steer(keys, keys.frameSeconds());
        editCameraPath();
        if ((controller.isOpen() && controller.isButtonPressed(kFlightRecordButton)) ||
            keys.isKeyPressed(kFlightRecordKey))
            toggleFlightRecording();
        view = freeCamera.getViewMatrix();
        // A frame late or a seek is no flight: a quarter of a second of rows at most between frames.
        flightRecorder.sample(sync.getRow(), freeCamera.position, freeCamera.position + freeCamera.getDirection(),
                              rowsPerSecond() / 4.0);
        break;
    }
    case 3:
        // A shipped show plays its path on machines without a pad, too.
        if (gEngine->gameController.isOpen()) freeCamera.look(gEngine->gameController);
        followCameraPath(!gEngine->gameController.isOpen());
        view = freeCamera.getViewMatrix();
        break;
    default:
        break;  // keeps the previous frame's view
    }
}

void Scene::editCameraPath() {
    // A closed controller has no button down; keys and buttons make one press.
    const GameController& controller = gEngine->gameController;
    const KeyboardMouse& keys = gEngine->keyboardMouse;
    CameraPathButtons pressed;
    pressed.place = controller.isButtonPressed(SDL_CONTROLLER_BUTTON_A) || keys.isKeyPressed(SDL_SCANCODE_P);
    pressed.remove = controller.isButtonPressed(SDL_CONTROLLER_BUTTON_B) || keys.isKeyPressed(SDL_SCANCODE_BACKSPACE);
    pressed.build = controller.isButtonPressed(SDL_CONTROLLER_BUTTON_X) || keys.isKeyPressed(SDL_SCANCODE_RETURN) ||
                    keys.isKeyPressed(SDL_SCANCODE_KP_ENTER);
    CameraObject* camera = activeCameraObject();
    if (applyCameraPathButtons(pressed, cameraPathPoints, freeCamera.position, camera ? &camera->pathPoints : nullptr) ==
        CameraPathEdit::Built)
        camera->uploadPath();
}

bool Scene::toggleFlightRecording() {
    SyncDevice& sync = gEngine->syncDevice;
    if (flightRecorder.isRecording()) {
        const std::vector<FlightSample> samples = flightRecorder.stop();
        if (samples.empty()) {
            SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Flight recording stopped: no row went by; the tracks are unchanged");
        } else if (SyncTrackStore* store = sync.tracks()) {
            writeFlightTracks(*store, samples);
        }
        return false;
    }
    if (sync.editorConnected()) {
        SDL_LogWarn(SDL_LOG_CATEGORY_SYSTEM,
                    "Cannot record a flight while a sync editor is connected: its keys are in charge of the tracks");
        return false;
    }
    if (cameraMode != 2) {
        SDL_LogWarn(SDL_LOG_CATEGORY_SYSTEM, "Flight recording works in camera mode 2 (free flight) only");
        return false;
    }
    flightRecorder.start();
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Recording the camera flight at each row the soundtrack plays");
    return true;
}

void Scene::followCameraPath(bool faceAlong) {
    CameraObject* camera = activeCameraObject();
    if (!camera || camera->pathPoints.empty()) return;
    float progress = gEngine->syncDevice.getFloat(tracks::kCameraPathProgress);
    size_t index = cameraPathIndex(camera->pathPoints.size(), progress);
    freeCamera.position = camera->pathPoints[index];
    if (!faceAlong) return;
    // Four units ahead: far enough that the eased joints of the curve do not jerk the view.
    glm::vec3 heading = cameraPathHeading(camera->pathPoints, index, static_cast<size_t>(4.0f / kCameraPathStep));
    if (glm::length(heading) > 0.0f) {
        glm::vec2 pitchYaw = ViewMath::pitchYawFacing(heading);
        freeCamera.pitch = pitchYaw.x;
        freeCamera.yaw = pitchYaw.y;
    }
}

CameraPathEdit Scene::setCameraPath(const std::vector<glm::vec3>& points) {
    if (points.size() < 4) return CameraPathEdit::TooFewPoints;
    CameraObject* camera = activeCameraObject();
    if (!camera) return CameraPathEdit::NoCameraObject;
    cameraPathPoints = points;
    sampleCameraPath(points, camera->pathPoints, kCameraPathStep);
    camera->uploadPath();
    return CameraPathEdit::Built;
}

CameraObject* Scene::activeCameraObject() const {
    // The script may register any object; only a camera object has a path to fill.
    if (!activeCamera || activeCamera->getType() != kCameraObjectType) return nullptr;
    return static_cast<CameraObject*>(activeCamera);
}

void Scene::postProcessBufferNode(SceneObject* node) {
    if (node && node->getType() == kSceneBufferType) {
        auto* buffer = static_cast<SceneBufferObject*>(node);
        // Its picture would be empty: the window keeps what was drawn straight to it.
        if (skipUnbuiltBuffer(buffer->built, buffer->warned, "Scene buffer")) return;
        postProcessed = true;
        postProcessor.process(buffer->frameBuffer);
        return;
    }
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Cannot Post Process Invalid Buffer Node!");
}

void Scene::shutdown() {
    releaseObjects();
    postProcessor.release();
    if (windowBuffer.fbo != 0) windowBuffer.destroy();
    if (pictureBuffer.fbo != 0) pictureBuffer.destroy();
    releaseNeedleData();
    releaseFlakeData();
}

void Scene::trackScriptObject(SceneObject* object) { scriptObjects.push_back({object, object->getSerial()}); }

void Scene::releaseObjects() {
    SceneObject* tree = root;
    releaseTree(tree);
    root = nullptr;
    // What is left are subtrees the script never linked (or unlinked): their
    // tops have no parent, and each releases its own children.
    for (const ScriptObject& entry : scriptObjects) {
        SceneObject* object = SceneObject::findLive(entry.serial);
        if (object && !object->parent) releaseTree(object);
    }
    scriptObjects.clear();
    activeCamera = nullptr;
}

void Scene::replaceRoot() { root = new SceneRootObject; }
