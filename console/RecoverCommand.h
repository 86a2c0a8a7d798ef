// The recovery journal's place in the program's life: opened at start-up
// (saying when an earlier run left unsaved paint behind) and removed at a
// normal end. The `recover` command itself is in Commands.h.
#pragma once

// Opens this run's journal and starts its writer; a run without one (no
// state folder to be had) paints as before, with nothing to recover from.
void startRecoveryJournal();
// The program ends normally: its journal goes with it.
void endRecoveryJournal();
