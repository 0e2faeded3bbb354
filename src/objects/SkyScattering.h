// Total Rayleigh and Mie scattering coefficients (per metre) for the sky
// dome's three wavelengths, red 680 nm, green 550 nm, blue 450 nm. Plain
// functions without GL, evaluated by the dome at every render.
#pragma once
#include <glm/glm.hpp>

// Molecular scattering of air: depends on no track.
glm::vec3 totalRayleigh();
// Aerosol scattering for the turbidity T (track "Sky.Turbidity"); zero at T = 0.
glm::vec3 totalMie(float turbidity);
