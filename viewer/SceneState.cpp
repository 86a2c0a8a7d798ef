// Definitions of the shared scene state, with the values they hold before
// main() runs. The maps and the arcball are built by static initialisation.
#include "viewer/SceneState.h"

#include <cstring>

bool cmp_str_commands::operator()(const char* a, const char* b) const {
    return std::strcmp(a, b) < 0;
}

std::map<char*, command_handler, cmp_str_commands> commandMap;
ArcBall_t arcBall(500.0f, 500.0f);

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
