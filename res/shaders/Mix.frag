#version 330 core
// The last bloom pass: mixes the sharp picture with its blurred highlights and
// applies the grading of the "FX." tracks, in the order listed. A track that
// does not exist reads 0, so every parameter but the dry level is neutral at 0.
//
// uBloomDry   FX.BloomDry    level of the sharp picture; 1 keeps it as it is,
//                            0 removes it (only the glow is left). 0..1.
// uBloomWet   FX.BloomWet    level of the blurred highlights added on top;
//                            0 no glow, 0.3-1 a visible glow, up to 2-3 for a
//                            burning look.
// uExposure   FX.Exposure    photographic exposure in stops: the picture is
//                            multiplied by 2^exposure; 0 unchanged, +1 twice
//                            as bright, -1 half. Useful -4..+4.
// uColorCorrection           tint: the picture is multiplied by (BG_R, BG_G,
//             FX.BG_R/G/B/A  BG_B), blended in by BG_A. BG_A 0 no tint, 1 full
//                            tint; BG_R/G/B 0..1 filter a channel out, above 1
//                            boost it. (1, 0.8, 0.6, 1) warms the picture.
// uVignette   FX.Vignette    darkens towards the corners; 0 none, 0.3 subtle,
//                            1 black corners and half brightness at the middle
//                            of the edges. 0..1.
// uFlash      FX.Flash       adds white light over the whole picture; 0 none,
//                            0.3 a flash, 1 a white-out. 0..1; a short key that
//                            falls back to 0 reads as a flash on the beat.
// uFade       FX.Fade        fade to black; 0 none, 1 black. 0..1.
// uWhiteFade  FX.WhiteFade   fade to white, applied after the fade to black;
//                            0 none, 1 white. 0..1.
in vec2 vTexCoord;

uniform sampler2D uTexSampler;   // the sharp picture
uniform sampler2D uTexSampler2;  // the blurred highlights
uniform float uBloomDry;
uniform float uBloomWet;
uniform float uExposure;
uniform vec4 uColorCorrection;
uniform float uVignette;
uniform float uFlash;
uniform float uFade;
uniform float uWhiteFade;

layout(location = 0) out vec4 fragColor;

void main() {
    vec3 sharp = texture(uTexSampler, vTexCoord).rgb;
    vec3 glow = texture(uTexSampler2, vTexCoord).rgb;
    vec3 colour = sharp * uBloomDry + glow * uBloomWet;

    colour *= exp2(uExposure);
    colour = mix(colour, colour * uColorCorrection.rgb, uColorCorrection.a);

    // 0 at the centre, 1 in the corners.
    float radius = length(vTexCoord - 0.5) * 1.41421356;
    colour *= clamp(1.0 - uVignette * radius * radius, 0.0, 1.0);

    colour += vec3(max(uFlash, 0.0));
    colour *= 1.0 - clamp(uFade, 0.0, 1.0);
    colour = mix(colour, vec3(1.0), clamp(uWhiteFade, 0.0, 1.0));
    fragColor = vec4(colour, 1.0);
}
