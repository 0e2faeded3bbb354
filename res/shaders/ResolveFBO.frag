#version 330 core
// Resolves a multisampled colour attachment by averaging its samples.
// uSampleCount: samples to average (the window's MSAA setting; at least one is
// read, so a setting of 0 still shows the picture). Texels are addressed by the
// source's own size, so a scene buffer of another size than the window still
// fills the target; uResolution (the window size) is therefore not needed.
in vec2 vTexCoord;

uniform sampler2DMS uTexSampler;
uniform int uSampleCount;

layout(location = 0) out vec4 fragColor;

void main() {
    ivec2 texel = ivec2(vTexCoord * vec2(textureSize(uTexSampler)));
    int samples = max(uSampleCount, 1);
    vec4 sum = vec4(0.0);
    for (int i = 0; i < samples; ++i) {
        sum += texelFetch(uTexSampler, texel, i);
    }
    fragColor = sum / float(samples);
}
