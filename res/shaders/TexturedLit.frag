#version 330 core
// The colour texture lit by the sun and a light high above, with fine detail
// from the noise texture, a cool rim in the water's colour, and caustic light
// from the noise drifting over the upper side with the time.
// Uniforms: uTexSampler (sampler2D, unit 0, the colour), uNoiseTexSampler
// (sampler2D, unit 1), uLightPos (world), uDiffuse (the rim and water tint),
// uSunPosition (world; its direction from the origin), uCameraPosition
// (world), uTime (seconds).
in vec3 vWorldPosition;
in vec3 vWorldNormal;
in vec2 vTexCoord;

uniform sampler2D uTexSampler;
uniform sampler2D uNoiseTexSampler;
uniform vec3 uLightPos;
uniform vec4 uDiffuse;
uniform vec3 uSunPosition;
uniform vec3 uCameraPosition;
uniform float uTime;

layout(location = 0) out vec4 fragColor;

void main() {
    vec3 n = normalize(vWorldNormal);
    vec3 albedo = texture(uTexSampler, vTexCoord).rgb;
    albedo *= 0.8 + 0.4 * texture(uNoiseTexSampler, vTexCoord * 5.0).r;
    vec3 sun = normalize(uSunPosition + vec3(0.0, 1e-4, 0.0));
    vec3 lamp = normalize(uLightPos - vWorldPosition);
    float light = 0.25 + 0.6 * max(dot(n, sun), 0.0) + 0.35 * max(dot(n, lamp), 0.0);
    vec3 toEye = normalize(uCameraPosition - vWorldPosition);
    float rim = pow(1.0 - max(dot(n, toEye), 0.0), 3.0);
    vec2 drift = vWorldPosition.xz * 0.08;
    float a = texture(uNoiseTexSampler, drift + uTime * 0.02).r;
    float b = texture(uNoiseTexSampler, drift * 1.3 - uTime * 0.017).r;
    float caustic = pow(1.0 - abs(a - b), 10.0) * max(n.y, 0.0);
    vec3 colour = albedo * light + uDiffuse.rgb * (rim * 0.2 + caustic * 0.25);
    fragColor = vec4(colour, 1.0);
}
