-- Solids and creatures: a school of fish over the sand inside the undersea
-- box, a chrome sphere reflecting the water through a cube scene buffer, a
-- sparkling diamond, drifting plankton, a pearl fish statue with a shader of
-- its own and a lichen-covered rock. Copy it over res/scripts/scene.lua to
-- start from it. The camera is the orbit camera of the Camera.* tracks.
-- Tracks read: SeaFloor.FogDensity and SeaFloor.FogR/G/B (the floor and the
-- plankton), Particles.Collect and Particles.Spiral (the plankton).

local boids, diamond, statue

local function placed(object, x, y, z)
  object:setPosition(vector3.new(x, y, z))
  scene.getRoot():addChild(object)
  return object
end

function build()
  local root = scene.getRoot()
  -- The water seen from the centre of the scene, for the sphere to reflect.
  -- It must be the first cube buffer directly under the root.
  local reflection = object.new("sceneCubeBuffer", 256, 256, "RGBA")
  root:addChild(reflection)
  local mirrored = object.new("underseaBox")
  mirrored:setScale(vector3.new(300, 300, 300))
  reflection:addChild(mirrored)
  local mirroredFloor = object.new("seaFloorGrid", 64, 4.0)
  mirroredFloor:setPosition(vector3.new(0, -24, 0))
  reflection:addChild(mirroredFloor)

  local water = placed(object.new("underseaBox"), 0, 0, 0)
  water:setScale(vector3.new(300, 300, 300))
  placed(object.new("seaFloorGrid", 128, 2.0), 0, -24, 0)

  boids = placed(object.new("boids"), 0, 0, 0)

  local sphere = placed(object.new("sphere", 48, 64, 3.0), -9, 1, 2)
  diamond = placed(object.new("diamond"), 9, 2, -1)
  diamond:setScale(vector3.new(3, 3, 3))

  statue = placed(object.new("model", "res/models/Fish.exm", "res/shaders/VN.vert",
                             "res/shaders/Iridescent.frag"), 0, -8, 10)
  statue:setScale(vector3.new(3, 3, 3))
  local rock = placed(object.new("texturedModel", "res/models/Rock.exm", "res/textures/Rock.png"), 2, -12, -9)
  rock:setScale(vector3.new(5, 5, 5))

  -- The scale sizes the cloud's box when it is built; it is not drawn scaled.
  local plankton = object.new("particleCloud", 20000, vector3.new(0.55, 0.85, 1.0))
  plankton:setScale(vector3.new(70, 30, 70))
  placed(plankton, 0, 0, 0)
  return true
end

local spin = 0

function update(step)
  spin = spin + step * 40
  scene.getRoot():update(step)
end

function render(time)
  diamond:setRotation(vector3.new(20 * math.sin(time * 0.5), spin, 0))
  statue:setRotation(vector3.new(0, -spin * 0.5, 0))
  scene.getRoot():render(time)
end
