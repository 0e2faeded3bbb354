#version 330 core
// The inside of the water box. Uniforms: uProjectionMatrix, uViewMatrix (the
// scene's), uModelMatrix (the box's, usually scaled around the scene).
// Out: world position, world normal (pointing into the box), the box-space
// position (face coordinates for the caustics).
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

out vec3 vWorldPosition;
out vec3 vNormal;
out vec3 vBoxPosition;

void main() {
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vWorldPosition = world.xyz;
    vNormal = aNormal;
    vBoxPosition = aPosition;
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
