// Temporary weak stand-ins for modules being written; each real definition
// overrides its stand-in at link time.  This file goes once they have landed.
#include <cstdio>
#include <cstdlib>

#include "term/terminal.h"
#include "term/aperture.h"
#include "term/status.h"
#include "term/screen.h"
#include "input/keys.h"
#include "input/readstate.h"
#include "input/prompt.h"
#include "files/textfile.h"
#include "files/safewrite.h"
#include "macros/macros.h"

#define KU_WEAK __attribute__((weak))

KU_WEAK _win_st* ku_win;
KU_WEAK int physical_cols;
KU_WEAK int physical_lines;
KU_WEAK int columns;
KU_WEAK int lines;
KU_WEAK char wtab_char;
KU_WEAK extern const char* avail_colors[9];
KU_WEAK extern const short ncurses_colors[9] = {};
KU_WEAK extern const char* color_palette;
KU_WEAK int ti_set_char_mode() { return {}; }
KU_WEAK void ti_reset_char_mode() { }
KU_WEAK void ti_set_screen_colors() { }
KU_WEAK void ti_force_screen_update() { }
KU_WEAK short get_default_fg_color() { return {}; }
KU_WEAK short get_default_bg_color() { return {}; }
KU_WEAK int get_color_value(char*) { return {}; }
KU_WEAK void get_color_name(int, char*) { }
KU_WEAK void writechar(int) { }
KU_WEAK void writechar_emphasis(int) { }
KU_WEAK void writestr(const char*) { }
KU_WEAK void mv_writestr(int, int, int, const char*) { }
KU_WEAK void mv_writestr_emphasis(int, int, int, const char*) { }
KU_WEAK void writeln(const char*, int, int) { }
KU_WEAK void mv_writeln(int, int, int, const char*, int, int) { }
KU_WEAK void ti_draw_last_column(const LineRecord*) { }
KU_WEAK void ti_move_cursor(int, int) { }
KU_WEAK void ti_cursor_up() { }
KU_WEAK void ti_cursor_down() { }
KU_WEAK void ti_cursor_left() { }
KU_WEAK void ti_cursor_right() { }
KU_WEAK int ti_cursor_row() { return {}; }
KU_WEAK int ti_cursor_col() { return {}; }
KU_WEAK void ti_insert_char(int) { }
KU_WEAK void ti_insert_str(const char*) { }
KU_WEAK void ti_delete_char() { }
KU_WEAK void ti_rubout() { }
KU_WEAK void ti_delete_line(int) { }
KU_WEAK void ti_insert_line(int) { }
KU_WEAK void ti_clear_to_eol(int) { }
KU_WEAK void ti_clear_display(int) { }
KU_WEAK int ti_getch() { return {}; }
KU_WEAK int ap_l;
KU_WEAK int ap_r;
KU_WEAK int ap_width;
KU_WEAK char ap_str[512];
KU_WEAK ApertureState aperture_state;
KU_WEAK int horizontal_scrolling_enabled;
KU_WEAK void move_aperture(int) { }
KU_WEAK int ti_get_left_cx() { return {}; }
KU_WEAK int ti_get_right_cx() { return {}; }
KU_WEAK void ti_set_left_cx(int) { }
KU_WEAK void ti_set_right_cx(int) { }
KU_WEAK void ti_disable_horizontal_scrolling() { }
KU_WEAK void ti_enable_horizontal_scrolling() { }
KU_WEAK void ti_scroll_left(int) { }
KU_WEAK void ti_scroll_right(int) { }
KU_WEAK void display_scroll_indicator() { }
KU_WEAK char* ku_msg;
KU_WEAK char ku_msg_buf[96];
KU_WEAK int ku_exception;
KU_WEAK int ku_mode;
KU_WEAK int last_ku_mode;
KU_WEAK int displayed_mode;
KU_WEAK Stack status_stack;
KU_WEAK char divider_char;
KU_WEAK int init_help_shown;
KU_WEAK int last_left_cx;
KU_WEAK extern const char* const err_msg[9] = {};
KU_WEAK extern const char* const mode_msg[3] = {};
KU_WEAK extern const char* const prompt_msg[3] = {};
KU_WEAK extern const char* const default_ku_msg = {};
KU_WEAK extern const char* const ku_masthead = {};
KU_WEAK extern const char* const enter_to_edit_msg = {};
KU_WEAK extern const char* const invalid_msg = {};
KU_WEAK extern const char* const no_file_select_write = {};
KU_WEAK extern const char* const no_file_select_read = {};
KU_WEAK extern const char* const no_file_select_open = {};
KU_WEAK extern const char* const select_file_write = {};
KU_WEAK extern const char* const select_file_read = {};
KU_WEAK extern const char* const select_file_open = {};
KU_WEAK void set_status_line(int, int, int) { }
KU_WEAK void write_status_line(const char*) { }
KU_WEAK void push_status_line(const char*) { }
KU_WEAK void pop_status_line() { }
KU_WEAK void write_ku_msg(const char*) { }
KU_WEAK void clear_ku_msg(int) { }
KU_WEAK void write_option_str() { }
KU_WEAK void write_divider_line(int) { }
KU_WEAK void write_divider_msg(const char*, int, int) { }
KU_WEAK void clear_divider_msg() { }
KU_WEAK void create_full_screen_info_page(const char*) { }
KU_WEAK void remove_full_screen_info_page() { }
KU_WEAK void display_curr_position() { }
KU_WEAK void update_scroll_indicator() { }
KU_WEAK void truncate_str_left(const char*, char*, int) { }
KU_WEAK ScreenState curr_screen;
KU_WEAK LineNode* curr_line;
KU_WEAK LineRecord line_buf;
KU_WEAK int curr_line_num;
KU_WEAK Link* curr_bwd_link;
KU_WEAK int curr_bwd_len;
KU_WEAK LineNode* cnode;
KU_WEAK LineNode* nnode;
KU_WEAK LineNode* pnode;
KU_WEAK void load_line_buf() { }
KU_WEAK void update_curr_line() { }
KU_WEAK int update_curr_screen(int) { return {}; }
KU_WEAK int displayed(const LineNode*, int*) { return {}; }
KU_WEAK void draw_curr_screen() { }
KU_WEAK void draw_to_endof_screen() { }
KU_WEAK void after_delete_screen_update(LineNode*, int, int, int) { }
KU_WEAK void display_new_screen(int) { }
KU_WEAK int get_curr_line_num() { return {}; }
KU_WEAK LineNode* goto_line_num(int) { return nullptr; }
KU_WEAK void restore_cursor() { }
KU_WEAK extern const EscSeqEntry esc_seq_table[6][14] = {};
KU_WEAK int handle_esc_sequence() { return {}; }
KU_WEAK char unmap_extended_keyboard_key(int*) { return {}; }
KU_WEAK int init_macro[32];
KU_WEAK int init_macro_keys;
KU_WEAK int init_macro_ix;
KU_WEAK int read_state;
KU_WEAK MacroRecord* curr_macro;
KU_WEAK int rs_ix;
KU_WEAK int rs_reps_left;
KU_WEAK int read_raw_char() { return {}; }
KU_WEAK int read_char() { return {}; }
KU_WEAK int wait_for_enter() { return {}; }
KU_WEAK int prompt_read_str(int, int, const char*, int, int, char*, int) { return {}; }
KU_WEAK int read_str(char*, int, int, int, int, int) { return {}; }
KU_WEAK int line_edit(char*, int, int, int*, int*, int*) { return {}; }
KU_WEAK int read_file(const char*, ListHead*, int32_t*, int32_t*, uint32_t*, char*) { return {}; }
KU_WEAK int curr_file_has_changed() { return {}; }
KU_WEAK int unsaved_changes(int*) { return {}; }
KU_WEAK uint32_t line_checksum(const char*, int) { return {}; }
KU_WEAK FILE* write_open(const char*, int, int*) { return nullptr; }
KU_WEAK int write_close(FILE*, const char*) { return {}; }
KU_WEAK void file_info(const ListHead*, int, int32_t*, int32_t*, uint32_t*) { }
