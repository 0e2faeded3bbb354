#version 330 core
// One flat colour per cube face (or the view direction outside a cube buffer).
// Components may be negative; the target clamps them.
uniform vec3 uFaceColor;

layout(location = 0) out vec4 fragColor;

void main() {
    fragColor = vec4(uFaceColor, 1.0);
}
