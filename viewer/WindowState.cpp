// The window thread's own state. Start-up sets the rotation matrices to the
// identity before the window opens; no other thread touches any of it.
#include "viewer/WindowState.h"

WindowState window_state;
