// Which globals the executable keeps to itself. Plug-ins resolve the model
// framework, the class registry and the current model against the running
// executable; everything else marked with this stays out of its dynamic
// symbol table.
#pragma once

#define VELMORA_HIDDEN __attribute__((visibility("hidden")))
