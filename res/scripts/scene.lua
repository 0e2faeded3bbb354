-- The shipped show: 40 bars at 106 beats per minute, cut on bars to the parts of
-- the soundtrack (its bar map heads tools/make_soundtrack.cpp). Each scene is one
-- function that builds its objects and says how they move; SHOW says on which
-- bars it plays. res/sync/show.tracks drives the camera, the sun, the sky, the
-- objects' own tracks and the post processing; the script adds the beat.
-- A class the engine does not have yet is drawn as a wireframe cube in its place
-- (see make), so every scene plays while the object classes are being written.

local BPM = 106
local BEAT = 60 / BPM  -- 0.566 s
local BAR = 4 * BEAT   -- 2.264 s

local environment  -- cube buffer first under the root: what mirrors and water reflect
local buffer       -- the picture, handed to the post processor
local reflectedSky, reflectedWater  -- what the cube buffer holds above and under the water
local camera       -- carries the camera path that Camera.Mode 3 rides
local scenes       -- built scenes, in the order of SHOW
local current      -- the scene on screen

-- Helpers ---------------------------------------------------------------------

local function v(x, y, z) return vector3.new(x, y, z) end

-- object.new, except that a class this build of the engine does not have is
-- stood in for by a wireframe cube, so its scene still plays; any other error
-- stops the build.
local function make(kind, ...)
  local ok, result = pcall(object.new, kind, ...)
  if ok then return result end
  if string.find(result, "Class '" .. kind .. "' not found", 1, true) then return object.new("cube") end
  error(result, 2)
end
local function size(o, s) o:setScale(v(s, s, s)) end

-- 1 on every beat, falling to 0 by the next: the kick's shape.
local function pulse(time) return (1 - (time / BEAT) % 1) ^ 3 end

