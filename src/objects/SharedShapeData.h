// The GL objects all needles share, and those all flakes share: one mesh and
// Wireframe program each, made once by the scene at start-up and kept across
// script reloads.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"

struct SharedShape {
    Mesh mesh;
    DrawState draw;
};

bool initNeedleData();
void releaseNeedleData();
bool initFlakeData();
void releaseFlakeData();

SharedShape& needleData();
SharedShape& flakeData();
