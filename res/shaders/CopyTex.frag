#version 330 core
// Copies the source texture; with the shared linear sampler this also scales
// between the full-size and the half-size bloom buffers.
in vec2 vTexCoord;

uniform sampler2D uTexSampler;

layout(location = 0) out vec4 fragColor;

void main() {
    fragColor = texture(uTexSampler, vTexCoord);
}
