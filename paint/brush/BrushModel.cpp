// The brush is an animated model like any other, so console commands, key
// bindings and scripts can move, colour and size it. Its inside test goes
// through a snapshot, the same one the painter takes once per paint call;
// draw is its only GL code.
#include "paint/brush/BrushModel.h"

#include <GL/glut.h>

#include "paint/brush/PaintGeometry.h"

BrushModel::BrushModel(const char* name) : shape(SPHERE) {
    model_name = name;
    class_name = "BrushModel";
    attributes["red"] = 1.0;
    attributes["green"] = 1.0;
    attributes["blue"] = 1.0;
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    attributes["dim1"] = 1.0;
    attributes["dim2"] = 1.0;  // kept for scripts and files; nothing reads it
    attributes["opacity"] = 0.5;
    attributes["solid_dim1"] = 0.6;
    animate = true;
}

BrushModel::~BrushModel() {}

void BrushModel::setShape(brush_shape shape_) {
    shape = shape_;
}

brush_shape BrushModel::getShape() {
    return shape;
}

bool BrushModel::contains(const float* point, float& dist) {
    return snapshot().contains(point, dist);
}

BrushSnapshot BrushModel::snapshot() const {
    BrushSnapshot b;
    b.sphere = shape == SPHERE;
    const char* axes[3] = {"x", "y", "z"};
    for (int k = 0; k < 3; ++k) {
        b.position[k] = getAttribute(axes[k]);
        b.center[k] = static_cast<float>(b.position[k]);
    }
    b.radius = getAttribute("dim1");
    b.solidRadius = static_cast<float>(getAttribute("solid_dim1"));
    b.opacity = getAttribute("opacity");
    b.colour[0] = paintColorByte(getAttribute("red"));
    b.colour[1] = paintColorByte(getAttribute("green"));
    b.colour[2] = paintColorByte(getAttribute("blue"));
    return b;
}

void BrushModel::draw() {
    glPushMatrix();
    GLfloat colour[4] = {static_cast<GLfloat>(getAttribute("red")), static_cast<GLfloat>(getAttribute("green")),
                         static_cast<GLfloat>(getAttribute("blue")), 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(static_cast<GLfloat>(getAttribute("x")), static_cast<GLfloat>(getAttribute("y")),
                 static_cast<GLfloat>(getAttribute("z")));
    glEnable(GL_NORMALIZE);
    if (shape == SPHERE)
        glutWireSphere(getAttribute("dim1"), 7, 7);  // the solid radius is not shown
    glDisable(GL_NORMALIZE);
    glPopMatrix();
}
