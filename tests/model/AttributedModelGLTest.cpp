// Handle drawing, seen through OpenGL selection: which names are hit and
// whether the caller's matrix survives. Needs a display (skipped without).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "tests/model/TestModel.h"
#include "tests/paint/PaintTestSupport.h"

namespace {

// Selects with a view volume of [-10, 10] on every axis; returns the names hit.
std::vector<GLuint> pickHandles(TestModel& m, bool* matrixKept)
{
    GLuint buffer[64] = {0};
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.5f, 0.0f, 0.0f);
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    glSelectBuffer(64, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    m.drawHandles(GL_SELECT);
    GLint hits = glRenderMode(GL_RENDER);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    *matrixKept = std::equal(before, before + 16, after);
    std::vector<GLuint> names;
    // Each record: name count, min depth, max depth, the names.
    for (GLint h = 0, at = 0; h < hits; ++h) {
        GLuint count = buffer[at];
        names.push_back(buffer[at + 3 + count - 1]);
        at += 3 + count;
    }
    return names;
}

} // namespace

TEST(AttributedModelGLTest, handles_are_picked_by_number_at_the_model_position)
{
    if (!painttest::ensureGlContext())
        GTEST_SKIP() << "no display";
    TestModel m;
    bool kept = false;
    EXPECT_TRUE(pickHandles(m, &kept).empty());
    EXPECT_TRUE(kept);

    m.enableHandles();
    EXPECT_EQ((std::vector<GLuint>{1, 2, 3}), pickHandles(m, &kept));
    EXPECT_TRUE(kept);

    // Moved so far that only the handle offset along z stays in view.
    m.setAttribute("x", 30.0);
    m.adjustHandle(3, -30.0, 0.0, 0.0);
    EXPECT_EQ((std::vector<GLuint>{3}), pickHandles(m, &kept));
    EXPECT_TRUE(kept);
    EXPECT_EQ(GL_NO_ERROR, glGetError());
}
