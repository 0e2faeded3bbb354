// The GL objects all needles share, and those all flakes share: one vertex
// array, vertex and index buffer and Wireframe program each, made once by the
// scene at start-up and kept across script reloads.
#pragma once
#include "gfx/ShaderProgram.h"

#include <GL/glew.h>

struct SharedShape {
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    ShaderProgram shader;
};

bool initNeedleData();
void releaseNeedleData();
bool initFlakeData();
void releaseFlakeData();

const SharedShape& needleData();
const SharedShape& flakeData();
