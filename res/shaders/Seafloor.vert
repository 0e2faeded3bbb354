#version 330 core
// Sand dunes: the flat grid pushed up by two scales of the noise texture,
// with the normal taken from the slope of the same heights.
// Uniforms: uProjectionMatrix, uViewMatrix (the scene's), uModelMatrix,
// uNoiseSampler (sampler2D, unit 0, tiling noise).
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;
uniform sampler2D uNoiseSampler;

out vec3 vWorldPosition;
out vec3 vWorldNormal;
out vec2 vGround;

// Bilinear filtering by hand from one mip level: a sampler's filtering in a
// vertex shader may differ between the vertices a triangle shares (derivatives
// do not exist here), which would tear the mesh.
float noiseAt(vec2 uv, int level) {
    ivec2 size = textureSize(uNoiseSampler, level);
    vec2 t = uv * vec2(size) - 0.5;
    ivec2 i = ivec2(floor(t));
    vec2 f = t - floor(t);
    float a = texelFetch(uNoiseSampler, (i % size + size) % size, level).r;
    float b = texelFetch(uNoiseSampler, ((i + ivec2(1, 0)) % size + size) % size, level).r;
    float c = texelFetch(uNoiseSampler, ((i + ivec2(0, 1)) % size + size) % size, level).r;
    float d = texelFetch(uNoiseSampler, ((i + ivec2(1, 1)) % size + size) % size, level).r;
    return mix(mix(a, b, f.x), mix(c, d, f.x), f.y);
}

float dune(vec2 p) {
    // Coarse mip levels: the noise is grainy, dunes are not.
    float broad = noiseAt(p * 0.002, 4);
    float ripple = noiseAt(p * 0.012 + vec2(0.37, 0.11), 2);
    return broad * 14.0 + ripple * 1.2;
}

void main() {
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vec2 p = world.xz;
    float e = 0.5;
    float h = dune(p);
    vec3 slopeX = vec3(2.0 * e, dune(p + vec2(e, 0.0)) - dune(p - vec2(e, 0.0)), 0.0);
    vec3 slopeZ = vec3(0.0, dune(p + vec2(0.0, e)) - dune(p - vec2(0.0, e)), 2.0 * e);
    vWorldNormal = normalize(cross(slopeZ, slopeX)) * sign(aNormal.y + 1e-6);
    world.y += h;
    vWorldPosition = world.xyz;
    vGround = p;
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
