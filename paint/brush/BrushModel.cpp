// The brush is an animated model like any other, so console commands, key
// bindings and scripts can move, colour and size it. Its inside test goes
// through a snapshot, the same one the painter takes once per paint call;
// draw is its only GL code.
#include "paint/brush/BrushModel.h"

#include <GL/gl.h>

#include <cmath>

#include "model/StockShapes.h"
#include "paint/brush/PaintGeometry.h"
#include "paint/mesh/HandleReach.h"

namespace {

// Radii stay above 0: a brush of no size paints nothing and its handles
// would sit on its centre with no direction left to drag them in.
const double kSmallestRadius = 1e-6;
// The radius each handle sizes, in handle order, and the side of the centre it sits on.
const char* const kHandleRadii[2] = {"dim1", "solid_dim1"};
const double kHandleSide[2] = {1.0, -1.0};
// Two texels cover the half texel linear filtering reaches past an island's
// edge at full size and at the first reduction.
const double kDefaultBleed = 2.0;
const double kMostBleed = 16.0;

// An attribute that counts something, as the painter reads it: the nearest whole number.
int wholeNumber(double value) {
    return static_cast<int>(std::lround(value));
}

}  // namespace

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
    // A drag lays a dab every spacing x dim1 along its path.
    attributes["spacing"] = 0.25;
    lower_limits["spacing"] = 0.01;
    upper_limits["spacing"] = 10.0;
    attributes["mirror"] = 0.0;
    attributes["bleed"] = kDefaultBleed;
    lower_limits["mirror"] = 0.0;
    upper_limits["mirror"] = 3.0;
    lower_limits["bleed"] = 0.0;
    upper_limits["bleed"] = kMostBleed;
    for (const char* unit : {"red", "green", "blue", "opacity"}) {
        lower_limits[unit] = 0.0;
        upper_limits[unit] = 1.0;
    }
    for (const char* radius : {"dim1", "dim2", "solid_dim1"})
        lower_limits[radius] = kSmallestRadius;
    upper_bound_by["solid_dim1"] = "dim1";
    handles.resize(2);
    placeHandles();
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
    b.mirror = wholeNumber(getAttribute("mirror"));
    b.bleed = wholeNumber(getAttribute("bleed"));
    return b;
}

void BrushModel::placeHandles() {
    for (size_t i = 0; i < handles.size(); ++i)
        handles[i] = {kHandleSide[i] * getAttribute(kHandleRadii[i]), 0.0, 0.0};
}

void BrushModel::adjustHandle(unsigned int handle, double dx, double dy, double dz) {
    if (handle < 1 || handle > handles.size())
        return;
    placeHandles();
    const handle_t& at = handles[handle - 1];
    const double offset[3] = {at.x, at.y, at.z}, motion[3] = {dx, dy, dz};
    const char* radius = kHandleRadii[handle - 1];
    adjustAttribute(radius, HandleReach::along(offset, motion) - getAttribute(radius));
    placeHandles();
}

void BrushModel::drawHandles(GLenum mode) {
    // Scripts and the console change the radii without telling the handles.
    placeHandles();
    AnimatedModel::drawHandles(mode);
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
        stockWireSphere(getAttribute("dim1"), 7, 7);  // the solid radius is not shown
    glDisable(GL_NORMALIZE);
    glPopMatrix();
}
