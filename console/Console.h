// What start-up needs of the console: the thread's entry point, the
// start-up key bindings, and handing the terminal back at exit.
#pragma once

// The console thread: reads and runs lines until `quit`, then exit(0).
void* enterConsoleLoop(void* unused);
// Creates the "Default" key bindings and makes them current.
void initControls();
// At process exit: gives the terminal back and takes readline's handler off
// the interrupt signal, whether or not a line is being read.
void releaseConsole();
