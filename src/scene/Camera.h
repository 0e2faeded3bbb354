// The interface of a camera that produces a view matrix. Implementations:
// FirstPersonCamera.
#pragma once
#include <glm/glm.hpp>

#include <string>

class Camera {
public:
    virtual ~Camera() = default;
    virtual glm::mat4 getViewMatrix() const = 0;
    virtual int getType() const = 0;

    std::string name = "Undefined";
};
