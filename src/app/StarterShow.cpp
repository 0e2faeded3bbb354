// The starter show's own text (script, tracks, settings) lives here, with the
// tempo filled in; everything an object class loads is copied from the player's
// data folder, so the new show runs with whatever this build's classes need.
#include "app/StarterShow.h"

#include "audio/ClickTrack.h"
#include "audio/Mp3Decoder.h"
#include "core/FileIO.h"
#include "core/ShowFile.h"
#include "sync/TrackText.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What the player's data folder must hold, and what is copied from it.
const char* const kCopiedFolders[] = {"shaders", "textures", "models", "input", "scripts/examples"};

const char* const kConfigText = R"(Display settings. One entry per line, written exactly as
"Key<blanks>= <value>;" (one blank after the equals sign, no blank in the value).
Anything that is not of that shape is ignored, so these lines need no comment marker.

ViewportWidth  = 1280;
ViewportHeight = 720;
MSAA           = 4;
Fullscreen     = false;
VSync          = true;
)";

const char* const kShowText = R"(The show: its soundtrack, tempo, sync rows per beat and window title.
Entries are written "Key = value;", one a line; other lines are comments.
A new tempo moves every key written in beats in res/sync/show.tracks with it
(compile the tracks again); change BPM at the top of res/scripts/scene.lua too.

Soundtrack = {SOUNDTRACK};
BeatsPerMinute = {BPM};
RowsPerBeat = {RPB};
Title = {TITLE};
)";

const char* const kSceneText = R"(-- The scene: built once by build(), moved every frame by render(time). Save
-- this file while the show plays and it is built again. Objects are made with
-- object.new(class, ...) and hung under scene.getRoot() (or a buffer) to be drawn.
-- The camera, the sun, the sky, the waves and the post processing follow the
-- engine's own tracks; Diamond.Height, Cubes.Radius and Cubes.Lift are this
-- script's. All of them are written in res/sync/show.tracks.

local BPM = {BPM}  -- as in res/show.txt: change both together
local BEAT = 60 / BPM  -- seconds

local buffer, diamond, sphere
local cubes = {}

local function v(x, y, z) return vector3.new(x, y, z) end

-- 1 on every beat, falling to 0 by the next.
local function pulse(time) return (1 - (time / BEAT) % 1) ^ 3 end

function build()
  local root = scene.getRoot()

  -- What the water and the chrome sphere reflect: the sky seen from the middle
  -- of the scene, six faces a frame. It must be the first cube buffer under the root.
  local reflection = object.new("sceneCubeBuffer", 128, 128, "RGBA16F")
  reflection:addChild(object.new("skydome", 32, 64, 5000))
  root:addChild(reflection)

  -- The picture: drawn into a buffer that the post chain (bloom, grading and
  -- fades: the FX.* tracks) turns into the frame, with the window's multisampling.
  buffer = object.new("sceneBuffer", window.getWidth(), window.getHeight(), 1, true, "RGBA16F",
                      window.getFSAALevel())
  root:addChild(buffer)

  -- The sky, lit by the Sun.* and Sky.* tracks.
  buffer:addChild(object.new("skydome", 48, 96, 5000))
  -- The sea: a disc of water out to the horizon, and the ocean's waves on top
  -- (a 32 x 32 patch, vertices 2 apart, tiled and drawn twice its size).
  local disc = object.new("radial_grid")
  disc:setPosition(v(0, -8.5, 0))
  buffer:addChild(disc)
  local ocean = object.new("ocean", 32, 2, 0.0004, 11, 1, 0.35)
  ocean:setPosition(v(0, -6, 0))
  ocean:setScale(v(2, 2, 2))
  buffer:addChild(ocean)

  -- A few objects: a diamond in the middle, a chrome sphere going round it and
  -- a ring of wireframe cubes.
  diamond = object.new("diamond")
  buffer:addChild(diamond)
  sphere = object.new("sphere", 48, 64, 2.5)
  buffer:addChild(sphere)
  for i = 1, 8 do
    cubes[i] = object.new("cube")
    buffer:addChild(cubes[i])
  end
  return true
end

-- Called per fixed step of the soundtrack (1/60 s): simulations move here.
function update(step)
  scene.getRoot():update(step)
end

