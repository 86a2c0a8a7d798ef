// Pose, script, binding and setting commands, not built yet: they are in the
// table so help and completion list them, and do nothing for now.
#include "console/Commands.h"

void cmd_add(char**) {}
void cmd_animate(char**) {}
void cmd_get(char**) {}
void cmd_paint(char**) {}
void cmd_set(char**) {}
void cmd_speed_control(char**) {}
void cmd_toggle(char**) {}
void newPoseCommand(char**) {}
void newScriptCommand(char**) {}
void newBindingCommand(char**) {}
void selectControlCommand(char**) {}
void selectScriptCommand(char**) {}
void initControls() {}
