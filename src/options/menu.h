// The options menu: the one-line menu of the options command and its
// sub-menus (tabs, auto indent, wrapping, colours, match characters, the
// current file's line-end format, mouse support, saving the options file).
#pragma once

extern const char* const on_off_msg[2];         // "OFF", "ON", indexed by a flag
extern const char* const right_justify_msg[2];  // indexed by the negated flag (0: on)
extern const char* const text_wrapping_msg[2];  // indexed by the negated flag (0: on)

// option_cmd itself is declared with the other commands in core/dispatch.h.
void tab_options_subcommand();
void color_options_subcommand();
void match_options_subcommand();
void file_format_options_subcommand();
void text_wrapping_options_subcommand();
// On/off sub-menu for the int flag at `flag`, titled `label`.
void binary_options_subcommand(const char* label, int* flag);
// Asks for a colour name after `prompt`; messages go to the message box with
// the cursor left at (x, y).  Returns the new colour number, or `color` when
// the answer is empty (*err 0) or names no colour (*err 10).
int get_new_color(int color, const char* prompt, int x, int y, int* err);
// "> <label> foreground color is <fg>, background color is <bg>" in the
// message box, the cursor left at (x, y).
void display_color_names(const char* label, int fg, int bg, int x, int y);
// Asks for a match character after `prompt`; an empty answer keeps *c,
// otherwise the answer's first character replaces it.  Returns the answer's
// length.
int set_match_char(const char* prompt, char* c);
