// Start-up pieces that main() calls in order, the timer tick and the exit
// handler.
#pragma once

void initModels(int argc, char** argv);
void initMatrices();
void openWindow(int* argc, char** argv);
void timerCallback(int value);
void exitCode();
