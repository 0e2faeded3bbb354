#version 330 core
// Calm open water on the radial disc: two scrolling layers of the detail
// texture ripple the normal, the sky cube map is reflected with a Fresnel
// term, and the light adds a glint. Far away the ripples settle and the water
// takes the horizon's colour, so the disc's rim melts into the sky.
// Uniforms:
//   uNoiseTexSampler  tiling water detail (unit 0); its brightness is read as a height field.
//   uSkyboxSampler    sky cube map (unit 1) for reflections.
//   uLightPos         world position of the light (the engine passes (0, 5000, 0)).
//   uDiffuse          water tint; its rgb is darkened for the deep body colour (any colour, 0..1).
//   uTime             seconds; drives the ripple scroll (any value, wraps smoothly).
uniform sampler2D uNoiseTexSampler;
uniform samplerCube uSkyboxSampler;
uniform vec3 uLightPos;
uniform vec4 uDiffuse;
uniform float uTime;

in vec3 vWorldPosition;
in vec3 vEye;
out vec4 fragColor;

// Mip level from the screen-space footprint. Sampling with an explicit level
// skips anisotropic filtering, which costs a software rasteriser dearly and
// buys little on these soft textures.
float mipLevel(vec2 texels) {
    vec2 dx = dFdx(texels), dy = dFdy(texels);
    return max(0.5 * log2(max(dot(dx, dx), dot(dy, dy))), 0.0);
}

// Slope of the detail texture's brightness at uv, by central differences; a
// uniform texture gives a flat surface.
vec2 slope(vec2 uv) {
    vec2 size = vec2(textureSize(uNoiseTexSampler, 0));
    vec2 texel = 1.0 / size;
    float lod = mipLevel(uv * size);
    const vec3 luma = vec3(0.299, 0.587, 0.114);
    float hx0 = dot(textureLod(uNoiseTexSampler, uv - vec2(texel.x, 0.0), lod).rgb, luma);
    float hx1 = dot(textureLod(uNoiseTexSampler, uv + vec2(texel.x, 0.0), lod).rgb, luma);
    float hz0 = dot(textureLod(uNoiseTexSampler, uv - vec2(0.0, texel.y), lod).rgb, luma);
    float hz1 = dot(textureLod(uNoiseTexSampler, uv + vec2(0.0, texel.y), lod).rgb, luma);
    return vec2(hx1 - hx0, hz1 - hz0);
}

void main() {
    vec3 toEye = vEye - vWorldPosition;
    float distance = length(toEye);
    vec3 viewDir = toEye / max(distance, 1e-4);

    // Two layers at different scales and headings, so no direction repeats visibly.
    vec2 p = vWorldPosition.xz;
    vec2 ripple = slope(p / 23.0 + vec2(0.011, 0.007) * uTime) * 1.6
                + slope(p / 57.0 - vec2(0.004, 0.009) * uTime) * 1.0;
    // Ripples fade with distance: past a few hundred units they would only shimmer.
    float calm = exp(-distance / 600.0);
    vec3 normal = normalize(vec3(-ripple.x * calm, 1.0, -ripple.y * calm));

    vec3 reflected = reflect(-viewDir, normal);
    reflected.y = abs(reflected.y);  // never look into the ground half of the sky
    vec3 sky = textureLod(uSkyboxSampler, reflected, 0.0).rgb;
    vec3 horizon = textureLod(uSkyboxSampler, normalize(vec3(-viewDir.x, 0.02, -viewDir.z)), 0.0).rgb;

    // Schlick's Fresnel for water (reflectance 0.02 head-on).
    float cosTheta = clamp(dot(normal, viewDir), 0.0, 1.0);
    float fresnel = 0.02 + 0.98 * pow(1.0 - cosTheta, 5.0);

    vec3 deep = uDiffuse.rgb * vec3(0.05, 0.12, 0.16);
    vec3 lightDir = normalize(uLightPos - vWorldPosition);
    // Light scattered inside the water: brighter where the surface faces the light.
    vec3 body = deep * (0.35 + 0.65 * max(dot(normal, lightDir), 0.0));
    vec3 colour = mix(body, sky, fresnel);

    vec3 halfway = normalize(lightDir + viewDir + vec3(0.0, 1e-4, 0.0));
    colour += vec3(1.0, 0.96, 0.9) * pow(max(dot(normal, halfway), 0.0), 300.0) * 1.5;

    // Haze: the far disc becomes the horizon.
    float haze = 1.0 - exp(-distance / 2200.0);
    colour = mix(colour, horizon, haze * haze);
    fragColor = vec4(colour, 1.0);
}
