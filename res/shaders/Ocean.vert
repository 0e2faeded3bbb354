#version 330 core
// The FFT ocean: one N x N patch, drawn as uSurfaceLength x uSurfaceLength
// instances (8 x 8 = 64) tiled edge to edge around the object's origin. The
// patch's last row and column repeat its first, so neighbours meet without seams.
// Uniforms:
//   uPatchLength     world size of one patch ((N - 1) x spacing); the tiling step.
//   uSurfaceLength   patches per side (8.0); instance i sits at column i % 8, row i / 8.
//   uTiltAngle       tilts the whole sea about the world X axis, in degrees, around the
//                    object's origin: 0 is level; -20..20 gives a rolling, seasick horizon.
//   uProjectionMatrix, uViewMatrix, uModelMatrix: the usual transforms (uniform scale
//                    assumed for the normals).
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec3 aDisplacement;

uniform float uPatchLength;
uniform float uSurfaceLength;
uniform float uTiltAngle;
uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

out vec3 vWorldPosition;
out vec3 vNormal;
out vec3 vEye;
out float vHeight;
out vec2 vSurfaceUV;

void main() {
    float columns = max(uSurfaceLength, 1.0);
    vec2 cell = vec2(mod(float(gl_InstanceID), columns), floor(float(gl_InstanceID) / columns));
    vec2 offset = (cell - 0.5 * (columns - 1.0)) * uPatchLength;
    vec3 local = aPosition + aDisplacement + vec3(offset.x, 0.0, offset.y);

    float a = radians(uTiltAngle);
    mat3 tilt = mat3(1.0, 0.0, 0.0,
                     0.0, cos(a), sin(a),
                     0.0, -sin(a), cos(a));
    vec4 world = uModelMatrix * vec4(tilt * local, 1.0);
    vWorldPosition = world.xyz;
    vNormal = mat3(uModelMatrix) * (tilt * aNormal);
    vHeight = aDisplacement.y;
    // Texture coordinates in patches, continuous across instances.
    vSurfaceUV = (aPosition.xz + offset) / max(uPatchLength, 1e-4);
    // The eye from the view matrix: right for any camera, a cube face's included.
    vEye = -transpose(mat3(uViewMatrix)) * uViewMatrix[3].xyz;
    gl_Position = uProjectionMatrix * uViewMatrix * world;
}
