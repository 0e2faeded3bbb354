#version 330 core
// Blending stays off for wireframes, so the fade alpha darkens the colour
// instead: a faded line sinks into the black background.
uniform vec4 uDiffuse;

out vec4 fragColor;

void main() {
    fragColor = vec4(uDiffuse.rgb * uDiffuse.a, uDiffuse.a);
}
