// Model passes of the timer tick and the frame; the caller holds the lock.
#include "viewer/ModelPasses.h"

void stepModels() {}
void drawModels() {}
