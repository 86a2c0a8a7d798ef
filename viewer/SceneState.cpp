// Definitions of the shared scene state, with the values they hold before
// main() runs. The maps and the arcball are built by static initialisation.
#include "viewer/SceneState.h"

// Built in this order and destroyed in the reverse order, should the process
// ever end without the exit handler's signal.
std::map<const char*, AnimatedModel*, cmp_str> models;
std::map<char*, command_handler, cmp_str> commandMap;
std::map<const char*, position*, cmp_str> poses;
std::map<char*, model_factory, cmp_str> model_classes;
std::map<const char*, control_map*, cmp_str> control_schemes;
ArcBall_t arcBall(500.0f, 500.0f);

AnimatedModel* current_model = nullptr;
control_map* current_controls = nullptr;
BrushModel* brush = nullptr;

double control_step = 4.0;
double background_color[3] = {0.0, 0.0, 0.0};
GLfloat handle_color[3] = {1.0f, 0.0f, 0.0f};
const int FPS = 50;
pthread_mutex_t modelListMutex;

std::atomic<bool> quit = false;
std::atomic<bool> showFPS = false;
std::atomic<bool> showPos = false;
std::atomic<bool> painting = false;
std::atomic<bool> game_mode = false;

GLdouble modelTrans[3] = {0.0, 12.0, -2.0};
Matrix4fT transformMatrix;
Matrix3fT lastRotation;
Matrix3fT currentRotation;

bool leftDown = false;
bool dragging_brush = false;
int selected_handle = -1;
GLdouble last_click[3] = {0.0, 0.0, 0.0};
GLfloat last_z = 0.0f;
