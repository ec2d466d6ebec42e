// Quit, discard and update: writing the current file back, closing files
// with or without saving, and ending the editor.
#pragma once
#include "store/lists.h"

int confirm_discard();
void discard_curr_file(LineNode* first, int remove);
void discard_all_files();
[[noreturn]] void quit_ku(int status);
