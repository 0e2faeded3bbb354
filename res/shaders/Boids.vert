#version 330 core
// One fish of the school per instance: its model matrix is texels 4i..4i+3
// (the four columns) of the matrix buffer texture, and the tail half of the
// body swings from side to side as it swims, each fish in its own phase.
// Uniforms: uProjectionMatrix, uViewMatrix (the scene's), uMatrixBuffer
// (samplerBuffer, unit 0, RGBA32F), uTime (seconds).
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform samplerBuffer uMatrixBuffer;
uniform float uTime;

out vec3 vWorldPosition;
out vec3 vWorldNormal;
out float vBelly;
out float vShade;

void main() {
    int base = gl_InstanceID * 4;
    mat4 model = mat4(texelFetch(uMatrixBuffer, base), texelFetch(uMatrixBuffer, base + 1),
                      texelFetch(uMatrixBuffer, base + 2), texelFetch(uMatrixBuffer, base + 3));
    float phase = float(gl_InstanceID) * 2.399;
    // The fish faces -Z: the swing grows from the middle of the body to the tail.
    float swing = smoothstep(-0.3, 1.0, aPosition.z);
    float wave = sin(uTime * 9.0 + phase - aPosition.z * 3.0);
    vec3 p = aPosition + vec3(wave * swing * 0.22, 0.0, 0.0);
    vec3 n = normalize(aNormal + vec3(-cos(uTime * 9.0 + phase - aPosition.z * 3.0) * swing * 0.3, 0.0, 0.0));
    vec4 world = model * vec4(p, 1.0);
    vWorldPosition = world.xyz;
    vWorldNormal = mat3(model) * n;
    vBelly = aNormal.y;
    vShade = fract(phase * 0.137);
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
