// The scene state the window thread and the console thread share.
// Everything here is defined once, in SceneState.cpp.
#pragma once

#include <GL/gl.h>
#include <pthread.h>

#include <atomic>
#include <map>

#include "model/AnimatedModel.h"
#include "model/ModelTypes.h"
#include "paint/BrushModel.h"
#include "plugins/ClassRegistry.h"
#include "viewer/ArcBall.h"

typedef void (*command_handler)(char** args);

extern std::map<const char*, AnimatedModel*, cmp_str> models;
extern AnimatedModel* current_model;
extern std::map<char*, command_handler, cmp_str> commandMap;
extern std::map<const char*, position*, cmp_str> poses;
extern std::map<const char*, control_map*, cmp_str> control_schemes;
extern control_map* current_controls;
extern BrushModel* brush;

extern double control_step;
extern double background_color[3];
extern GLfloat handle_color[3];
extern const int FPS;
extern pthread_mutex_t modelListMutex;

extern std::atomic<bool> quit;
extern std::atomic<bool> showFPS;
extern std::atomic<bool> showPos;
extern std::atomic<bool> painting;
extern std::atomic<bool> game_mode;

extern GLdouble modelTrans[3];
extern Matrix4fT transformMatrix;
extern Matrix3fT lastRotation;
extern Matrix3fT currentRotation;
extern ArcBall_t arcBall;

extern bool leftDown;
extern bool dragging_brush;
extern int selected_handle;
extern GLdouble last_click[3];
extern GLfloat last_z;
