#version 330 core
// Sand dunes: the flat grid pushed up by two scales of the noise texture,
// with the normal taken from the slope of the same heights.
// Uniforms: uProjectionMatrix, uViewMatrix (the scene's), uModelMatrix,
// uNoiseSampler (sampler2D, unit 0, tiling noise).
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;
uniform sampler2D uNoiseSampler;

out vec3 vWorldPosition;
out vec3 vWorldNormal;
out vec2 vGround;

float dune(vec2 p) {
    float broad = textureLod(uNoiseSampler, p * 0.004, 0.0).r;
    float ripple = textureLod(uNoiseSampler, p * 0.02 + vec2(0.37, 0.11), 0.0).r;
    return broad * 9.0 + ripple * 1.6;
}

void main() {
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vec2 p = world.xz;
    float e = 0.5;
    float h = dune(p);
    vec3 slopeX = vec3(2.0 * e, dune(p + vec2(e, 0.0)) - dune(p - vec2(e, 0.0)), 0.0);
    vec3 slopeZ = vec3(0.0, dune(p + vec2(0.0, e)) - dune(p - vec2(0.0, e)), 2.0 * e);
    vWorldNormal = normalize(cross(slopeZ, slopeX)) * sign(aNormal.y + 1e-6);
    world.y += h;
    vWorldPosition = world.xyz;
    vGround = p;
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
