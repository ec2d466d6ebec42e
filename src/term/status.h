// Status line (row 0), divider line (row 1), messages, the prompt stack,
// information page frames and the error word with its message table.
#pragma once
#include "store/lists.h"

inline constexpr int INSERT_MODE = 0;
inline constexpr int OVERWRITE_MODE = 1;
inline constexpr int COMMAND_MODE = 2;

extern char* ku_msg;           // null when no message is pending, else ku_msg_buf
extern char ku_msg_buf[96];    // the message area's text
extern int ku_exception;       // code of the last failure (index into err_msg)
extern int ku_mode;            // 0 insert, 1 overwrite, 2 command
extern int last_ku_mode;       // typing mode to return to after a command
extern int displayed_mode;     // mode whose indicator is shown; 99 none
extern Stack status_stack;     // prompt lines pushed by menus
extern char divider_char;      // character of the divider line
extern int init_help_shown;    // 1 from the end of start-up to the first message reset
extern int last_left_cx;       // aperture left column when the indicator was last checked

extern const char* const err_msg[9];
extern const char* const mode_msg[3];
extern const char* const prompt_msg[3];
extern const char* const default_ku_msg;
extern const char* const ku_masthead;
extern const char* const enter_to_edit_msg;
extern const char* const invalid_msg;
extern const char* const no_file_select_write;
extern const char* const no_file_select_read;
extern const char* const no_file_select_open;
extern const char* const select_file_write;
extern const char* const select_file_read;
extern const char* const select_file_open;

void set_status_line(int redraw, int code, int mode);
void write_status_line(const char* text);
void push_status_line(const char* text);
void pop_status_line();
void write_ku_msg(const char* text);
void clear_ku_msg(int key);
void write_option_str();
void write_divider_line(int row);
void write_divider_msg(const char* text, int x, int y);
void clear_divider_msg();
// A notice over a command in progress (the memory warning): save_notice_rows
// keeps the status line, the divider and the two rows below it as the
// terminal shows them, the cursor and the divider message on show; then the
// notice may write there, and restore_notice_rows puts all of it back, so
// that the command goes on drawing on the screen it had.  Nothing is read
// from the text, which may be half-way through a change.  Should the size
// have changed meanwhile, everything is redrawn at the new size instead.
void save_notice_rows();
void restore_notice_rows();
// Shows again the divider message written last and not cleared since (after
// a resize); nothing when none is shown.  The cursor is not moved.
void redraw_divider_msg();
void create_full_screen_info_page(const char* title);
// Waits for ENTER under an information page, then returns to the text.  A
// resize meanwhile redraws the page at the new size: its title, its rows as
// they were (cut to the new width and height) and its foot.
void remove_full_screen_info_page();
// The frame of the information page created last, drawn again without
// touching the aperture: row 0 cleared with the title centred, rows 2 and
// below cleared.
void redraw_info_page_frame();
// The foot of an information page: the divider on the second-last row,
// `text` on the last row, the cursor at the top left.
void write_info_page_foot(const char* text);
void display_curr_position();
void update_scroll_indicator();
void truncate_str_left(const char* s, char* b, int n);
