#version 330 core
// Sky box colour: the cube map along the interpolated view ray.
// Uniforms:
//   uSkyboxSampler  the environment cube map (unit 0): the scene's cube buffer or the sky cross.
uniform samplerCube uSkyboxSampler;

in vec3 vRay;
out vec4 fragColor;

void main() {
    // The ray is interpolated unnormalised; the cube lookup only needs its direction.
    fragColor = vec4(texture(uSkyboxSampler, vRay).rgb, 1.0);
}
