#version 330 core
// A cut gem: the sky refracted through each facet once per colour channel
// (red bends least, blue most: the fire), a Schlick Fresnel reflection on
// top, and facets that flash white in turn as the time goes on.
// Uniforms: uSkyboxSampler (samplerCube, unit 0), uCameraPosition (world),
// uTime (seconds).
in vec3 vWorldPosition;
in vec3 vWorldNormal;
flat in vec3 vFacet;

uniform samplerCube uSkyboxSampler;
uniform vec3 uCameraPosition;
uniform float uTime;

layout(location = 0) out vec4 fragColor;

// Diamond's index is about 2.42; the spread is exaggerated so the fire shows.
const vec3 kInverseIndex = vec3(1.0 / 2.33, 1.0 / 2.42, 1.0 / 2.52);

vec3 refracted(vec3 incident, vec3 n) {
    // Across the facet, perpendicular to the ray: the direction the colours fan out in.
    vec3 across = normalize(cross(n, incident) + vec3(1e-4));
    vec3 colour;
    for (int c = 0; c < 3; ++c) {
        vec3 inside = refract(incident, n, kInverseIndex[c]);
        // Bounce once off the far side, as the pavilion does, and leave mirrored.
        vec3 leaving = reflect(inside, -n.yzx);
        vec3 spread = across * (float(c) - 1.0) * 0.18;
        colour[c] = texture(uSkyboxSampler, normalize(leaving + 0.3 * inside + spread))[c];
    }
    return colour;
}

void main() {
    vec3 n = normalize(vWorldNormal);
    vec3 incident = normalize(vWorldPosition - uCameraPosition);
    float cosine = max(dot(-incident, n), 0.0);
    float fresnel = 0.17 + 0.83 * pow(1.0 - cosine, 5.0);
    vec3 reflection = texture(uSkyboxSampler, reflect(incident, n)).rgb;
    // Squared for contrast: a gem is bright facets against dark ones, not an even grey.
    vec3 light = refracted(incident, n);
    vec3 colour = mix(light * light * 2.2, reflection, fresnel);
    // Each facet has its own phase; a sharp peak of a slow wave makes it flash.
    float phase = dot(vFacet, vec3(12.9898, 78.233, 37.719));
    float sparkle = pow(max(sin(phase * 7.0 + uTime * 2.3), 0.0), 24.0);
    colour += vec3(sparkle) * 1.8;
    fragColor = vec4(colour, 1.0);
}
