// Definitions of the shared scene state, with the values they hold before
// main() runs. The maps are built by static initialisation; the class
// registry is defined here too, beside the other maps, and is exported.
#include "scene/SceneState.h"

#include "plugins/ClassRegistry.h"

// Built in this order and destroyed in the reverse order, should the process
// ever end without the exit handler's signal.
std::map<const char*, AnimatedModel*, cmp_str> models;
std::map<const char*, position*, cmp_str> poses;
std::map<char*, model_factory, cmp_str> model_classes;
std::map<const char*, control_map*, cmp_str> control_schemes;

AnimatedModel* current_model = nullptr;
control_map* current_controls = nullptr;
BrushModel* brush = nullptr;
PaintSession* paint_session = nullptr;
pthread_mutex_t modelListMutex;

// The window thread must never wait on a setting.
static_assert(std::atomic<double>::is_always_lock_free && std::atomic<GLfloat>::is_always_lock_free);
std::atomic<double> control_step = 4.0;
std::atomic<double> background_color[3] = {0.0, 0.0, 0.0};
std::atomic<GLfloat> handle_color[3] = {1.0f, 0.0f, 0.0f};

std::atomic<bool> quit = false;
std::atomic<bool> showFPS = false;
std::atomic<bool> showPos = false;
std::atomic<bool> painting = false;
std::atomic<bool> surface_painting = true;
std::atomic<bool> game_mode = false;
bool headless_run = false;