function render(time)
  diamond:setPosition(v(0, sync.getFloat("Diamond.Height"), 0))
  diamond:setRotation(v(10 * math.sin(time), time * 40, 0))
  local s = 4 + pulse(time)
  diamond:setScale(v(s, s, s))

  local a = time * 0.8
  sphere:setPosition(v(math.cos(a) * 10, 1, math.sin(a) * 10))

  local radius, lift = sync.getFloat("Cubes.Radius"), sync.getFloat("Cubes.Lift")
  for i, cube in ipairs(cubes) do
    local angle = (i - 1) / #cubes * 2 * math.pi - time * 0.3
    cube:setPosition(v(math.cos(angle) * radius, lift + math.sin(time * 2 + i), math.sin(angle) * radius))
    cube:setRotation(v(time * 50 + i * 30, time * 30, 0))
    local c = 1.5 * (1 + 0.5 * pulse(time))
    cube:setScale(v(c, c, c))
  end

  scene.getRoot():render(time)
  scene.postProcessBufferNode(buffer)
end
)";

const char* const kTracksText = R"(# The show's sync tracks. After editing, compile them to the files the player
# reads (it picks them up while it plays):
#   tracktool --show . compile res/sync res/sync/show.tracks   (in this folder)
# A key is: time, value, interpolation to the next key (step, linear, smooth,
# ramp). Times are rows, beats ("4b") or seconds ("2.5s"); a missing track reads 0.
# The soundtrack runs {BARS} bars of 4 beats here (to {BEATS}b).

# --- Camera: 1 orbits the middle of the scene ----------------------------------
[Camera.Mode]
0      1    step
[Camera.Distance]
0      34   smooth
16b    26   smooth
{BEATS}b    32
[Camera.Pitch]
0      6    smooth
16b    16   smooth
{BEATS}b    8
[Camera.Yaw]
0      -25  linear
{BEATS}b    60

# --- Sun and sky: zenith 90 is the horizon ---------------------------------------
[Sun.Radius]
0      1000 step
[Sun.Zenith(Deg)]
0      80   smooth
{BEATS}b    70
[Sun.Azimuth(Deg)]
0      -140 step
[Sun.Intensity]
0      15   step
[Sky.Turbidity]
0      2.5  step
[Sky.RayleighCoeff]
0      2    step
[Sky.MieCoeff]
0      0.005 step
[Sky.MieG]
0      0.85 step

# --- Sea -----------------------------------------------------------------------
[Ocean.GoodNormals]
0      1    step
[DisplacementScale]
0      0.6  smooth
16b    1.2  smooth
{BEATS}b    0.6

# --- The script's own tracks ----------------------------------------------------
# The diamond rises out of the water in the first bar.
[Diamond.Height]
0      -12  smooth
4b     2
[Cubes.Radius]
0      10   smooth
16b    14   smooth
{BEATS}b    10
[Cubes.Lift]
0      -2   smooth
8b     4

# --- Post processing (res/shaders/Mix.frag says what each does) -----------------
[FX.EnableBloom]
0      1    step
[FX.BloomDry]
0      1    step
[FX.BloomWet]
0      0.6  step
[FX.HighPassCutoff]
0      0.7  step
[FX.BlurMagnitude]
0      1.4  step
[FX.Vignette]
0      0.4  step
# In from black over the first beat, a flash half way, out to black at the end.
[FX.Fade]
0      1    smooth
1b     0    step
{FADE}b    0    smooth
{BEATS}b    1
[FX.Flash]
0      0    step
16b    0.6  linear
17b    0
)";

std::string filled(std::string text, const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [key, value] : values)
        for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    return text;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

bool writeText(const fs::path& path, const std::string& text, std::string& error) {
    return FileIO::writeAtomically(path.string(), std::vector<uint8_t>(text.begin(), text.end()), error);
}

// A name the show file can hold (a value runs to the semicolon, an entry to the line's end).
std::string showFileValue(const std::string& name, const std::string& fallback) {
    return name.empty() || name == "." || name.find_first_of(";\r\n") != std::string::npos ? fallback : name;
}

bool isShowData(const fs::path& dir) {
    std::error_code ec;
    for (const char* folder : kCopiedFolders)
        if (!fs::is_directory(dir / folder, ec)) return false;
    return true;
}

