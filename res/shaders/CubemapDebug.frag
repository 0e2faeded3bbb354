#version 330 core
// One flat colour per cube face (or the view direction outside a cube buffer).
// Negative components are clamped here: a half-float target would keep them
// and hand them to the post chain.
uniform vec3 uFaceColor;

layout(location = 0) out vec4 fragColor;

void main() {
    fragColor = vec4(max(uFaceColor, vec3(0.0)), 1.0);
}
