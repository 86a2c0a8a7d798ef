// The passes over the model list that the timer and the frame make while
// they hold the model-list mutex.
#pragma once

// Steps every model; true if any of them was moving, so its pose changed.
bool stepModels();
void drawModels();
