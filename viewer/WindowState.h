// What only the window thread uses: the scene's translation and arcball
// rotation, and the state of a mouse drag. Rendering, input and start-up in
// viewer/ share the one instance; neither the console nor plug-ins see it.
#pragma once

#include <GL/gl.h>

#include <string>

#include "paint/DragStroke.h"
#include "scene/Visibility.h"
#include "viewer/ArcBall.h"

struct WindowState {
    // The scene transform: translation in view space, then the arcball rotation.
    GLdouble modelTrans[3] = {0.0, 12.0, -2.0};
    Matrix4fT transformMatrix{};
    // The rotation when the current arcball drag began, and during it.
    Matrix3fT lastRotation{};
    Matrix3fT currentRotation{};
    ArcBall_t arcBall{500.0f, 500.0f};

    // The left button is held; the drag moves the brush; the handle dragged (-1: none).
    bool leftDown = false;
    bool dragging_brush = false;
    int selected_handle = -1;
    // The drag keeps the brush on the current model's surface; the dabs the drag lays.
    bool surface_drag = false;
    DragStroke stroke;
    int surface_cursor[2] = {0, 0};  // where the cursor of a surface drag was last
    bool surface_left = false;       // and whether it had left the model there
    // The name of the model whose handle is dragged.
    std::string handle_owner;
    // The scene-space point under the cursor at the last press or drag step,
    // and the window depth (0..1) of the nearest object the last pick found.
    GLdouble last_click[3] = {0.0, 0.0, 0.0};
    GLfloat last_z = 0.0f;
};

extern WindowState window_state VELMORA_HIDDEN;
