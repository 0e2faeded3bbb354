#version 330 core
// Open sea under the sky: the environment cube map reflected with a Fresnel
// term, light scattered inside the wave crests, a sun glint that sparkles,
// and foam on the steepest slopes broken up by the noise texture.
// Uniforms:
//   uSkyboxSampler   environment cube map (unit 0): the scene's cube buffer or a cross image.
//   uNoiseSampler    tileable noise (unit 1): foam breakup and glint sparkle.
//   uSunPosition     world position of the sun (only its direction counts). (0, 0, 0), as
//                    when no sun tracks exist, means "overhead".
//   uCameraPosition  the scene's camera position; the eye is taken from the view matrix
//                    instead, which is correct whatever the camera's rotation.
//   uDiffuse         water tint, 0..1 per channel: scattered light in the crests takes it,
//                    the deep body is a dark shade of it.
uniform samplerCube uSkyboxSampler;
uniform sampler2D uNoiseSampler;
uniform vec3 uSunPosition;
uniform vec3 uCameraPosition;
uniform vec4 uDiffuse;

in vec3 vWorldPosition;
in vec3 vNormal;
in vec3 vEye;
in float vHeight;
in vec2 vSurfaceUV;
out vec4 fragColor;

// Mip level from the screen-space footprint. Sampling with an explicit level
// skips anisotropic filtering, which costs a software rasteriser dearly and
// buys little on these soft textures.
float mipLevel(vec2 texels) {
    vec2 dx = dFdx(texels), dy = dFdy(texels);
    return max(0.5 * log2(max(dot(dx, dx), dot(dy, dy))), 0.0);
}

void main() {
    vec3 toEye = vEye - vWorldPosition;
    float distance = length(toEye);
    vec3 viewDir = toEye / max(distance, 1e-4);
    vec3 normal = normalize(vNormal);
    // Seen from below (a tilted sea, a low camera) light the side facing us.
    if (dot(normal, viewDir) < 0.0) normal = -normal;
    float sunLength = length(uSunPosition);
    vec3 sunDir = sunLength > 1e-6 ? uSunPosition / sunLength : vec3(0.0, 1.0, 0.0);

    vec3 reflected = reflect(-viewDir, normal);
    reflected.y = abs(reflected.y);
    vec3 sky = textureLod(uSkyboxSampler, reflected, 0.0).rgb;
    vec3 horizon = textureLod(uSkyboxSampler, normalize(vec3(-viewDir.x, 0.03, -viewDir.z)), 0.0).rgb;

    float cosTheta = clamp(dot(normal, viewDir), 0.0, 1.0);
    float fresnel = 0.02 + 0.98 * pow(1.0 - cosTheta, 5.0);

    // Body colour: dark below, the tint where thin crests let light through.
    float daylight = clamp(sunDir.y * 1.5 + 0.2, 0.05, 1.0);
    vec3 deep = uDiffuse.rgb * vec3(0.03, 0.08, 0.11);
    float crest = clamp(vHeight * 0.6 + 0.3, 0.0, 1.0);
    float through = pow(max(dot(viewDir, -sunDir) * 0.5 + 0.5, 0.0), 3.0);
    vec3 scatter = uDiffuse.rgb * vec3(0.1, 0.32, 0.3) * crest * (0.4 + 0.6 * through);
    vec3 body = (deep + scatter) * daylight;
    vec3 colour = mix(body, sky, fresnel);

    // Sun glint, sharpened and made to twinkle by the noise.
    vec3 halfway = normalize(sunDir + viewDir + vec3(0.0, 1e-4, 0.0));  // never the zero vector
    float glint = pow(max(dot(normal, halfway), 0.0), 420.0) * 6.0;
    vec2 noiseSize = vec2(textureSize(uNoiseSampler, 0));
    float sparkle = textureLod(uNoiseSampler, vSurfaceUV * 6.0, mipLevel(vSurfaceUV * 6.0 * noiseSize)).r;
    glint *= 0.5 + sparkle;
    colour += vec3(1.0, 0.93, 0.8) * glint * step(0.0, sunDir.y);

    // Foam where the surface is steep and high, torn into patches by the noise.
    float steep = 1.0 - normal.y;
    vec2 foamUV = vSurfaceUV * 2.3 + vec2(0.37, 0.11);
    float foamNoise = textureLod(uNoiseSampler, foamUV, mipLevel(foamUV * noiseSize)).g;
    float foam = smoothstep(0.18, 0.42, steep + 0.15 * vHeight + 0.25 * (foamNoise - 0.5));
    colour = mix(colour, vec3(0.85, 0.9, 0.92) * daylight, foam * 0.6);

    float haze = 1.0 - exp(-distance / 1800.0);
    colour = mix(colour, horizon, haze * haze);
    fragColor = vec4(colour, 1.0);
}
