// Camera paths placed with the game controller: the button rules of free
// flight, the Hermite sampler that turns control points into a drawable path,
// and the lookup that rides it. GL-free; the scene wires it to the controller
// and the active camera object. Logs in SDL's application category.
#pragma once
#include <glm/vec3.hpp>

#include <cstddef>
#include <vector>

// World units between two samples of a built path.
constexpr float kCameraPathStep = 0.25f;

// Samples a curve through `points` (at least 4) into `samples`, one sample
// every `step` units of each segment's length rounded down to whole units,
// ending exactly on the last point. False, with `samples` emptied, for fewer
// than 4 points or a step that is not positive.
bool sampleCameraPath(const std::vector<glm::vec3>& points, std::vector<glm::vec3>& samples, float step);

// Index of the sample at `progress` (clamped to 0..1) along `count` samples;
// samples are taken as they are, not blended. `count` must be above 0.
size_t cameraPathIndex(size_t count, float progress);

// Where a rider at sample `index` looks when no controller turns its head: toward
// the sample `ahead` places further on, or, near the end, along the last stretch
// of that length. Zero for a path of one sample.
glm::vec3 cameraPathHeading(const std::vector<glm::vec3>& samples, size_t index, size_t ahead);

// Buttons pressed this frame (down now, up before).
struct CameraPathButtons {
    bool place = false;   // A
    bool remove = false;  // B
    bool build = false;   // X
};

enum class CameraPathEdit { None, Placed, Removed, TooFewPoints, NoCameraObject, Built };

// One frame of path editing; only the first pressed button in the order place,
// remove, build acts. Place appends the camera position; remove drops the last
// point and moves the camera back onto it; build samples the points into
// `pathSamples`, the active camera object's path, or reports that there is no
// such object when it is null. The caller uploads a built path for drawing.
CameraPathEdit applyCameraPathButtons(const CameraPathButtons& pressed, std::vector<glm::vec3>& points,
                              glm::vec3& cameraPosition, std::vector<glm::vec3>* pathSamples);
