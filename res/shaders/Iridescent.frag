#version 330 core
// A mother-of-pearl sheen for plain models: the colour turns with the angle
// to the camera and slowly with the time. Pairs with VN.vert.
// Uniforms: uCameraPosition (world), uTime (seconds).
in vec3 vWorldPosition;
in vec3 vWorldNormal;

uniform vec3 uCameraPosition;
uniform float uTime;

layout(location = 0) out vec4 fragColor;

void main() {
    vec3 n = normalize(vWorldNormal);
    vec3 toEye = normalize(uCameraPosition - vWorldPosition);
    if (dot(n, toEye) < 0.0) n = -n;
    float facing = max(dot(n, toEye), 0.0);
    float hue = (1.0 - facing) * 1.5 + uTime * 0.1;
    vec3 sheen = 0.5 + 0.5 * cos(6.2831853 * (hue + vec3(0.0, 0.33, 0.67)));
    float light = 0.3 + 0.7 * max(dot(n, normalize(vec3(0.3, 1.0, 0.2))), 0.0);
    fragColor = vec4(mix(vec3(0.9), sheen, 0.6) * light + pow(1.0 - facing, 4.0) * 0.3, 1.0);
}
