// The GL objects all needles share, and those all flakes share: one mesh and
// Wireframe program each, made once by the scene at start-up and kept across
// script reloads.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/ShaderProgram.h"

struct SharedShape {
    Mesh mesh;
    ShaderProgram shader;
};

bool initNeedleData();
void releaseNeedleData();
bool initFlakeData();
void releaseFlakeData();

const SharedShape& needleData();
const SharedShape& flakeData();
