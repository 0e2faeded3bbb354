#version 330 core
// The wireframe grid, lifted into a slowly scrolling noise landscape.
// Uniforms (all 0 leaves the grid flat):
//   uNoiseTexSampler  tileable noise (unit 0); one sample per vertex, 1 repeat per 512 units.
//   uNoiseBias        vec4 weights of the texture's R, G, B, A channels (each about -1..1);
//                     their weighted sum, centred on 0, is the height pattern.
//   uNoiseMagnitude   height of the pattern in world units (0..60 reads well on a 512-unit grid).
//   uNoiseScroll      offset of the noise in texture repeats (animate 0..1 per several seconds).
//   uCenterGravity    depth of a smooth funnel at the grid's centre, world units (0..120);
//                     negative values raise a hill instead.
//   uProjectionMatrix, uViewMatrix, uModelMatrix: the usual transforms.
layout(location = 0) in vec3 aPosition;

uniform sampler2D uNoiseTexSampler;
uniform vec4 uNoiseBias;
uniform float uNoiseMagnitude;
uniform vec2 uNoiseScroll;
uniform float uCenterGravity;
uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

void main() {
    vec2 uv = aPosition.xz / 512.0 + 0.5 + uNoiseScroll;
    // Centre the channels on 0 so a uniform texture (the loading stand-in) lifts nothing.
    vec4 noise = textureLod(uNoiseTexSampler, uv, 0.0) - 0.5;
    float height = dot(noise, uNoiseBias) * 2.0 * uNoiseMagnitude;
    // Funnel: a Gaussian well a quarter of the grid wide.
    float r = length(aPosition.xz) / 128.0;
    height -= uCenterGravity * exp(-r * r);
    gl_Position = uProjectionMatrix * uViewMatrix * uModelMatrix * vec4(aPosition.x, aPosition.y + height, aPosition.z, 1.0);
}
