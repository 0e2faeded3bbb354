// Scattering coefficients. Powers are taken in double, every product after
// them in single precision, so the uniforms are the same on every machine.
#include "objects/SkyScattering.h"

#include <cmath>

#include <glm/gtc/constants.hpp>

namespace {
const float kWavelengths[3] = {680e-9f, 550e-9f, 450e-9f};
// 2 pi / lambda for the three wavelengths, rounded as the Mie term uses them.
const float kWaveNumbers[3] = {9239978.0f, 11423974.0f, 13962635.0f};
const float kMieK[3] = {0.686f, 0.678f, 0.666f};
const double kMieExponent = 4.0;
} // namespace

glm::vec3 totalRayleigh() {
    const float n = 1.0003f;              // refractive index of air
    const float density = 7.635e25f;      // molecules per cubic metre
    const float n2 = static_cast<float>(std::pow(static_cast<double>(n), 2.0)) - 1.0f;
    const float n2Squared = static_cast<float>(std::pow(static_cast<double>(n2), 2.0));
    const float pi3 = static_cast<float>(std::pow(static_cast<double>(glm::pi<float>()), 3.0));
    glm::vec3 beta;
    for (int c = 0; c < 3; ++c) {
        const float lambda4 = static_cast<float>(std::pow(static_cast<double>(kWavelengths[c]), 4.0));
        beta[c] = 8.0f * pi3 * n2Squared * 6.105f / (density * lambda4 * 5.755f);
    }
    return beta;
}

glm::vec3 totalMie(float turbidity) {
    const float c = 0.2f * turbidity * 1e-17f;
    glm::vec3 beta;
    for (int i = 0; i < 3; ++i) {
        const float power = static_cast<float>(std::pow(static_cast<double>(kWaveNumbers[i]), kMieExponent - 2.0));
        beta[i] = 0.434f * c * glm::pi<float>() * power * kMieK[i];
    }
    return beta;
}
