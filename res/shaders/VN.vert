#version 330 core
// Position and normal into world space for lit and reflective surfaces.
// Uniforms: uProjectionMatrix, uViewMatrix (the scene's camera),
// uModelMatrix (the object's). Out: world position and world normal.
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

out vec3 vWorldPosition;
out vec3 vWorldNormal;

void main() {
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vWorldPosition = world.xyz;
    // The inverse transpose keeps normals perpendicular under non-uniform scale.
    vWorldNormal = mat3(transpose(inverse(uModelMatrix))) * aNormal;
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
