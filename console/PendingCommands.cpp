// Commands whose model, pose and setting work is not built yet: they are in
// the table so help and completion list them, and do nothing for now.
#include "console/Commands.h"

void cmd_add(char**) {}
void cmd_animate(char**) {}
void cmd_delete(char**) {}
void cmd_get(char**) {}
void cmd_list(char**) {}
void cmd_load(char**) {}
void cmd_loadclass(char**) {}
void cmd_new(char**) {}
void cmd_paint(char**) {}
void cmd_save(char**) {}
void cmd_select(char**) {}
void cmd_set(char**) {}
void cmd_speed_control(char**) {}
void cmd_toggle(char**) {}
