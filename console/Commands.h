// Every console command handler. Each receives the words after the command
// name as a null-terminated array and prints its own messages.
#pragma once

#include "scene/Visibility.h"

void cmd_add(char** args);
void cmd_animate(char** args);
void cmd_delete(char** args);
void cmd_exec(char** args);
void cmd_get(char** args);
void cmd_help(char** args);
void cmd_list(char** args);
void cmd_load(char** args);
void cmd_loadclass(char** args);
void cmd_new(char** args);
void cmd_paint(char** args);
void cmd_pick(char** args);
void cmd_quit(char** args);
void cmd_recover(char** args);
void cmd_redo(char** args);
void cmd_save(char** args);
void cmd_select(char** args);
void cmd_set(char** args);
void cmd_speed_control(char** args);
void cmd_toggle(char** args);
void cmd_undo(char** args);

// The pose, script and binding forms of `new` and the control and script
// forms of `select`; cmd_new and cmd_select have checked the first word and
// pass their whole argument array.
void newPoseCommand(char** args);
void newScriptCommand(char** args);
void newBindingCommand(char** args);
void selectControlCommand(char** args);
void selectScriptCommand(char** args);
// The screenshot form of `save`, given save's whole argument array.
void saveScreenshotCommand(char** args);

// The sub-words of new, select, load, save, list and toggle: the very tables
// those commands dispatch with.
struct SubCommandTable;
SubCommandTable newForms();
SubCommandTable selectForms();
SubCommandTable loadForms();
SubCommandTable saveForms();
SubCommandTable listForms();
SubCommandTable toggleForms();

// The words `new script` and `select script` take for what a script does after
// its last step, each at the index of the behaviour's number.
inline constexpr const char* kScriptBehaviourWords[] VELMORA_HIDDEN = {"terminate", "repeat", "reverse",
                                                                       "reverse_once"};
