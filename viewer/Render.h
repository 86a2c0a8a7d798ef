// One frame of the scene, the projection, and the set-up steps that picking
// shares with drawing so both see exactly the same transform.
#pragma once

void display();
void reshapeCallback(int w, int h);
void setUpProjection(int w, int h);
void setUpView();
void setUpLight();
void setUpModelTransform();
void drawString(char* text);
void drawFPS(double fps);
void drawPos();

// Formats the overlay texts into buffers of the given size; returns false
// (after printing the overflow message) when the text had to be cut.
bool formatFPS(char* buf, int size, double fps);
bool formatPos(char* buf, int size, const double pos[3]);