-- A scene's objects are listed as they are placed, so that only the scene on
-- screen is drawn. `into` is the parent (the picture when nil).
local function stage()
  local s = { objects = {} }
  function s.add(o, x, y, z, scale, into)
    o:setPosition(v(x or 0, y or 0, z or 0))
    if scale then size(o, scale) end
    local parent = into or buffer
    parent:addChild(o)
    s.objects[#s.objects + 1] = o
    return o
  end
  -- Objects another scene already placed, shown in this one too.
  function s.share(list)
    for _, o in ipairs(list) do s.objects[#s.objects + 1] = o end
  end
  return s
end

-- `count` objects of class `kind` on a circle of `radius` at height `y`.
local function circle(s, count, radius, y, kind)
  local list = {}
  for i = 0, count - 1 do
    local a = i / count * 2 * math.pi
    list[#list + 1] = s.add(make(kind), math.cos(a) * radius, y, math.sin(a) * radius)
  end
  return list
end

-- Objects of a circle going round the centre, bobbing, tumbling and swelling on
-- the beat; `speed` in radians a second, `scale` their size between beats.
local function swirl(list, radius, y, speed, scale, time)
  for i, o in ipairs(list) do
    local a = (i - 1) / #list * 2 * math.pi + time * speed
    o:setPosition(v(math.cos(a) * radius, y + math.sin(time * 2 + i), math.sin(a) * radius))
    o:setRotation(v(time * 40 + i * 30, time * 25, 0))
    size(o, scale * (1 + 0.6 * pulse(time)))
  end
end

-- The open sea under the scattering sky, made once and shared by every scene
-- above the water. The water sits 6 units down so the orbit's centre floats.
-- The ocean's patch is 32 x 32 vertices 2 apart, drawn 8 x 8 times at twice
-- its size (about 1,000 units across): at 64 x 64 a software rasteriser spent
-- half of each frame on its 500,000 triangles, for waves that look the same.
local seaObjects
local function sea(s)
  if not seaObjects then
    local own = stage()
    own.add(make("skydome", 48, 96, 5000))
    own.add(make("radial_grid"), 0, -8.5, 0)
    own.add(make("ocean", 32, 2, 0.0004, 11, 1, 0.35), 0, -6, 0, 2)
    seaObjects = own.objects
  end
  s.share(seaObjects)
end

-- The camera path, flown in camera mode 3 as Camera.PathProgress runs from 0
-- to 1: in from the open sea, low along the ring corridor, through the centre
-- and out to the far side, climbing at the end.
local PATH = {
  v(0, 4, 160), v(0, 4, 120), v(0, 3, 80), v(0, 3, 40), v(0, 2, 0),
  v(0, 3, -40), v(0, 3, -80), v(0, 8, -120), v(0, 20, -160),
}

-- Scenes ----------------------------------------------------------------------
-- Each returns its stage with an optional animate(time, t): time is the
-- soundtrack position, t the seconds since the scene began.

-- Bars 0-3, intro. Out of black, dawn over a calm sea: the sun comes up at the
-- horizon ahead and the sky turns from deep blue to gold; the camera drifts.
local function dawn()
  local s = stage()
  sea(s)
  return s
end

-- Bars 4-7, build-up. A wireframe grid, lifted by scrolling noise, hangs over
-- the sea; a ring of twelve cubes rises out of the water and beats with the kick.
local function gridAwakes()
  local s = stage()
  sea(s)
  s.add(make("grid"), 0, 40, 0)
  local cubes = circle(s, 12, 24, -4, "cube")
  function s.animate(time, t)
    swirl(cubes, 24, -4 + 10 * math.min(t / (4 * BAR), 1), 0.2, 2, time)
  end
  return s
end

-- Bars 8-11, build-up. In the dark between the grid and a particle haze, needles
-- and flakes burst from a spiral on every bar while coloured particles gather to
-- the centre; the camera flies in along its path. One beat of depth buffer
-- before the white-out. Behind it all a backdrop coloured by the way the camera
-- looks: black while it faces the centre, turning blue once it has flown past.
local function gathering()
  local s = stage()
  s.add(make("cubemapDebug"))  -- first, so the drifters' glow is drawn over it
  s.add(make("grid"), 0, 30, 0)
  for i = 1, 96 do
    local a = i * 2.39996
    local radius = 4 + (i % 12)
    s.add(make((i % 2 == 0) and "needle" or "flake"),
          math.cos(a) * radius, ((i * 7) % 9 - 4) * 1.2, math.sin(a) * radius)
  end
  -- The scale sizes the cloud's box when it is built.
  s.add(make("particleCloud", 12000, v(1.0, 0.55, 0.25)), 0, 0, 0, 60)
  local rings = {}
  for i, step in ipairs({ 60, 45, 30, 7 }) do rings[i] = s.add(make("ring", 3 + i * 3, step)) end
  function s.animate(time)
    for i, r in ipairs(rings) do
      r:setRotation(v(90, time * (20 + 10 * i) * (i % 2 == 0 and -1 or 1), (i - 2.5) * 12))
    end
  end
  -- The drifters fly for one bar and start over under the flash on the next.
  function s.clock(time) return time % BAR end
  return s
end

-- Bars 12-15, drop. Crash: a diamond turns in the middle of a mirrored sky and
-- a chrome sphere circles it; the picture flashes on the beat.
local function diamondDrop()
  local s = stage()
  s.add(make("skybox", "res/textures/SkyboxTex.jpg"))
  local diamond = s.add(make("diamond"), 0, 0, 0, 5)
  local sphere = s.add(make("sphere", 48, 64, 2.5), 12, 0, 0)
  function s.animate(time)
    diamond:setRotation(v(15 * math.sin(time), time * 60, 0))
    size(diamond, 5 + 0.8 * pulse(time))
    local a = time * 1.4
    sphere:setPosition(v(math.cos(a) * 12, 2 * math.sin(time * 2), math.sin(a) * 12))
  end
  return s
end

-- Bars 16-19, drop. The flight: low over the sea through a corridor of rings
-- that stand on the water, past cubes spinning on the beat, under the grid.
local function flight()
  local s = stage()
  sea(s)
  s.add(make("grid"), 0, 40, 0)
  local gates = {}
  for i = 0, 8 do
    local z = 140 - i * 35
    gates[#gates + 1] = s.add(make("ring", 9, 20), 0, 4, z)
    s.add(make("cube"), (i % 2 == 0) and -14 or 14, 2, z, 3)
  end
  function s.animate(time)
    for i, g in ipairs(gates) do g:setRotation(v(0, 0, time * 45 * (i % 2 == 0 and 1 or -1))) end
  end
  return s
end

-- Bars 20-27, breakdown. Under the sea: a school of fish swims over the sand in
-- the blue haze, plankton drifts, a pearl fish statue turns beside a mossy rock
-- and a pearl sphere. In bars 26-27 the camera lifts towards the light.
local function underTheSea()
  local s = stage()
  s.add(make("underseaBox"), 0, 0, 0, 300)
  s.add(make("seaFloorGrid", 128, 2.0), 0, -24, 0)
  s.add(make("boids"))
  s.add(make("particleCloud", 20000, v(0.55, 0.85, 1.0)), 0, 0, 0, 70)
  local statue = s.add(make("model", "res/models/Fish.exm", "res/shaders/VN.vert",
                                  "res/shaders/Iridescent.frag"), 0, -8, 10, 3)
  s.add(make("texturedModel", "res/models/Rock.exm", "res/textures/Rock.png"), 2, -12, -9, 5)
  s.add(make("sphere", 32, 48, 2.0), -8, -10, 4)
  function s.animate(time)
    statue:setRotation(v(0, -time * 20, 0))
  end
  return s
end

-- Bars 28-35, second peak. Crash and back above the water at sunset: the
-- diamond hangs over the sea in a halo of rings, particles spiral round it and
-- cubes circle; the camera cuts every two bars (orbit, low look-at, the path,
-- high orbit) and the picture flashes on every beat.
local function sunsetPeak()
  local s = stage()
  sea(s)
  local diamond = s.add(make("diamond"), 0, 2, 0, 4)
  local halo = {}
  for i = 1, 3 do halo[i] = s.add(make("ring", 6 + 3 * i, 10)) end
  s.add(make("particleCloud", 8000, v(1.0, 0.8, 0.5)), 0, 2, 0, 30)
  local cubes = circle(s, 8, 18, 2, "cube")
  function s.animate(time)
    diamond:setRotation(v(0, time * 90, 10 * math.sin(time)))
    size(diamond, 4 + pulse(time))
    for i, r in ipairs(halo) do r:setRotation(v(90 + 20 * math.sin(time + i), time * 30 * i, 0)) end
    swirl(cubes, 18, 2, -0.5, 1.5, time)
  end
  return s
end

-- Bars 36-39, outro. The sun sinks below the horizon, the sky darkens and the
-- diamond turns slowly over the sea as the picture fades to black.
local function nightfall()
  local s = stage()
  sea(s)
  local diamond = s.add(make("diamond"), 0, 2, 0, 4)
  function s.animate(time) diamond:setRotation(v(0, time * 20, 0)) end
  return s
end

-- The running order: the first bar of each scene, cut on the bar.
local SHOW = {
  { bar = 0, scene = dawn },
  { bar = 4, scene = gridAwakes },
  { bar = 8, scene = gathering },
  { bar = 12, scene = diamondDrop },
  { bar = 16, scene = flight },
  { bar = 20, scene = underTheSea },
  { bar = 28, scene = sunsetPeak },
  { bar = 36, scene = nightfall },
}

-- Protocol ----------------------------------------------------------------------

function build()
  local root = scene.getRoot()
  -- The sky as seen from the centre, six faces a frame, for the ocean, the
  -- sphere, the diamond and the sky box; under the sea it holds the water.
  environment = object.new("sceneCubeBuffer", 256, 256, "RGBA16F")
  root:addChild(environment)
  reflectedSky = make("skydome", 32, 64, 5000)
  environment:addChild(reflectedSky)
  reflectedWater = make("underseaBox")
  reflectedWater:setScale(v(300, 300, 300))
  environment:addChild(reflectedWater)

  -- The picture: half-float so highlights survive into the bloom, with the
  -- window's multisampling (resolved by the post processor).
  buffer = object.new("sceneBuffer", window.getWidth(), window.getHeight(), 1, true, "RGBA16F",
                      window.getFSAALevel())
  root:addChild(buffer)

  -- Not drawn (it is not in the picture): it only carries the path.
  camera = object.new("camera")
  root:addChild(camera)
  scene.setActiveCamera(camera)
  scene.setCameraPath(PATH)

  scenes = {}
  for i, entry in ipairs(SHOW) do
    scenes[i] = entry.scene()
    scenes[i].bar = entry.bar
    scenes[i].underwater = entry.scene == underTheSea
  end
  current = nil
  return true
end

function update(step)
  scene.getRoot():update(step)
end

local function sceneAt(time)
  local bar = time / BAR
  local found = scenes[1]
  for _, s in ipairs(scenes) do
    if bar >= s.bar then found = s end
  end
  return found
end

local function show(s)
  for _, other in ipairs(scenes) do
    for _, o in ipairs(other.objects) do o:setVisible(false) end
  end
  for _, o in ipairs(s.objects) do o:setVisible(true) end
  current = s
end

function render(time)
  local s = sceneAt(time)
  if s ~= current then show(s) end
  if s.animate then s.animate(time, time - s.bar * BAR) end
  reflectedSky:setVisible(not s.underwater)
  reflectedWater:setVisible(s.underwater)
  environment:render(time)
  buffer:render(s.clock and s.clock(time) or time)
  scene.postProcessBufferNode(buffer)
end
