#version 330 core
// Every post-processing pass draws the same quad: four corners in clip space
// on attribute 0, drawn as a strip; the texture coordinate spans 0..1.
layout(location = 0) in vec2 aPosition;

out vec2 vTexCoord;

void main() {
    vTexCoord = aPosition * 0.5 + 0.5;
    gl_Position = vec4(aPosition, 0.0, 1.0);
}
