#version 330 core
// Each particle drifts gently along its own direction about its place in the
// cloud; uCollect draws the cloud together into a ball at the place the
// cloud was built, and uSpiral winds it around the vertical axis, inner
// particles faster. Out: the view-space position (the geometry stage spans
// the sprite around it), the sprite size and its brightness.
// Uniforms: uViewMatrix (the scene's), uModelMatrix (position and rotation,
// no scale), uTime (seconds), uCollect (0 scattered .. 1 gathered), uSpiral
// (turns of the swirl), uStartPosition (world, the build-time position).
layout(location = 0) in vec3 aOffset;
layout(location = 1) in vec3 aDirection;
layout(location = 2) in float aUnitRandom;
layout(location = 3) in float aScaledRandom;

uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;
uniform float uTime;
uniform float uCollect;
uniform float uSpiral;
uniform vec3 uStartPosition;

out float vSize;
out float vGlow;

void main() {
    float drift = sin(uTime * (0.2 + 0.3 * aUnitRandom) + aScaledRandom * 1.2566);
    vec3 local = aOffset + aDirection * drift * (0.3 + 0.2 * aScaledRandom);
    vec3 world = (uModelMatrix * vec4(local, 1.0)).xyz;
    vec3 gathered = uStartPosition + aDirection * (0.4 + 1.6 * aUnitRandom);
    world = mix(world, gathered, clamp(uCollect, 0.0, 1.0));
    vec3 around = world - uStartPosition;
    float angle = uSpiral * 6.2831853 / (1.0 + 0.15 * length(around.xz));
    float c = cos(angle), s = sin(angle);
    world = uStartPosition + vec3(c * around.x - s * around.z, around.y, s * around.x + c * around.z);
    vSize = 0.06 + 0.12 * aUnitRandom;
    vGlow = 0.4 + 0.6 * fract(aScaledRandom * 3.7);
    gl_Position = uViewMatrix * vec4(world, 1.0);
}
