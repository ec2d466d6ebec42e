// Text entry in the typing modes: inserting and overwriting characters, TAB
// and ENTER with automatic indentation.
#pragma once

extern int auto_indent_level;  // indentation remembered for all-blank lines

void visual_processor(int key);
void tab_handler();
void enter_handler();
