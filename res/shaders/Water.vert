#version 330 core
// The radial water disc: passes world position and the eye to Water.frag.
// Uniforms:
//   uProjectionMatrix, uViewMatrix, uModelMatrix: the usual transforms; the eye
//   position is taken from the view matrix (correct for any camera rotation).
layout(location = 0) in vec3 aPosition;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

out vec3 vWorldPosition;
out vec3 vEye;

void main() {
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vWorldPosition = world.xyz;
    vEye = -transpose(mat3(uViewMatrix)) * uViewMatrix[3].xyz;
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
