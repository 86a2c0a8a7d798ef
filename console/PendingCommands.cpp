// Model, class and file commands not built yet: they are in the table so
// help and completion list them, and do nothing for now.
#include "console/Commands.h"

void cmd_delete(char**) {}
void cmd_list(char**) {}
void cmd_load(char**) {}
void cmd_loadclass(char**) {}
void cmd_new(char**) {}
void cmd_save(char**) {}
void cmd_select(char**) {}
