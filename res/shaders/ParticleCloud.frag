#version 330 core
// A soft round sprite: full in the middle, fading to nothing at the rim,
// fading into the fog with distance (the sea floor's fog).
// Uniforms: uColor, uFogDensity (per unit; 0 turns the fog off), uFogColor.
in vec2 gCorner;
in float gGlow;
in float gDepth;

uniform vec3 uColor;
uniform float uFogDensity;
uniform vec3 uFogColor;

layout(location = 0) out vec4 fragColor;

void main() {
    float r = length(gCorner);
    if (r > 1.0) discard;
    float alpha = pow(1.0 - r, 2.0) * gGlow;
    float fog = clamp(1.0 - exp(-uFogDensity * gDepth), 0.0, 1.0);
    // Distant sprites fade out rather than darken: dark specks read as dirt.
    fragColor = vec4(mix(uColor, uFogColor, fog * 0.5), alpha * (1.0 - fog));
}
