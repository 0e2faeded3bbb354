-- Example scene: the open sea. Copy over res/scripts/scene.lua to start from it.
-- A scattering sky dome is rendered into a cube buffer at the top of the tree;
-- the FFT ocean, the radial water disc and the sky box all reflect or show that
-- cube map. The visible sky is the dome itself (the sky box takes over for a
-- while in the middle, showing the same sky through the cube map), the water
-- disc carries the sea to the horizon, and a noise-lifted wireframe grid hovers
-- above it. Camera.* drive the orbit camera; Sun.* and Sky.* the sky; Ocean.*
-- and DisplacementScale the waves; Grid.* the grid.
-- Tracks read here: Sea.SkyBox, Grid.Visible.

local buffer, sky, box, grid

function build()
  -- Reflections: the sky as seen from the origin, six faces each frame.
  local environment = object.new("sceneCubeBuffer", 128, 128, "RGBA16F")
  environment:addChild(object.new("skydome", 32, 64, 5000))
  scene.getRoot():addChild(environment)

  buffer = object.new("sceneBuffer", window.getWidth(), window.getHeight(), 1, true, "RGBA16F",
                      window.getFSAALevel())
  scene.getRoot():addChild(buffer)

  -- With a cube buffer at the top, the sky box shows it instead of its image.
  box = object.new("skybox", "res/textures/SkyboxTex.jpg")
  buffer:addChild(box)
  sky = object.new("skydome", 48, 96, 5000)
  buffer:addChild(sky)

  -- The disc sits a little below the ocean so the waves' troughs never meet it;
  -- it carries the water from the ocean's edge to the horizon.
  local disc = object.new("radial_grid")
  disc:setPosition(vector3.new(0, -2.5, 0))
  buffer:addChild(disc)

  -- 64 x 64 vertices a unit apart: a 63-unit patch, tiled 8 x 8.
  local ocean = object.new("ocean", 64, 1, 20, 11, 1, 0.35)
  ocean:setScale(vector3.new(2, 2, 2))
  buffer:addChild(ocean)

  grid = object.new("grid")
  grid:setPosition(vector3.new(0, 40, 0))
  buffer:addChild(grid)
  return true
end

function update(step)
  scene.getRoot():update(step)
end

function render(time)
  local showBox = sync.getBool("Sea.SkyBox")
  box:setVisible(showBox)
  sky:setVisible(not showBox)
  grid:setVisible(sync.getBool("Grid.Visible"))
  scene.getRoot():render(time)
  scene.postProcessBufferNode(buffer)
end
