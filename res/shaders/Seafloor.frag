#version 330 core
// Sand under water: lit by the sun through the water, grainy, tinted by the
// water colour, and fogged exponentially with distance.
// Uniforms: uNoiseSampler (sampler2D, unit 0), uSunPosition (world; its
// direction from the origin), uCameraPosition (world), uDiffuse (the water
// tint), uFogDensity (per unit; 0 turns the fog off), uFogColor.
in vec3 vWorldPosition;
in vec3 vWorldNormal;
in vec2 vGround;

uniform sampler2D uNoiseSampler;
uniform vec3 uSunPosition;
uniform vec3 uCameraPosition;
uniform vec4 uDiffuse;
uniform float uFogDensity;
uniform vec3 uFogColor;

layout(location = 0) out vec4 fragColor;

void main() {
    vec3 n = normalize(vWorldNormal);
    vec3 sun = normalize(uSunPosition + vec3(0.0, 1e-4, 0.0));
    float grain = texture(uNoiseSampler, vGround * 0.35).r;
    vec3 sand = mix(vec3(0.55, 0.48, 0.34), vec3(0.85, 0.78, 0.6), grain);
    float lambert = max(dot(n, sun), 0.0);
    vec3 lit = sand * (0.35 + 0.75 * lambert);
    lit = mix(lit, lit * uDiffuse.rgb * 1.4, 0.35);
    float distance = length(vWorldPosition - uCameraPosition);
    float fog = 1.0 - exp(-uFogDensity * distance);
    fragColor = vec4(mix(lit, uFogColor, clamp(fog, 0.0, 1.0)), 1.0);
}
