#version 330 core
// Flat magenta: a shader that is loading or broken is impossible to miss.
layout(location = 0) out vec4 fragColor;

void main() {
    fragColor = vec4(1.0, 0.0, 1.0, 1.0);
}
