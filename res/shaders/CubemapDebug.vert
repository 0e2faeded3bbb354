#version 330 core
// The debug quad covers the whole target in clip space; no matrices. It lies on
// the far plane, so as a backdrop it stays behind whatever else the pass draws.
layout(location = 0) in vec2 aPosition;

void main() {
    gl_Position = vec4(aPosition, 0.999999, 1.0);
}
