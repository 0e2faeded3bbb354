#version 330 core
// Resolves a multisampled depth attachment into a single-channel colour target
// (the depth view): the average depth of the samples, 0 at the near plane and 1
// at the far plane, not linearised. Same addressing as ResolveFBO.frag.
in vec2 vTexCoord;

uniform sampler2DMS uTexSampler;
uniform int uSampleCount;

layout(location = 0) out vec4 fragColor;

void main() {
    ivec2 texel = ivec2(vTexCoord * vec2(textureSize(uTexSampler)));
    int samples = max(uSampleCount, 1);
    float sum = 0.0;
    for (int i = 0; i < samples; ++i) {
        sum += texelFetch(uTexSampler, texel, i).r;
    }
    fragColor = vec4(vec3(sum / float(samples)), 1.0);
}
