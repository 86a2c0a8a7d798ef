// What start-up needs of the console: the thread's entry point, the
// start-up key bindings, and handing the terminal back at exit.
#pragma once

// How the console ends the process once `quit` is set: start-up hands it in,
// since only start-up knows how the window thread must be stopped first.
using ConsoleEnd = void (*)();

// The console thread: reads and runs lines until `quit`, then ends the
// process through the ConsoleEnd that `endHook` points at. Start it only once
// start-up is complete: lines typed ahead run at once.
void* enterConsoleLoop(void* endHook);
// Creates the "Default" key bindings and makes them current.
void initControls();
// At process exit: gives the terminal back, whether or not a line is being
// read. Signal dispositions are left as they are: an interrupt signal ignored
// from the start stays ignored.
void releaseConsole();
