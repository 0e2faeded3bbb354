#version 330 core
// Sky box colour: the cube map along the interpolated view ray.
// Uniforms:
//   uSkyboxSampler  the environment cube map (unit 0): the scene's cube buffer or the sky cross.
uniform samplerCube uSkyboxSampler;

in vec3 vRay;
out vec4 fragColor;

void main() {
    // The ray is interpolated unnormalised; the cube lookup only needs its direction.
    // Level 0: a screen-filling sky is magnified, and no anisotropic cost.
    fragColor = vec4(textureLod(uSkyboxSampler, vRay, 0.0).rgb, 1.0);
}