// Everything after the checks: false with the reason in `message`.
bool writeShow(const StarterShowRequest& request, const fs::path& data, const fs::path& dir, std::string& message) {
    std::error_code ec;
    for (const char* folder : kCopiedFolders) {
        fs::create_directories(dir / "res" / folder, ec);
        if (!ec) fs::copy(data / folder, dir / "res" / folder, fs::copy_options::recursive, ec);
        if (ec) {
            message = "cannot copy " + (data / folder).string() + " into " + dir.string() + ": " + ec.message();
            return false;
        }
    }
    fs::create_directories(dir / "res/audio", ec);
    if (!ec) fs::create_directories(dir / "res/sync", ec);
    if (ec) {
        message = "cannot make the folders of " + dir.string() + ": " + ec.message();
        return false;
    }

    // The soundtrack: the one given, or eight bars of clicks at the tempo.
    std::string soundtrack;
    if (!request.soundtrack.empty()) {
        soundtrack = "res/audio/" + showFileValue(fs::path(request.soundtrack).filename().string(), "soundtrack.mp3");
        fs::copy_file(request.soundtrack, dir / soundtrack, ec);
        if (ec) {
            message = "cannot copy " + request.soundtrack + ": " + ec.message();
            return false;
        }
    } else {
        soundtrack = "res/audio/clicks.mp3";
        const std::vector<uint8_t> clicks =
            ClickTrack::write(request.beatsPerMinute, kStarterBars * 4 * 60.0 / request.beatsPerMinute);
        if (!FileIO::writeAtomically((dir / soundtrack).string(), clicks, message)) return false;
    }

    const std::string beats = std::to_string(kStarterBars * 4);
    // The title is the folder's name, also when it was given as "show/" or ".".
    fs::path named = fs::absolute(dir, ec).lexically_normal();
    if (named.filename().empty()) named = named.parent_path();
    const std::vector<std::pair<std::string, std::string>> values = {
        {"{BPM}", number(request.beatsPerMinute)},
        {"{RPB}", std::to_string(kStarterRowsPerBeat)},
        {"{SOUNDTRACK}", soundtrack},
        {"{TITLE}", showFileValue(named.filename().string(), "My Show")},
        {"{BARS}", std::to_string(kStarterBars)},
        {"{BEATS}", beats},
        {"{FADE}", std::to_string(kStarterBars * 4 - 2)},
    };
    const std::string tracksText = filled(kTracksText, values);
    if (!writeText(dir / "Config.txt", kConfigText, message) ||
        !writeText(dir / "res/show.txt", filled(kShowText, values), message) ||
        !writeText(dir / "res/scripts/scene.lua", filled(kSceneText, values), message) ||
        !writeText(dir / "res/sync/show.tracks", tracksText, message))
        return false;

    // Beats in the text become rows at the new show's tempo.
    setShowTiming({request.beatsPerMinute, kStarterRowsPerBeat});
    std::vector<TextTrack> tracks;
    if (!parseTrackText(tracksText, tracks, message)) {
        message = "the starter tracks do not compile:" + message;
        return false;
    }
    for (const TextTrack& track : tracks)
        if (!FileIO::writeAtomically((dir / "res/sync" / trackFileName(track.name)).string(), encodeTrack(track.keys),
                                     message))
            return false;
    return true;
}
} // namespace

std::string currentExecutable(const std::string& fallback) {
    std::vector<char> path(4096);
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) return fallback;
    return std::string(path.data(), static_cast<size_t>(length));
}

std::string findPlayerData(const std::string& executable) {
    std::error_code ec;
    fs::path exe = fs::weakly_canonical(fs::absolute(executable, ec), ec);
    const fs::path dir = exe.parent_path();
    for (const fs::path& candidate : {dir / "res", dir / ".." / "res", dir / ".." / "share" / "solvane" / "res"})
        if (isShowData(candidate)) return candidate.lexically_normal().string();
    return "";
}

StarterResult createStarterShow(const StarterShowRequest& request, const std::string& playerData, std::string& message) {
    const fs::path dir = request.directory;
    std::error_code ec;
    const bool existed = fs::exists(dir, ec);
    if (existed && (!fs::is_directory(dir, ec) || !fs::is_empty(dir, ec))) {
        message = "--new makes a show in a new or empty folder; '" + request.directory + "' " +
                  (fs::is_directory(dir, ec) ? "is not empty" : "is not a folder");
        return StarterResult::Refused;
    }
    if (!request.soundtrack.empty() && Mp3Decoder::probe(request.soundtrack) != Mp3Decoder::Result::Ok) {
        message = "--soundtrack needs an MP3 file; '" + request.soundtrack + "' is " +
                  (fs::exists(request.soundtrack, ec) ? "not one" : "missing");
        return StarterResult::Refused;
    }
    if (playerData.empty()) {
        message = "cannot find the player's shaders, textures and models: looked for res/ beside the executable, "
                  "in its parent folder and in ../share/solvane/";
        return StarterResult::Failed;
    }
    fs::create_directories(dir, ec);
    if (ec) {
        message = "cannot make the folder '" + request.directory + "': " + ec.message();
        return StarterResult::Failed;
    }
    if (!writeShow(request, playerData, dir, message)) {
        // Nothing half made is left: the folder goes back to how it was.
        if (existed)
            for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) fs::remove_all(entry.path(), ec);
        else
            fs::remove_all(dir, ec);
        return StarterResult::Failed;
    }
    message = "made a new show in " + request.directory + " (" + number(request.beatsPerMinute) +
              " beats per minute); play it with: cd " + request.directory + " && solvane";
    return StarterResult::Ok;
}
