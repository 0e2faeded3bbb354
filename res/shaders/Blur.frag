#version 330 core
// One direction of a separable 9-tap Gaussian blur, run once horizontally and
// once vertically on the half-size bloom buffers.
// uTexelSize: 1 / size of the source buffer; uBlurDirection: (1, 0) or (0, 1).
// uBlurMagnitude: distance between taps in texels; 0 is no blur, 1 a soft
// glow, 2-4 a wide one (beyond about 4 the taps separate into ghosts).
in vec2 vTexCoord;

uniform sampler2D uTexSampler;
uniform vec2 uTexelSize;
uniform vec2 uBlurDirection;
uniform float uBlurMagnitude;

layout(location = 0) out vec4 fragColor;

const float kWeights[5] = float[](0.2270270, 0.1945946, 0.1216216, 0.0540541, 0.0162162);

void main() {
    vec2 step = uTexelSize * uBlurDirection * max(uBlurMagnitude, 0.0);
    vec4 sum = texture(uTexSampler, vTexCoord) * kWeights[0];
    for (int i = 1; i < 5; ++i) {
        sum += texture(uTexSampler, vTexCoord + step * float(i)) * kWeights[i];
        sum += texture(uTexSampler, vTexCoord - step * float(i)) * kWeights[i];
    }
    fragColor = sum;
}
