#version 330 core
// Full-screen quad for the sky box; each corner carries its view ray.
// Uniforms:
//   uDepth                    clip-space depth of the quad, just below 1 (0.9999) so the
//                             sky passes an ordinary depth test only where nothing was drawn.
//   uInverseProjectionMatrix  turns the corner back into a view-space direction.
//   uViewMatrix               its rotation turns that direction into the world (translation ignored).
layout(location = 0) in vec2 aPosition;

uniform float uDepth;
uniform mat4 uInverseProjectionMatrix;
uniform mat4 uViewMatrix;

out vec3 vRay;

void main() {
    vec4 viewPoint = uInverseProjectionMatrix * vec4(aPosition, 1.0, 1.0);
    vec3 viewRay = viewPoint.xyz / viewPoint.w;
    // Transposed rotation = inverse rotation: view space back to world space.
    vRay = transpose(mat3(uViewMatrix)) * viewRay;
    gl_Position = vec4(aPosition, uDepth, 1.0);
}
