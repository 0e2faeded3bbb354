#version 330 core
// Keeps what is brighter than the cutoff, the seed of the bloom.
// uHighPassCutoff: luminance below which nothing glows; 0 lets the whole
// picture glow, 0.6-0.9 only highlights, 1 and above (on an 8-bit scene) nothing.
// Between the cutoff and full white the kept part ramps up to the whole
// colour, so bright edges fade in as they cross the cutoff instead of flickering.
in vec2 vTexCoord;

uniform sampler2D uTexSampler;
uniform float uHighPassCutoff;

layout(location = 0) out vec4 fragColor;

void main() {
    vec3 colour = texture(uTexSampler, vTexCoord).rgb;
    float luminance = dot(colour, vec3(0.2126, 0.7152, 0.0722));
    float cutoff = max(uHighPassCutoff, 0.0);
    float kept = clamp((luminance - cutoff) / max(1.0 - cutoff, 0.05), 0.0, 1.0);
    fragColor = vec4(colour * kept, 1.0);
}
