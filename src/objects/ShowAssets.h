// Asset paths and colours that more than one object uses, so each is spelt once.
// The paths are relative to the show's working directory.
#pragma once
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

inline constexpr const char* kNoiseTexturePath = "res/textures/noise.png";
inline constexpr const char* kSkyboxTexturePath = "res/textures/SkyboxTex.jpg";
inline constexpr const char* kWireframeVertexPath = "res/shaders/Wireframe.vert";
inline constexpr const char* kWireframeFragmentPath = "res/shaders/Wireframe.frag";

// The show's two line colours; the alpha is 1 unless a fade track replaces it.
inline const glm::vec4 kCyan(0.09f, 0.79f, 0.9f, 1.0f);
inline const glm::vec4 kYellow(0.89f, 0.88f, 0.09f, 1.0f);
// The fixed light high above the water and the textured models.
inline const glm::vec3 kLightPosition(0.0f, 5000.0f, 0.0f);
