// The sync tracks the engine itself reads, in one table: each track's name as an
// editor shows it, who reads it and where its value goes. Readers name a track
// only through its constant here, so no name is spelt twice and a test can follow
// every row to where it says the value lands. Scripts read tracks of their own.
#pragma once

#include <cstddef>

enum class TrackFeed {
    // A uniform of the reader's program; `component` indexes a vector (0 for a
    // scalar). -1: the whole vector, the value passed through the reader's formula.
    Uniform,
    // Camera.Mode 0: "focus" or "eye", x y z. Camera.Mode 1: "orbit", component
    // 0 distance, 1 pitch, 2 yaw, 3 roll.
    Camera,
    // The scene's sun position: 0 radius, 1 zenith, 2 azimuth (degrees).
    Sun,
    // A switch or an input of a computation; `target` says what it controls.
    Control,
};

struct EngineTrack {
    const char* name;
    const char* reader;
    TrackFeed feed;
    const char* target;
    int component;
};

// X(constant, name, reader, feed, target, component). Readers may read their
// tracks in another order than this: an editor lists tracks in first-use order.
#define SOLVANE_ENGINE_TRACKS(X)                                                                                     \
    X(kGridNoise1, "Grid.Noise1", "GridObject::render", Uniform, "uNoiseBias", 0)                                     \
    X(kGridNoise2, "Grid.Noise2", "GridObject::render", Uniform, "uNoiseBias", 1)                                     \
    X(kGridNoise3, "Grid.Noise3", "GridObject::render", Uniform, "uNoiseBias", 2)                                     \
    X(kGridNoise4, "Grid.Noise4", "GridObject::render", Uniform, "uNoiseBias", 3)                                     \
    X(kGridNoiseMagnitude, "Grid.NoiseMagnitude", "GridObject::render", Uniform, "uNoiseMagnitude", 0)                \
    X(kGridNoiseScrollX, "Grid.NoiseScrollX", "GridObject::render", Uniform, "uNoiseScroll", 0)                       \
    X(kGridNoiseScrollY, "Grid.NoiseScrollY", "GridObject::render", Uniform, "uNoiseScroll", 1)                       \
    X(kGridCenterGravity, "Grid.CenterGravity", "GridObject::render", Uniform, "uCenterGravity", 0)                   \
    X(kSkyTurbidity, "Sky.Turbidity", "SkyDome::render", Uniform, "uTotalMie", -1)                                    \
    X(kSkyRayleighCoeff, "Sky.RayleighCoeff", "SkyDome::render", Uniform, "uRayleighCoeff", 0)                        \
    X(kSkyMieCoeff, "Sky.MieCoeff", "SkyDome::render", Uniform, "uMieCoeff", 0)                                       \
    X(kSkyMieG, "Sky.MieG", "SkyDome::render", Uniform, "uMieG", 0)                                                   \
    X(kSunIntensity, "Sun.Intensity", "SkyDome::render", Uniform, "uSunIntensity", 0)                                 \
    X(kNeedlesFade, "Needles.Fade", "NeedleObject::render", Uniform, "uDiffuse", 3)                                   \
    X(kFlakesVisible, "Flakes.Visible", "FlakeObject::render", Control, "draws the flakes (and their children)", 0)  \
    X(kFlakesFade, "Flakes.Fade", "FlakeObject::render", Uniform, "uDiffuse", 3)                                      \
    X(kParticlesCollect, "Particles.Collect", "ParticleCloud::render", Uniform, "uCollect", 0)                        \
    X(kParticlesSpiral, "Particles.Spiral", "ParticleCloud::render", Uniform, "uSpiral", 0)                           \
    X(kSeaFloorFogDensity, "SeaFloor.FogDensity", "SeaFloorGrid::render ParticleCloud::render", Uniform,              \
      "uFogDensity", 0)                                                                                              \
    X(kSeaFloorFogR, "SeaFloor.FogR", "SeaFloorGrid::render ParticleCloud::render", Uniform, "uFogColor", 0)          \
    X(kSeaFloorFogG, "SeaFloor.FogG", "SeaFloorGrid::render ParticleCloud::render", Uniform, "uFogColor", 1)          \
    X(kSeaFloorFogB, "SeaFloor.FogB", "SeaFloorGrid::render ParticleCloud::render", Uniform, "uFogColor", 2)          \
    X(kOceanGoodNormals, "Ocean.GoodNormals", "OceanGrid::updateWaves", Control, "normals from the slope spectrum", 0) \
    X(kDisplacementScale, "DisplacementScale", "OceanGrid::updateWaves", Control, "the waves' sideways displacement",  \
      0)                                                                                                             \
    X(kOceanTiltAngle, "Ocean.TiltAngle", "OceanGrid::render", Uniform, "uTiltAngle", 0)                              \
    X(kSunRadius, "Sun.Radius", "Scene::frame", Sun, "sunPosition", 0)                                                \
    X(kSunZenith, "Sun.Zenith(Deg)", "Scene::frame", Sun, "sunPosition", 1)                                           \
    X(kSunAzimuth, "Sun.Azimuth(Deg)", "Scene::frame", Sun, "sunPosition", 2)                                         \
    X(kCameraMode, "Camera.Mode", "Scene::updateCamera", Control, "0 look-at, 1 orbit, 2 free flight, 3 path", 0)     \
    X(kFocusX, "Focus.X", "Scene::updateCamera", Camera, "focus", 0)                                                  \
    X(kFocusY, "Focus.Y", "Scene::updateCamera", Camera, "focus", 1)                                                  \
    X(kFocusZ, "Focus.Z", "Scene::updateCamera", Camera, "focus", 2)                                                  \
    X(kCameraX, "Camera.X", "Scene::updateCamera", Camera, "eye", 0)                                                  \
    X(kCameraY, "Camera.Y", "Scene::updateCamera", Camera, "eye", 1)                                                  \
    X(kCameraZ, "Camera.Z", "Scene::updateCamera", Camera, "eye", 2)                                                  \
    X(kCameraDistance, "Camera.Distance", "Scene::updateCamera", Camera, "orbit", 0)                                  \
    X(kCameraPitch, "Camera.Pitch", "Scene::updateCamera", Camera, "orbit", 1)                                        \
    X(kCameraYaw, "Camera.Yaw", "Scene::updateCamera", Camera, "orbit", 2)                                            \
    X(kCameraRoll, "Camera.Roll", "Scene::updateCamera", Camera, "orbit", 3)                                          \
    X(kCameraPathProgress, "Camera.PathProgress", "Scene::followCameraPath", Control, "place on the path (mode 3)", 0) \
    X(kFxFade, "FX.Fade", "PostProcessor::mixPass", Uniform, "uFade", 0)                                              \
    X(kFxWhiteFade, "FX.WhiteFade", "PostProcessor::mixPass", Uniform, "uWhiteFade", 0)                               \
    X(kFxBloomDry, "FX.BloomDry", "PostProcessor::mixPass", Uniform, "uBloomDry", 0)                                  \
    X(kFxBloomWet, "FX.BloomWet", "PostProcessor::mixPass", Uniform, "uBloomWet", 0)                                  \
    X(kFxExposure, "FX.Exposure", "PostProcessor::mixPass", Uniform, "uExposure", 0)                                  \
    X(kFxFlash, "FX.Flash", "PostProcessor::mixPass", Uniform, "uFlash", 0)                                           \
    X(kFxVignette, "FX.Vignette", "PostProcessor::mixPass", Uniform, "uVignette", 0)                                  \
    X(kFxBgR, "FX.BG_R", "PostProcessor::mixPass", Uniform, "uColorCorrection", 0)                                    \
    X(kFxBgG, "FX.BG_G", "PostProcessor::mixPass", Uniform, "uColorCorrection", 1)                                    \
    X(kFxBgB, "FX.BG_B", "PostProcessor::mixPass", Uniform, "uColorCorrection", 2)                                    \
    X(kFxBgA, "FX.BG_A", "PostProcessor::mixPass", Uniform, "uColorCorrection", 3)                                    \
    X(kFxEnableBloom, "FX.EnableBloom", "PostProcessor::process", Control, "the bloom passes and their mix", 0)        \
    X(kFxHighPassCutoff, "FX.HighPassCutoff", "PostProcessor::process", Uniform, "uHighPassCutoff", 0)                \
    X(kFxBlurMagnitude, "FX.BlurMagnitude", "PostProcessor::process", Uniform, "uBlurMagnitude", 0)                   \
    X(kFxRenderDepth, "FX.RenderDepth", "PostProcessor::present", Control, "shows the depth instead of the colour", 0)

namespace tracks {
#define SOLVANE_TRACK_CONSTANT(constant, name, ...) inline constexpr char constant[] = name;
SOLVANE_ENGINE_TRACKS(SOLVANE_TRACK_CONSTANT)
#undef SOLVANE_TRACK_CONSTANT
} // namespace tracks

#define SOLVANE_TRACK_ROW(constant, name, reader, feed, target, component) \
    {tracks::constant, reader, TrackFeed::feed, target, component},
inline constexpr EngineTrack kEngineTracks[] = {SOLVANE_ENGINE_TRACKS(SOLVANE_TRACK_ROW)};
#undef SOLVANE_TRACK_ROW
inline constexpr size_t kEngineTrackCount = sizeof(kEngineTracks) / sizeof(kEngineTracks[0]);
