#version 330 core
// Deep water seen from inside: blue that darkens with depth and distance,
// and caustics, the bright wandering net of light focused by the waves, made
// from two layers of noise drifting against each other over time.
// Uniforms: uNoiseTexSampler (sampler2D, unit 0, tiling noise), uTime
// (seconds), uCameraPosition (world).
in vec3 vWorldPosition;
in vec3 vNormal;
in vec3 vBoxPosition;

uniform sampler2D uNoiseTexSampler;
uniform float uTime;
uniform vec3 uCameraPosition;

layout(location = 0) out vec4 fragColor;

float caustic(vec2 uv) {
    float a = texture(uNoiseTexSampler, uv * 3.0 + vec2(uTime * 0.021, uTime * 0.013)).r;
    float b = texture(uNoiseTexSampler, uv * 4.1 - vec2(uTime * 0.017, -uTime * 0.019)).r;
    // Where the two layers agree the light is focused into thin bright lines.
    return pow(1.0 - abs(a - b), 12.0);
}

void main() {
    vec3 n = normalize(vNormal);
    // Face coordinates: the two box axes that run along this face.
    vec2 uv = abs(n.y) > 0.5 ? vBoxPosition.xz : (abs(n.x) > 0.5 ? vBoxPosition.zy : vBoxPosition.xy);
    float height = vBoxPosition.y + 0.5;  // 0 at the floor, 1 at the surface
    vec3 deep = vec3(0.01, 0.05, 0.12);
    vec3 shallow = vec3(0.05, 0.35, 0.55);
    vec3 water = mix(deep, shallow, pow(height, 1.5));
    // The surface is bright; the light reaching the floor and walls dims with depth.
    float light = (n.y < -0.5) ? 1.5 : mix(0.35, 1.0, height);
    vec3 colour = water + vec3(0.45, 0.75, 0.8) * caustic(uv) * light * 0.6;
    float distance = length(vWorldPosition - uCameraPosition);
    colour = mix(colour, deep * 1.5, 1.0 - exp(-distance * 0.004));
    fragColor = vec4(colour, 1.0);
}
