#version 330 core
// Fallback for any program that is loading or failed to build. Attribute 0 is
// the position in every mesh of the show. A user that never set the matrices
// (a full-screen pass) leaves them zero; then the position is taken as
// clip-space x and y, so the magenta covers the pass instead of vanishing.
layout(location = 0) in vec3 aPosition;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

void main() {
    if (uProjectionMatrix[3] == vec4(0.0) && uProjectionMatrix[2] == vec4(0.0)) {
        gl_Position = vec4(aPosition.xy, 0.0, 1.0);
    } else {
        gl_Position = uProjectionMatrix * uViewMatrix * uModelMatrix * vec4(aPosition, 1.0);
    }
}
