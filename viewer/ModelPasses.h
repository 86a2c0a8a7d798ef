// The passes over the model list that the timer and the frame make while
// they hold the model-list mutex.
#pragma once

void stepModels();
void drawModels();
