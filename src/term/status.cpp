// Status line (row 0), divider line (row 1) and messages: the file name,
// message area, option flags and mode indicator, the prompt stack, divider
// messages, information page frames, and the error word with its messages.
#include "term/status.h"

#include <curses.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "core/startup.h"
#include "files/openfiles.h"
#include "input/readstate.h"
#include "options/options.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/resize.h"
#include "term/terminal.h"

char* ku_msg = nullptr;
char ku_msg_buf[96] = " ";
int ku_exception = 0;
int ku_mode = INSERT_MODE;
int last_ku_mode = INSERT_MODE;
int displayed_mode = 99;
Stack status_stack;
char divider_char = '-';
int init_help_shown = 0;
int last_left_cx = 0;

const char* const err_msg[9] = {"ESC-h for Help",
                                "Unknown command",
                                "Insufficient memory",
                                "Could not open requested file",
                                "Filename too large",
                                "Linked list error",
                                "    End of list",
                                "No current file",
                                "Not a text file (ENTER to continue)"};
const char* const mode_msg[3] = {"      INS", "      OVR", "      CMD"};
const char* const prompt_msg[3] = {"File: ", "Find (F10 to clear): ", "Replace (F10 to clear): "};
const char* const default_ku_msg = "ESC-h for Help                          ";
const char* const ku_masthead = "MacOSX KU v3.5g";
const char* const enter_to_edit_msg = "ENTER (return to editing)";
const char* const invalid_msg = "Invalid menu selection";
const char* const no_file_select_write = "No File Selected to Write";
const char* const no_file_select_read = "No File Selected to Read";
const char* const no_file_select_open = "No File Selected to Open";
const char* const select_file_write = " - Select/Type Filename to Write";
const char* const select_file_read = " - Select/Type Filename to Read";
const char* const select_file_open = " - Select/Type Filename to Open";

