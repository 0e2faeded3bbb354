#version 330 core
// Polished chrome: the environment cube map seen in the mirror direction,
// brighter at grazing angles, with the sun's hot spot.
// Uniforms: uSkyboxSampler (samplerCube, unit 0: a cube scene buffer or the
// sky), uSunPosition (world; its direction from the origin lights),
// uCameraPosition (world), uDiffuse (a faint tint of the metal).
in vec3 vWorldPosition;
in vec3 vWorldNormal;

uniform samplerCube uSkyboxSampler;
uniform vec3 uSunPosition;
uniform vec3 uCameraPosition;
uniform vec4 uDiffuse;

layout(location = 0) out vec4 fragColor;

void main() {
    vec3 n = normalize(vWorldNormal);
    vec3 toEye = normalize(uCameraPosition - vWorldPosition);
    vec3 mirror = reflect(-toEye, n);
    vec3 environment = texture(uSkyboxSampler, mirror).rgb;
    float fresnel = 0.6 + 0.4 * pow(1.0 - max(dot(n, toEye), 0.0), 5.0);
    vec3 metal = mix(vec3(0.92), uDiffuse.rgb, 0.12);
    vec3 sun = normalize(uSunPosition + vec3(0.0, 1e-4, 0.0));
    float highlight = pow(max(dot(mirror, sun), 0.0), 400.0) * 4.0;
    fragColor = vec4(environment * metal * fresnel + vec3(highlight), 1.0);
}
