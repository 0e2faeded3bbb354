// The test context itself: a 3.3 core profile whose default framebuffer we can
// draw to and read back. Every other gl test relies on this.
#include "GlContext.h"

#include <gtest/gtest.h>

TEST(GlContext, IsCoreProfileAtLeast33AndReadsBackAClear) {
    GLint major = 0;
    GLint minor = 0;
    GLint mask = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    EXPECT_GE(major * 10 + minor, 33);
    EXPECT_TRUE(mask & GL_CONTEXT_CORE_PROFILE_BIT);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 256, 256);
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    auto px = test::readPixels(128, 128, 1, 1);
    EXPECT_EQ(px[0], 255);
    EXPECT_NEAR(px[1], 128, 1);
    EXPECT_EQ(px[2], 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
