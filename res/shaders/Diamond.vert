#version 330 core
// The gem's facets into world space; the normals are flat per facet.
// Uniforms: uProjectionMatrix, uViewMatrix (the scene's), uModelMatrix.
// Out: world position, world normal, the facet normal in model space (its
// identity for the sparkle).
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

out vec3 vWorldPosition;
out vec3 vWorldNormal;
flat out vec3 vFacet;

void main() {
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vWorldPosition = world.xyz;
    vWorldNormal = mat3(transpose(inverse(uModelMatrix))) * aNormal;
    vFacet = aNormal;
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
