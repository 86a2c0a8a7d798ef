// Scene rendering: fixed camera and lights, the two text overlays, the scene
// transform (translation then arcball rotation) and the model pass, which
// runs under the model-list mutex so the console never changes the list
// in the middle of a frame. The texts are drawn first, with their own state,
// so whatever the last frame's models left behind never tints them. A
// picture the console waits for is read from each finished frame.
#include "viewer/Render.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdio>

#include "model/Windowless.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"
#include "scene/ScreenCapture.h"
#include "viewer/FrameRateMeter.h"
#include "viewer/ModelPasses.h"
#include "viewer/OverlayFont.h"
#include "viewer/WindowState.h"

namespace {

const int kFPSBufferSize = 20;
const int kPosBufferSize = 40;

void setOverlayMaterial() {
    const GLfloat green[] = {0.0f, 1.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, green);
}

// The state a text's raster position and bitmap take from what was drawn
// before, set as a fresh context has it: the lit colour comes from the
// normal facing the camera, and no texture falls on the glyphs. The caller
// saves and restores it around the text.
void setOverlayState() {
    setOverlayMaterial();
    glNormal3f(0.0f, 0.0f, 1.0f);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Draws a text with the overlay state, leaving the frame's state as it was.
void drawOverlayText(char* text) {
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT);
    glPushMatrix();
    setOverlayState();
    drawString(text);
    glPopMatrix();
    glPopAttrib();
}

}  // namespace

bool formatFPS(char* buf, int size, double fps) {
    const int n = std::snprintf(buf, size, "fps: %3.2f", fps);
    if (n >= size) {
        std::printf("FPS string buffer overflow error [%s]!\n", buf);
        return false;
    }
    return true;
}

bool formatPos(char* buf, int size, const double pos[3]) {
    const int n = std::snprintf(buf, size, "pos: (%3.2f, %3.2f, %3.2f)", pos[0], pos[1], pos[2]);
    if (n >= size) {
        std::printf("pos string buffer overflow error [%s]!\n", buf);
        return false;
    }
    return true;
}

void setUpProjection(int w, int h) {
    glViewport(0, 0, w, h);
    // A window folded to no height must not divide by zero.
    const double aspect = static_cast<double>(w) / static_cast<double>(h < 1 ? 1 : h);
    gluPerspective(60.0, aspect, 1.0, 90.0);
    window_state.arcBall.setBounds(static_cast<GLfloat>(w), static_cast<GLfloat>(h));
    glMatrixMode(GL_MODELVIEW);
}

void reshapeCallback(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setUpProjection(w, h);
    glutPostRedisplay();
}

void setUpView() {
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 5.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glTranslatef(0.0f, -12.0f, 0.0f);
}

void setUpLight() {
    const GLfloat light0_pos[] = {0.0f, 0.0f, 5.0f, 0.0f};
    const GLfloat light1_pos[] = {-3.0f, 4.0f, -1.0f, 0.0f};
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glLightfv(GL_LIGHT0, GL_POSITION, light0_pos);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT1, GL_POSITION, light1_pos);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, white);
}

void setUpModelTransform() {
    const GLdouble* trans = window_state.modelTrans;
    glTranslatef(static_cast<GLfloat>(trans[0]), static_cast<GLfloat>(trans[1]), static_cast<GLfloat>(trans[2]));
    glMultMatrixf(window_state.transformMatrix.M);
}

void drawString(char* text) {
    glPushMatrix();
    glRasterPos2f(0.0f, 0.0f);
    for (const char* c = text; *c; ++c)
        drawOverlayCharacter(*c);
    glPopMatrix();
}

void drawFPS(double fps) {
    char text[kFPSBufferSize];
    formatFPS(text, kFPSBufferSize, fps);
    drawOverlayText(text);
}

void drawPos() {
    char text[kPosBufferSize];
    formatPos(text, kPosBufferSize, window_state.modelTrans);
    drawOverlayText(text);
}

void display() {
    static FrameRateMeter frame_rate;

    glClearColor(static_cast<GLfloat>(background_color[0].load()), static_cast<GLfloat>(background_color[1].load()),
                 static_cast<GLfloat>(background_color[2].load()), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    setUpView();
    setUpLight();

    if (showFPS) {
        const double fps = frame_rate.frameAt(FrameRateMeter::Clock::now());
        glPushMatrix();
        glTranslatef(-10.0f, 22.0f, -15.0f);
        drawFPS(fps);
        glPopMatrix();
    }
    if (showPos) {
        glPushMatrix();
        glTranslatef(-10.0f, 1.0f, -15.0f);
        drawPos();
        glPopMatrix();
    }

    setUpModelTransform();
    {
        ModelListLock lock("display - mutex lock error", "display - mutex unlock error", ModelListLock::kNoNewline);
        drawModels();
    }
    // A picture asked for is this very frame, read before it is shown.
    captureIfAsked();
    // Offscreen, the back buffer is the picture: there is nothing to show.
    if (!windowless())
        glutSwapBuffers();
}
