// The state the console thread and the window thread share: the models, the
// current model, poses, key schemes, the settings and flags, and the lock.
// Everything here is read and written under modelListMutex, except the atomics.
#pragma once

#include <GL/gl.h>
#include <pthread.h>

#include <atomic>
#include <map>

#include "model/AnimatedModel.h"
#include "model/ModelTypes.h"
#include "scene/Visibility.h"

class BrushModel;
class PaintSession;

extern std::map<const char*, AnimatedModel*, cmp_str> models VELMORA_HIDDEN;
// Reachable from plug-ins.
extern AnimatedModel* current_model;
extern std::map<const char*, position*, cmp_str> poses VELMORA_HIDDEN;
extern std::map<const char*, control_map*, cmp_str> control_schemes VELMORA_HIDDEN;
extern control_map* current_controls VELMORA_HIDDEN;
extern BrushModel* brush VELMORA_HIDDEN;
// Where paint strokes begin and end and what undo takes back; made at
// start-up. Without one (null) paint is recorded nowhere.
extern PaintSession* paint_session VELMORA_HIDDEN;
extern pthread_mutex_t modelListMutex VELMORA_HIDDEN;

// Settings the console sets and the window thread reads at its next key press
// or frame. A colour is three separate values, so a frame drawn during `set`
// may show one component early; the next frame shows all three.
extern std::atomic<double> control_step VELMORA_HIDDEN;
extern std::atomic<double> background_color[3] VELMORA_HIDDEN;
extern std::atomic<GLfloat> handle_color[3] VELMORA_HIDDEN;

extern std::atomic<bool> quit VELMORA_HIDDEN;
extern std::atomic<bool> showFPS VELMORA_HIDDEN;
extern std::atomic<bool> showPos VELMORA_HIDDEN;
extern std::atomic<bool> painting VELMORA_HIDDEN;
// A painting drag that starts on the current model keeps the brush on its surface.
extern std::atomic<bool> surface_painting VELMORA_HIDDEN;
extern std::atomic<bool> game_mode VELMORA_HIDDEN;
// --headless was given: the run shows no window and its exit status says
// whether every command succeeded. Set once, before any thread starts.
extern bool headless_run VELMORA_HIDDEN;
