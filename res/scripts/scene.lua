-- The shipped show: wireframe cubes, rings, needles and flakes under the orbit
-- camera of the Camera.* tracks, rendered into a multisampled scene buffer and
-- finished by the post processor (bloom, fades, flashes: the FX.* tracks).
-- Tracks read here: Cubes.Scale, Cubes.Spin, Rings.Visible, Rings.Spin; the
-- needles and flakes read Needles.Fade, Flakes.Visible and Flakes.Fade.

local BPM = 106
-- Needles and flakes burst out of their spiral at every bar and drift at up
-- to 5 units a second until the next bar, where FX.Flash hides the jump back.
local BAR_SECONDS = 4 * 60 / BPM

local buffer, cubes, rings

local function place(kind, x, y, z, ...)
  local o = object.new(kind, ...)
  o:setPosition(vector3.new(x, y, z))
  buffer:addChild(o)
  return o
end

function build()
  cubes, rings = {}, {}
  -- Everything is drawn off screen, half-float so highlights survive into the
  -- bloom, with the window's multisampling (resolved by the post processor).
  buffer = object.new("sceneBuffer", window.getWidth(), window.getHeight(), 1, true, "RGBA16F",
                      window.getFSAALevel())
  scene.getRoot():addChild(buffer)

  cubes[1] = { object = place("cube", 0, 0, 0), size = 4 }
  for i = 0, 11 do
    local a = i / 12 * 2 * math.pi
    local c = place("cube", math.cos(a) * 10, math.sin(a * 3) * 2, math.sin(a) * 10)
    cubes[#cubes + 1] = { object = c, size = 1.25 }
  end

  -- Coarse steps make polygons, so their spin shows; 7 degrees leaves a
  -- wider closing segment.
  local steps = { 60, 45, 30, 7 }
  for i, step in ipairs(steps) do
    local r = place("ring", 0, 0, 0, 3 + i * 3, step)
    rings[i] = { object = r, tilt = (i - 2.5) * 12, spin = 0 }
  end

  -- Needles and flakes start on a golden-angle spiral around the centre.
  for i = 1, 96 do
    local kind = (i % 2 == 0) and "needle" or "flake"
    local a = i * 2.39996
    local radius = 4 + (i % 12)
    place(kind, math.cos(a) * radius, ((i * 7) % 9 - 4) * 1.2, math.sin(a) * radius)
  end

  -- The camera object carries a camera path once one is built with a controller.
  local camera = object.new("camera")
  buffer:addChild(camera)
  scene.setActiveCamera(camera)
  return true
end

function update(step)
  local spin = sync.getFloat("Cubes.Spin") * step
  for i, c in ipairs(cubes) do
    local turn = (i == 1) and -0.5 or 1
    c.object:setRotation(c.object:getRotation() + vector3.new(spin, spin * 0.7, spin * 0.3) * turn)
  end
  local ringSpin = sync.getFloat("Rings.Spin") * step
  for i, r in ipairs(rings) do
    -- Flat in XZ after the 90-degree turn about X, so Y spins it in its plane.
    r.spin = r.spin + ringSpin * (i % 2 == 0 and -1 or 1)
    r.object:setRotation(vector3.new(90, r.spin, r.tilt))
  end
  scene.getRoot():update(step)
end

function render(time)
  local beat = time * BPM / 60
  local pulse = 1 + 0.12 * (1 - beat % 1) ^ 3
  local scale = sync.getFloat("Cubes.Scale")
  for i, c in ipairs(cubes) do
    local s = c.size * scale * ((i == 1) and 1 or pulse)
    c.object:setScale(vector3.new(s, s, s))
  end
  local showRings = sync.getBool("Rings.Visible")
  for _, r in ipairs(rings) do
    r.object:setVisible(showRings)
  end

  -- Only the drifters use the render time: seconds since the bar began.
  buffer:render(time % BAR_SECONDS)
  scene.postProcessBufferNode(buffer)
end
