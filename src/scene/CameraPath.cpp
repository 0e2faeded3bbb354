// Camera-path editing rules, the Hermite path sampler and the progress lookup.
// Plain data in and out; messages go to SDL's application category.
#include "scene/CameraPath.h"

#include <SDL.h>

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace {
// The curve's shape: Catmull-Rom, each point's tangent half the difference of
// its neighbours. (Weighting the neighbours' positions themselves made the
// curve depend on where the world's origin is: a straight path 100 units out
// ran backwards and forwards within each segment.)
glm::vec3 hermite(const glm::vec3& from, const glm::vec3& to, const glm::vec3& before, const glm::vec3& after, float t) {
    float t2 = t * t;
    float t3 = t2 * t;
    float h00 = 2.0f * t3 - 3.0f * t2 + 1.0f;
    float h01 = -2.0f * t3 + 3.0f * t2;
    float h10 = t3 - 2.0f * t2 + t;
    float h11 = t3 - t2;
    return h00 * from + h01 * to + h10 * 0.5f * (to - before) + h11 * 0.5f * (after - from);
}
} // namespace

bool sampleCameraPath(const std::vector<glm::vec3>& points, std::vector<glm::vec3>& samples, float step) {
    samples.clear();
    const size_t n = points.size();
    if (n < 4 || !(step > 0.0f)) return false;

    // Whole units per segment, so every segment but the last holds a whole
    // number of steps and the total count is known up front.
    std::vector<float> lengths(n - 1);
    float total = 0.0f;
    for (size_t i = 0; i + 1 < n; ++i) {
        lengths[i] = std::floor(glm::distance(points[i], points[i + 1]));
        total += lengths[i];
    }
    samples.reserve(static_cast<size_t>(total / step) + 1);

    for (size_t k = 0; k + 1 < n; ++k) {
        const bool last = k + 2 == n;
        const float length = lengths[k];
        const glm::vec3& from = points[k];
        const glm::vec3& to = points[k + 1];
        const glm::vec3 before = k == 0 ? 2.0f * points[0] - points[1] : points[k - 1];
        const glm::vec3 after = last ? 2.0f * points[n - 1] - points[n - 2] : points[k + 2];
        if (length == 0.0f) {
            // Shorter than one unit: its only sample would be 0/0 of the way;
            // the path still has to end on its last point.
            if (last) samples.push_back(to);
            continue;
        }
        for (size_t j = 0;; ++j) {
            float s = static_cast<float>(j) * step;
            if (last ? s > length : s >= length) break;
            samples.push_back(hermite(from, to, before, after, s / length));
        }
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_APPLICATION, "Outputted %d Points Into Array of Size %d!",
                static_cast<int>(samples.size()) - 1, static_cast<int>(samples.size()));
    return true;
}

size_t cameraPathIndex(size_t count, float progress) {
    if (count == 0 || !(progress > 0.0f)) return 0;
    if (progress > 1.0f) progress = 1.0f;
    return static_cast<size_t>(std::floor(static_cast<float>(count - 1) * progress));
}

glm::vec3 cameraPathHeading(const std::vector<glm::vec3>& samples, size_t index, size_t ahead) {
    if (samples.size() < 2 || ahead == 0) return glm::vec3(0.0f);
    const size_t last = samples.size() - 1;
    size_t to = std::min(last, index + ahead);
    size_t from = to - std::min(to, ahead);
    return samples[to] - samples[from];
}

CameraPathEdit applyCameraPathButtons(const CameraPathButtons& pressed, std::vector<glm::vec3>& points,
                              glm::vec3& cameraPosition, std::vector<glm::vec3>* pathSamples) {
    if (pressed.place) {
        points.push_back(cameraPosition);
        SDL_LogInfo(SDL_LOG_CATEGORY_APPLICATION, "Placed Camera Path Point!");
        return CameraPathEdit::Placed;
    }
    if (pressed.remove) {
        if (points.empty()) return CameraPathEdit::None;
        cameraPosition = points.back();
        points.pop_back();
        SDL_LogInfo(SDL_LOG_CATEGORY_APPLICATION, "Removed Camera Path Point!");
        return CameraPathEdit::Removed;
    }
    if (pressed.build) {
        if (points.size() < 4) {
            SDL_LogInfo(SDL_LOG_CATEGORY_APPLICATION, "Cannot Build Path With Less Than 4 Points!");
            return CameraPathEdit::TooFewPoints;
        }
        if (!pathSamples) {
            SDL_LogInfo(SDL_LOG_CATEGORY_APPLICATION, "Failed to find camera object in scene!");
            return CameraPathEdit::NoCameraObject;
        }
        sampleCameraPath(points, *pathSamples, kCameraPathStep);
        SDL_LogInfo(SDL_LOG_CATEGORY_APPLICATION, "Built Camera Path With %d Points!",
                    static_cast<int>(pathSamples->size()));
        return CameraPathEdit::Built;
    }
    return CameraPathEdit::None;
}
