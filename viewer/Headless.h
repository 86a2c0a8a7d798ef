// Running without a window: the same frames, drawn offscreen, for a console
// that drives the program from a terminal, a pipe or a command file.
#pragma once

// Takes the place of opening the window and running the GLUT loop: an
// offscreen context of width x height, the first frame, the console thread,
// then the timer ticks for ever. Never returns normally (the console ends the
// process); returns 1, after saying why, when no offscreen context can be had.
int runHeadless(int width, int height);
