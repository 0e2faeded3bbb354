#version 330 core
// The debug quad covers the whole target in clip space; no matrices.
layout(location = 0) in vec2 aPosition;

void main() {
    gl_Position = vec4(aPosition, 0.0, 1.0);
}
