#version 330 core
// Daylight sky by single scattering. Along a view ray the air scatters
// sunlight in (molecules by Rayleigh's law, aerosols by Mie's) and takes away
// what lies behind (extinction). With path lengths from the relative air mass
// of each direction, the light reaching the eye is
//     Lin = E * (bR * phaseR + bM * phaseM) / (bR + bM) * (1 - exp(-(bR sR + bM sM)))
// where E is the sunlight after its own path through the air, so the sky
// yellows and reddens as the sun sinks. A sun disc, a faint night floor and
// a gentle drifting haze from the noise texture complete it; output is tone
// mapped, with the sun disc left brighter than 1 for the bloom.
// Uniforms:
//   uTotalRayleigh   per-metre Rayleigh coefficients for red, green, blue (about 5.8e-6,
//                    1.4e-5, 3.3e-5 from the CPU; fixed by the physics of air).
//   uTotalMie        per-metre Mie coefficients for the turbidity (0 at turbidity 0; about
//                    3e-4 at turbidity 2; turbidity 1..20 is clear to hazy).
//   uRayleighCoeff   scales the Rayleigh term: 0 no blue sky, 1 Earth, 2..4 deep blue and
//                    a redder dusk.
//   uMieCoeff        scales the Mie term: 0.001..0.02; larger makes a hazy, white sky and a
//                    wide glow around the sun.
//   uMieG            Henyey-Greenstein asymmetry of the aerosols, 0 (even) .. 0.99 (a tight
//                    halo around the sun); 0.75..0.9 looks natural. Clamped to 0.999.
//   uSunIntensity    sunlight strength: 0 is night, 10..30 a bright day (with this tone map).
//   uSunPosition     world position of the sun; only its direction counts; (0, 0, 0) means
//                    overhead.
//   uNoiseTexSampler tileable noise (unit 0) for the haze and to dither away banding.
//   uTime            seconds; drifts the haze very slowly.
uniform vec3 uTotalRayleigh;
uniform vec3 uTotalMie;
uniform float uRayleighCoeff;
uniform float uMieCoeff;
uniform float uMieG;
uniform float uSunIntensity;
uniform vec3 uSunPosition;
uniform sampler2D uNoiseTexSampler;
uniform float uTime;

in vec3 vRay;
in vec3 vLocal;
out vec4 fragColor;

// Mip level from the screen-space footprint. Sampling with an explicit level
// skips anisotropic filtering, which costs a software rasteriser dearly and
// buys little on these soft textures.
float mipLevel(vec2 texels) {
    vec2 dx = dFdx(texels), dy = dFdy(texels);
    return max(0.5 * log2(max(dot(dx, dx), dot(dy, dy))), 0.0);
}

const float PI = 3.14159265;
const float RAYLEIGH_HEIGHT = 8400.0;  // metres of a uniform atmosphere of the same mass
const float MIE_HEIGHT = 1250.0;
const float SUN_ANGULAR_RADIUS = 0.0093;  // radians, a little larger than the real sun

// Air mass relative to the zenith (Kasten and Young); finite at the horizon.
float airMass(float cosZenith) {
    float c = clamp(cosZenith, 0.0, 1.0);  // acos of a hair above 1 is NaN, and bloom would spread it
    float zenithDegrees = degrees(acos(c));
    return 1.0 / (c + 0.50572 * pow(max(96.07995 - zenithDegrees, 1e-3), -1.6364));
}

void main() {
    vec3 ray = normalize(vRay);
    float sunLength = length(uSunPosition);
    vec3 sunDir = sunLength > 1e-6 ? uSunPosition / sunLength : vec3(0.0, 1.0, 0.0);

    vec3 betaR = uTotalRayleigh * max(uRayleighCoeff, 0.0);
    // Gentle haze: the aerosols thicken and thin slowly across the sky.
    vec2 hazeUV = vLocal.xz / (abs(vLocal.y) + 0.35) * 0.35 + vec2(uTime * 0.0015, uTime * 0.0007);
    vec2 noiseSize = vec2(textureSize(uNoiseTexSampler, 0));
    float haze = textureLod(uNoiseTexSampler, hazeUV, mipLevel(hazeUV * noiseSize)).r;
    vec3 betaM = uTotalMie * max(uMieCoeff, 0.0) * (0.85 + 0.3 * haze);
    vec3 betaTotal = max(betaR + betaM, vec3(1e-12));

    // Extinction along the view ray.
    float mass = airMass(ray.y);
    vec3 extinction = exp(-(betaR * RAYLEIGH_HEIGHT + betaM * MIE_HEIGHT) * mass);

    // Sunlight reaching the air we look through, reddened by its own path.
    float sunMass = airMass(sunDir.y);
    vec3 sunColour = exp(-(betaR * RAYLEIGH_HEIGHT + betaM * MIE_HEIGHT) * sunMass);
    float sunUp = smoothstep(-0.12, 0.02, sunDir.y);  // the sun's light fades below the horizon
    vec3 sunlight = max(uSunIntensity, 0.0) * sunUp * sqrt(sunColour);

    float cosTheta = dot(ray, sunDir);
    float phaseR = 3.0 / (16.0 * PI) * (1.0 + cosTheta * cosTheta);
    float g = clamp(uMieG, -0.999, 0.999);
    float phaseM = (1.0 - g * g) / (4.0 * PI * pow(max(1.0 + g * g - 2.0 * g * cosTheta, 1e-6), 1.5));

    vec3 inscatter = sunlight * (betaR * phaseR + betaM * phaseM) / betaTotal * (1.0 - extinction);

    // Night floor, so a sky without sunlight is deep blue rather than empty.
    vec3 night = vec3(0.004, 0.007, 0.016) * (0.6 + 0.4 * max(ray.y, 0.0));
    vec3 colour = 1.0 - exp(-(inscatter * 1.4 + night));

    // Below the horizon the sky darkens towards the sea's colour.
    float below = smoothstep(0.0, -0.25, ray.y);
    colour = mix(colour, colour * vec3(0.25, 0.32, 0.38), below);

    // The sun disc with a soft rim, seen through the air in front of it.
    float disc = smoothstep(cos(SUN_ANGULAR_RADIUS * 1.3), cos(SUN_ANGULAR_RADIUS), cosTheta);
    colour += disc * sunlight * extinction * 0.25 * (1.0 - below);

    // Dither by a fraction of an 8-bit step: smooth gradients on big screens.
    float dither = textureLod(uNoiseTexSampler, gl_FragCoord.xy / noiseSize, 0.0).g - 0.5;
    colour += dither / 255.0;
    fragColor = vec4(max(colour, 0.0), 1.0);
}