namespace {

constexpr int MSG_WIDTH = 40;  // columns of the message area
constexpr int REPLAYING = 2;   // read_state while a macro is replayed

bool replaying() { return read_state == REPLAYING; }

// Writes text on row y from terminal column x, cut at the right edge so that
// it never wraps onto the next row.
void put_row_text(int x, int y, const char* text) {
  if (x < 0 || x >= physical_cols) return;
  std::string cells;
  for (const char* p = text; *p && x + static_cast<int>(cells.size()) < physical_cols; ++p)
    cells.push_back(text_cell(static_cast<unsigned char>(*p)));
  mvwaddnstr(ku_win, y, x, cells.c_str(), static_cast<int>(cells.size()));
}

// A row filled with one character from column 0.
void put_rule(int row, char c) {
  std::string rule(static_cast<size_t>(std::max(physical_cols, 0)), c);
  mvwaddnstr(ku_win, row, 0, rule.c_str(), physical_cols);
}

// Clears row y from column 0.
void clear_row(int y) {
  if (wmove(ku_win, y, 0) != ERR) wclrtoeol(ku_win);
}

// The divider message on show (empty when none), kept to redraw it after a
// resize.
std::string divider_msg_text;
bool divider_msg_shown = false;

// The information page on show: its title and, while remove_full_screen_info_page
// waits, its rows 2 and below as drawn.
std::string info_page_title;
std::vector<std::string> info_page_rows;

// What a notice over a command covered (see save_notice_rows).  The cells
// are kept in fixed storage: the notice that needs them comes when memory
// has run out.
constexpr int kNoticeRows = 4;
struct NoticeRows {
  bool saved = false;
  int rows = 0, cols = 0, lines = 0;  // rows kept and the terminal's size then
  int y = 0, x = 0;                   // the cursor
  chtype cells[kNoticeRows][KU_MAX_COLS + 1];
  bool divider_shown = false;
  char divider_text[KU_MAX_COLS + 1];
};
NoticeRows notice_rows;

void put_divider_msg(const char* text) {
  clear_row(2);
  put_rule(1, '-');
  put_row_text(0, 2, text);
  put_rule(3, divider_char);
}

// Terminal row y from column 0 as its characters.
std::string row_chars(int y) {
  std::string out;
  for (int x = 0; x < physical_cols; x++) out.push_back(static_cast<char>(mvwinch(ku_win, y, x) & A_CHARTEXT));
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

void redraw_info_page(void*) {
  redraw_info_page_frame();
  int last = std::min<int>(static_cast<int>(info_page_rows.size()), lines - 4);
  for (int i = 0; i < last; i++) put_row_text(0, 2 + i, info_page_rows[static_cast<size_t>(i)].c_str());
  write_info_page_foot(enter_to_edit_msg);
}

// A message-area text: the first 40 characters, blank-padded to 40.
void fill_message(char* out, const char* text) {
  size_t n = std::min(std::strlen(text), static_cast<size_t>(MSG_WIDTH));
  std::memcpy(out, text, n);
  std::memset(out + n, ' ', MSG_WIDTH - n);
  out[MSG_WIDTH] = 0;
}

}  // namespace

void set_status_line(int redraw, int code, int mode) {
  ku_mode = mode;
  if (replaying()) return;
  if (!stack_empty(&status_stack) && code == 0) return;
  bool wrote = false;
  if (redraw) {
    clear_row(0);
    if (ku_mode == COMMAND_MODE) {
      put_row_text(0, 0, "%");
    } else {
      char name[256];
      truncate_str_left(curr_filename, name, std::clamp(FN_FIELD_WIDTH - 1, 3, 255));
      put_row_text(0, 0, name);
      ku_msg = ku_msg_buf;
      write_option_str();
    }
    displayed_mode = 99;
    wrote = true;
  }
  if (code > 0 && code < 9) {
    // Padded to the width of the message area, so that no part of an
    // earlier, longer message is left behind the error.
    char text[MSG_WIDTH + 1];
    fill_message(text, err_msg[code]);
    put_row_text(ERR_X, 0, text);
    if (code == ku_exception) ku_exception = 0;
    wrote = true;
  } else if (ku_msg) {
    put_row_text(MSG_X, 0, ku_msg_buf);
    wrote = true;
  }
  if (ku_mode != displayed_mode && ku_mode >= 0 && ku_mode < 3) {
    displayed_mode = ku_mode;
    put_row_text(MODE_X, 0, mode_msg[ku_mode]);
    display_scroll_indicator();
    wrote = true;
  }
  if (wrote) restore_cursor();
}

void write_status_line(const char* text) {
  if (replaying()) return;
  clear_row(0);
  put_row_text(0, 0, text);
  displayed_mode = 99;
}

void push_status_line(const char* text) {
  push(&status_stack, const_cast<char*>(text));
  write_status_line(text);
}

void pop_status_line() {
  pop(&status_stack);
  if (!stack_empty(&status_stack)) {
    push_status_line(static_cast<const char*>(pop(&status_stack)));
  } else {
    set_status_line(1, ku_exception, last_ku_mode);
  }
}

void write_ku_msg(const char* text) {
  fill_message(ku_msg_buf, text);
  ku_msg = ku_msg_buf;
  if (replaying() || !stack_empty(&status_stack)) return;
  put_row_text(MSG_X, 0, ku_msg_buf);
  restore_cursor();
}

void clear_ku_msg(int) {
  if (!ku_msg && !init_help_shown) return;
  ku_msg = nullptr;
  std::strcpy(ku_msg_buf, default_ku_msg);
  if (init_help_shown) {
    set_status_line(1, 0, ku_mode);
    init_help_shown = 0;
  }
  if (replaying()) return;
  put_row_text(MSG_X, 0, ku_msg_buf);
  restore_cursor();
}

void write_option_str() {
  if (replaying()) return;
  char flags[6];
  int n = 0;
  flags[n++] = '(';
  if (read_state == 1) flags[n++] = 'm';
  if (options.text_wrapping) flags[n++] = 'w';
  if (options.auto_indent) flags[n++] = 'i';
  flags[n++] = ')';
  flags[n] = 0;
  if (n > 2) put_row_text(MODE_X - 5, 0, flags);
}

void write_divider_line(int row) { put_rule(row, divider_char); }

void write_divider_msg(const char* text, int x, int y) {
  // x is a terminal column.  When a prompt or page has already parked the
  // aperture it stays parked: parking it again would overwrite the text's
  // aperture that the prompt brings back when it ends.
  bool parked_here = horizontal_scrolling_enabled != 0;
  if (parked_here) ti_disable_horizontal_scrolling();
  divider_msg_text = text;
  divider_msg_shown = true;
  put_divider_msg(text);
  ti_move_cursor(x, y);
  if (parked_here) ti_enable_horizontal_scrolling();
}

void redraw_divider_msg() {
  if (divider_msg_shown) put_divider_msg(divider_msg_text.c_str());
}

void clear_divider_msg() {
  divider_msg_shown = false;
  int x = ap_l;
  clear_row(2);
  clear_row(3);
  write_divider_line(1);
  LineNode* top = curr_file.count > 0 ? curr_screen.top_line : nullptr;
  if (top) {
    const char* text;
    int len;
    shown_line(top, &text, &len);
    mv_writeln(x, 2, 0, text, len, 0);
    LineNode* second = next_line(top);
    if (second && lines > 3) {
      shown_line(second, &text, &len);
      mv_writeln(x, 3, 0, text, len, 0);
    }
  }
}

void save_notice_rows() {
  NoticeRows& n = notice_rows;
  if (!ku_win) return;
  n.cols = std::min(physical_cols, KU_MAX_COLS);
  n.lines = physical_lines;
  n.y = getcury(ku_win);
  n.x = getcurx(ku_win);
  n.rows = std::min(kNoticeRows, lines);
  for (int y = 0; y < n.rows; y++) mvwinchnstr(ku_win, y, 0, n.cells[y], n.cols);
  n.divider_shown = divider_msg_shown;
  std::snprintf(n.divider_text, sizeof n.divider_text, "%s", divider_msg_text.c_str());
  n.saved = true;
}

void restore_notice_rows() {
  NoticeRows& n = notice_rows;
  if (!n.saved) return;
  n.saved = false;
  divider_msg_shown = n.divider_shown;
  divider_msg_text = n.divider_text;
  if (physical_cols != n.cols || physical_lines != n.lines) {
    // Resized while the notice was up: the rows kept are of the old size.
    redraw_after_resize();
    return;
  }
  for (int y = 0; y < n.rows; y++) mvwaddchnstr(ku_win, y, 0, n.cells[y], n.cols);
  wmove(ku_win, n.y, n.x);
}

void create_full_screen_info_page(const char* title) {
  ti_disable_horizontal_scrolling();
  info_page_title = title;
  redraw_info_page_frame();
}

void redraw_info_page_frame() {
  char head[256];
  std::snprintf(head, sizeof head, "%s%s", ku_masthead, info_page_title.c_str());
  int len = static_cast<int>(std::strlen(head));
  clear_row(0);
  put_row_text(std::max((physical_cols - len) / 2, 0), 0, head);
  ti_clear_display(2);
}

void write_info_page_foot(const char* text) {
  write_divider_line(lines - 2);
  put_row_text(0, lines - 1, text);
  wmove(ku_win, 0, 0);
}

void remove_full_screen_info_page() {
  info_page_rows.clear();
  for (int y = 2; y < lines - 2; y++) info_page_rows.push_back(row_chars(y));
  while (!info_page_rows.empty() && info_page_rows.back().empty()) info_page_rows.pop_back();
  write_info_page_foot(enter_to_edit_msg);
  {
    ResizeRedrawScope redraw(redraw_info_page, nullptr);
    wait_for_enter();
  }
  info_page_rows.clear();
  ti_enable_horizontal_scrolling();
  if (files_open > 0) view_cmd();
}

void display_curr_position() {
  int count = curr_file.count;
  // An empty list (a file with no line yet) reports 0%.
  int percent = count > 0 ? static_cast<int>(static_cast<long>(curr_line_num) * 100 / count) : 0;
  char msg[96];
  std::snprintf(msg, sizeof msg, "%s%d %s%d  %d%c %c%d %s", "ln:", curr_line_num, "col:", curr_screen.cx + 1, percent,
                '%', '(', count, "lines)");
  write_ku_msg(msg);
}

void update_scroll_indicator() {
  int l = ap_l;
  if ((last_left_cx == 0 && l > 0) || (last_left_cx > 0 && l == 0)) {
    display_scroll_indicator();
    restore_cursor();
  }
  last_left_cx = l;
}

void truncate_str_left(const char* s, char* b, int n) {
  if (n <= 0) {
    b[0] = 0;
    return;
  }
  size_t len = std::strlen(s);
  if (len > static_cast<size_t>(n)) {
    std::memcpy(b, s + len - static_cast<size_t>(n), static_cast<size_t>(n));
    for (int i = 0; i < 3 && i < n; i++) b[i] = '.';
    b[n] = 0;
  } else {
    std::memcpy(b, s, len + 1);
  }
}
