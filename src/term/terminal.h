// Terminal interface: the editor's only contact with the output side of the
// terminal.  Wraps ncurses in small operations (start/stop, colours, writing,
// cursor motion, insertion and deletion).  Columns on rows 2 and below are text
// columns seen through the aperture; on rows 0 and 1 they are terminal columns.
#pragma once
#include "store/lists.h"

struct _win_st;  // ncurses' WINDOW, kept opaque outside the terminal layer

extern _win_st* ku_win;       // the standard screen ncurses gave us
extern int physical_cols;     // terminal columns
extern int physical_lines;    // terminal rows
extern int columns;           // width of the logical text area (512)
extern int lines;             // rows used by the editor
extern char wtab_char;        // shown in place of a TAB byte held in text
extern const char* avail_colors[9];   // colour names, upper case
extern const short ncurses_colors[9]; // ncurses colour number of each name
extern const char* color_palette;     // the colour menu's list of names

// Shown in place of bytes 128-254 so that every text byte takes one cell.
inline constexpr char HIGH_BYTE_PLACEHOLDER = '~';
// Widest terminal the editor draws on: a wider one (after a resize) is used
// for its first 511 columns only, so that the aperture always moves within
// the 512 text columns.
inline constexpr int KU_MAX_COLS = 511;
// Exit status when the terminal cannot be driven at all.
inline constexpr int KU_EXIT_BAD_TERMINAL = 1;
// ESC delay given to ncurses, in milliseconds.
inline constexpr int KU_ESC_DELAY_MS = 25;

// Takes over the terminal: 0 usable, 1 too small, 2 too wide.  A terminal
// the editor cannot drive (TERM unset, empty, unknown, or without cursor
// addressing) is refused before ncurses takes the screen: a message on
// stderr and exit status KU_EXIT_BAD_TERMINAL.
int ti_set_char_mode();
// Why TERM names no terminal the editor can drive, or null when it does: the
// message ti_set_char_mode prints.  `term` is TERM's value (null when unset).
const char* ti_terminal_unusable(const char* term);
// The set-up ti_set_char_mode does after initscr, on the current ncurses
// screen (also for a screen opened with newterm): colours, input modes, ESC
// delay, mouse, sizes and the aperture.  Returns the same size result.
int ti_init_screen_state();
// Adopts the size ncurses reports after a resize: physical_cols (at most
// KU_MAX_COLS), physical_lines and lines, and the aperture's width.  The text
// aperture (the live one, or the saved one while scrolling is disabled) keeps
// its left edge where it can and moves as ti_move_cursor would so that text
// column cursor_col stays in view.
void ti_adopt_terminal_size(int cursor_col);
extern int ti_resize_pending;  // 1 when ti_getch passed over a resize not yet adopted
void ti_reset_char_mode();
void ti_set_screen_colors();
void ti_force_screen_update();

short get_default_fg_color();
short get_default_bg_color();
const char* get_color_palette();
int get_color_value(char* name);            // upper-cases name in place; -2 unknown
void get_color_name(int color, char* out);  // out holds at least 8 characters

// The one cell a text byte is drawn as: TAB as wtab_char, byte 1 as a
// blank, other control bytes, DEL and bytes 128-255 as HIGH_BYTE_PLACEHOLDER.
char text_cell(int byte);

void writechar(int ch);
void writechar_emphasis(int ch);
void writestr(const char* s);
void mv_writestr(int x, int y, int restore, const char* s);
void mv_writestr_emphasis(int x, int y, int restore, const char* s);
void writeln(const char* text, int n, int first);
void mv_writeln(int x, int y, int restore, const char* text, int n, int first);
void ti_draw_last_column(const LineRecord* line);

void ti_move_cursor(int x, int y);
void ti_cursor_up();
void ti_cursor_down();
void ti_cursor_left();
void ti_cursor_right();
// The cursor's terminal row and column as ncurses holds them.
int ti_cursor_row();
int ti_cursor_col();

void ti_insert_char(int ch);
void ti_insert_str(const char* s);
void ti_delete_char();
void ti_rubout();
void ti_delete_line(int row);
void ti_insert_line(int row);
void ti_clear_to_eol(int row);
// Makes the next refresh repaint every cell of the terminal, also cells the
// library believes unchanged (repairs output of other programs).
void ti_repaint_all();
void ti_clear_display(int row);

// One key read straight from the terminal (wgetch), bypassing macro
// recording and replay; used where a key must come from the user.  A resize
// is not a key: it is passed over and left for the next key read
// (ti_resize_pending).
int ti_getch();
