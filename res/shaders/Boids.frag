#version 330 core
// Silver fish with a darker blue back and a pale belly, lit from the surface
// above, with a glint towards the camera; each fish a slightly other shade.
// Uniforms: uCameraPosition (world), uDiffuse (multiplies the colour).
in vec3 vWorldPosition;
in vec3 vWorldNormal;
in float vBelly;
in float vShade;

uniform vec3 uCameraPosition;
uniform vec4 uDiffuse;

layout(location = 0) out vec4 fragColor;

void main() {
    vec3 n = normalize(vWorldNormal);
    // Fins are drawn from both sides; light the side that faces the camera.
    vec3 toEye = normalize(uCameraPosition - vWorldPosition);
    if (dot(n, toEye) < 0.0) n = -n;
    vec3 back = mix(vec3(0.10, 0.22, 0.38), vec3(0.25, 0.20, 0.32), vShade);
    vec3 belly = vec3(0.85, 0.88, 0.9);
    vec3 base = mix(back, belly, smoothstep(0.3, -0.4, vBelly));
    vec3 light = normalize(vec3(0.2, 1.0, 0.3));
    float diffuse = 0.35 + 0.65 * max(dot(n, light), 0.0);
    float glint = pow(max(dot(reflect(-light, n), toEye), 0.0), 24.0) * 0.6;
    fragColor = vec4(base * diffuse * uDiffuse.rgb + vec3(glint), uDiffuse.a);
}
