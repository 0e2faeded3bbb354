#version 330 core
// Turns each point (in view space) into a camera-facing square of its size,
// with coordinates -1..1 across it for the round fall-off.
// Uniforms: uProjectionMatrix (the scene's).
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

in float vSize[];
in float vGlow[];

uniform mat4 uProjectionMatrix;

out vec2 gCorner;
out float gGlow;
out float gDepth;

void main() {
    vec4 centre = gl_in[0].gl_Position;
    const vec2 corners[4] = vec2[4](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0), vec2(1.0, 1.0));
    for (int i = 0; i < 4; ++i) {
        gCorner = corners[i];
        gGlow = vGlow[0];
        gDepth = -centre.z;
        gl_Position = uProjectionMatrix * (centre + vec4(corners[i] * vSize[0], 0.0, 0.0));
        EmitVertex();
    }
    EndPrimitive();
}
