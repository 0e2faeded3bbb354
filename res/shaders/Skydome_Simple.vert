#version 330 core
// Sky dome geometry: hands the dome-local direction and the view ray to the
// scattering fragment shader.
// Uniforms:
//   uRadius           the dome's radius; positions divided by it give unit directions.
//   uCameraPosition   where the sky is seen from (the scene's camera, or the origin inside
//                     a cube buffer); rays start at the eye taken from uViewMatrix, which
//                     agrees with it whenever the view carries no rotation.
//   uProjectionMatrix, uViewMatrix, uModelMatrix: the usual transforms (the cube face's
//                     inside a cube buffer).
layout(location = 0) in vec3 aPosition;

uniform float uRadius;
uniform vec3 uCameraPosition;
uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

out vec3 vRay;
out vec3 vLocal;

void main() {
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vec3 eye = -transpose(mat3(uViewMatrix)) * uViewMatrix[3].xyz;
    vRay = world.xyz - eye;
    vLocal = aPosition / max(uRadius, 1e-6);
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
