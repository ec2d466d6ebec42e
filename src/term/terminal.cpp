// Terminal interface: taking over and releasing the terminal, colours, writing
// characters, strings and line slices, cursor motion, insertion, deletion and
// clearing.  Every text byte reaches ncurses as exactly one printable cell.
#include "term/terminal.h"

#include <curses.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "options/options.h"
#include "term/aperture.h"
#include "term/screen.h"

WINDOW* ku_win = nullptr;
int physical_cols = 80;
int physical_lines = 24;
int columns = 80;
int lines = 24;
char wtab_char = '?';
const char* avail_colors[9] = {"DEFAULT", "BLACK", "RED", "GREEN", "YELLOW", "BLUE", "MAGENTA", "CYAN", "WHITE"};
const short ncurses_colors[9] = {-1, 0, 1, 2, 3, 4, 5, 6, 7};
const char* color_palette = "Default  Black  Red  Green  Yellow  Blue  Magenta  Cyan  White";
int ti_resize_pending = 0;

namespace {

constexpr short RED = 1;
constexpr short BLUE = 4;

// Moves to terminal position (y, x); false when ncurses refuses the move.
bool move_to(int y, int x) { return wmove(ku_win, y, x) != ERR; }

// Moves like ti_move_cursor and reports whether the final move succeeded.
bool move_cursor_checked(int x, int y) {
  if (y < 2 || !horizontal_scrolling_enabled) return move_to(y, x);
  if (x < ap_l) {
    move_aperture(std::max(x - 10, 0));
  } else if (x > ap_r) {
    move_aperture(ap_l + x - ap_r + 10);
  }
  return move_to(y, x - ap_l);
}

// Whether an edge of the screen on row y moves the aperture: only on text
// rows while horizontal scrolling is on.  On the status rows, and while a
// prompt or page has the aperture parked, the edge is simply the edge.
bool edge_scrolls(int y) { return horizontal_scrolling_enabled && y >= 2; }

// The cursor back on the current text position (the rule of restore_cursor).
void back_to_text_position() { ti_move_cursor(std::min(curr_screen.cx, columns - 1), curr_screen.cy); }

// A string's bytes as single cells: the text mapping, except that a line feed
// passes through (plain messages written before the screen is set up use it).
std::string string_cells(const char* s) {
  std::string out;
  for (; *s; ++s) out.push_back(*s == '\n' ? '\n' : text_cell(static_cast<unsigned char>(*s)));
  return out;
}

}  // namespace

char text_cell(int byte) {
  if (byte == '\t') return wtab_char;
  if (byte == 1) return ' ';
  if (byte < 32 || byte >= 127) return HIGH_BYTE_PLACEHOLDER;
  return static_cast<char>(byte);
}

int ti_init_screen_state() {
  ku_win = stdscr;
  start_color();
  use_default_colors();
  keypad(ku_win, TRUE);
  raw();
  noecho();
  set_escdelay(KU_ESC_DELAY_MS);
  if (options.mouse_support) mousemask(ALL_MOUSE_EVENTS, nullptr);
  physical_cols = COLS;
  physical_lines = lines = LINES;
  columns = 512;
  ap_width = COLS;
  ap_l = 0;
  ap_r = COLS - 1;
  aperture_state = {COLS, 0, COLS - 1};
  int result = (COLS < 80 || LINES < 20) ? 1 : 0;
  if (COLS >= 512) result = 2;
  return result;
}

int ti_set_char_mode() {
  const char* term = std::getenv("TERM");
  const char* why = ti_terminal_unusable(term);
  // newterm, unlike initscr, reports a failure instead of ending the process.
  SCREEN* screen = why ? nullptr : newterm(term, stdout, stdin);
  if (screen == nullptr) {
    if (!why) why = "KU: the terminal could not be set up";
    std::fprintf(stderr, "%s\n", why);
    std::fflush(stderr);
    std::exit(KU_EXIT_BAD_TERMINAL);
  }
  set_term(screen);
  return ti_init_screen_state();
}

void ti_adopt_terminal_size(int cursor_col) {
  int w = std::clamp(COLS, 1, KU_MAX_COLS);
  physical_cols = w;
  physical_lines = lines = LINES;
  columns = 512;
  ApertureState text = horizontal_scrolling_enabled ? ApertureState{ap_width, ap_l, ap_r} : aperture_state;
  int c = std::clamp(cursor_col, 0, columns - 1);
  int left = text.left;
  if (c < left) {
    left = std::max(c - 10, 0);
  } else if (c > left + w - 1) {
    left = c - w + 11;
  }
  left = std::clamp(left, 0, columns - w);
  ap_width = w;
  aperture_state = {w, left, left + w - 1};
  ap_l = horizontal_scrolling_enabled ? left : 0;
  ap_r = ap_l + w - 1;
}

void ti_reset_char_mode() { endwin(); }

void ti_set_screen_colors() {
  init_pair(1, options.fg_color, options.bg_color);
  wbkgd(ku_win, ' ' | COLOR_PAIR(1));
}

void ti_force_screen_update() { wrefresh(ku_win); }

short get_default_fg_color() { return -1; }
short get_default_bg_color() { return -1; }
const char* get_color_palette() { return color_palette; }

int get_color_value(char* name) {
  for (char* p = name; *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  for (int i = 0; i < 9; i++)
    if (std::strcmp(name, avail_colors[i]) == 0) return ncurses_colors[i];
  return -2;
}

void get_color_name(int color, char* out) {
  std::strcpy(out, "Unknown");
  for (int i = 0; i < 9; i++) {
    if (ncurses_colors[i] != color) continue;
    std::strcpy(out, avail_colors[i]);
    for (char* p = out + 1; *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  }
}

void writechar(int ch) {
  if (ch == 7) {
    beep();
    return;
  }
  char c = (ch >= 0 && ch < 256) ? text_cell(ch) : HIGH_BYTE_PLACEHOLDER;
  int y = getcury(ku_win), x = getcurx(ku_win);
  if (x == physical_cols - 1 && edge_scrolls(y)) {
    move_aperture(ap_l + 1);
    x = x - 1;
  }
  if (move_to(y, x)) waddch(ku_win, static_cast<unsigned char>(c));
}

void writechar_emphasis(int ch) {
  init_pair(3, options.bg_color == RED ? BLUE : RED, options.bg_color);
  attr_t a = COLOR_PAIR(3);
  wattr_on(ku_win, a, nullptr);
  writechar(ch);
  wattr_off(ku_win, a, nullptr);
}

void writestr(const char* s) {
  std::string cells = string_cells(s);
  waddnstr(ku_win, cells.c_str(), -1);
}

void mv_writestr(int x, int y, int restore, const char* s) {
  if (move_cursor_checked(x, y)) writestr(s);
  if (restore) back_to_text_position();
}

void mv_writestr_emphasis(int x, int y, int restore, const char* s) {
  init_pair(5, options.bg_color == BLUE ? RED : BLUE, options.bg_color);
  attr_t a = COLOR_PAIR(5) | A_UNDERLINE;
  wattr_on(ku_win, a, nullptr);
  mv_writestr(x, y, restore, s);
  wattr_off(ku_win, a, nullptr);
}

void writeln(const char* text, int n, int first) {
  int y = getcury(ku_win);
  if (n <= 0 || ap_l > n) {
    move_to(y, first - ap_l);
    return;
  }
  int s = std::max(first, ap_l);
  int e = std::min(ap_r, n - 1);
  // Room for the widest slice a terminal narrower than 512 columns shows.
  char slice[513];
  int len;
  if (e < s) {
    slice[0] = ' ';
    len = 1;
  } else {
    len = e - s + 1;
    for (int i = 0; i < len; i++) slice[i] = text_cell(static_cast<unsigned char>(text[s + i]));
  }
  if (move_to(y, s - ap_l)) waddnstr(ku_win, slice, len);
}

void mv_writeln(int x, int y, int restore, const char* text, int n, int first) {
  if (move_cursor_checked(x, y)) writeln(text, n, first);
  if (restore) back_to_text_position();
}

void ti_draw_last_column(const LineRecord* line) {
  if (line->length <= ap_r || ap_r >= static_cast<int>(sizeof line->text)) return;
  int y = getcury(ku_win), x = getcurx(ku_win);
  mvwaddch(ku_win, y, ap_width - 1, static_cast<unsigned char>(text_cell(static_cast<unsigned char>(line->text[ap_r]))));
  move_to(y, x);
}

void ti_move_cursor(int x, int y) { move_cursor_checked(x, y); }

void ti_cursor_up() {
  int y = getcury(ku_win), x = getcurx(ku_win);
  if (y > 0) move_to(y - 1, x);
}

void ti_cursor_down() {
  int y = getcury(ku_win), x = getcurx(ku_win);
  move_to(y + 1, x);
}

void ti_cursor_left() {
  int y = getcury(ku_win), x = getcurx(ku_win);
  if (x == 0) {
    if (edge_scrolls(y)) move_aperture(ap_l - 1);
  } else {
    move_to(y, x - 1);
  }
}

void ti_cursor_right() {
  int y = getcury(ku_win), x = getcurx(ku_win);
  if (x == physical_cols - 1) {
    if (edge_scrolls(y)) move_aperture(ap_l + 1);
  } else {
    move_to(y, x + 1);
  }
}

int ti_cursor_row() { return getcury(ku_win); }
int ti_cursor_col() { return getcurx(ku_win); }

void ti_insert_char(int ch) {
  char c = (ch >= 0 && ch < 256) ? text_cell(ch) : HIGH_BYTE_PLACEHOLDER;
  int y = getcury(ku_win), x = getcurx(ku_win);
  if (x == physical_cols - 1 && edge_scrolls(y)) {
    move_aperture(ap_l + 1);
    x = x - 1;
  }
  if (move_to(y, x)) winsch(ku_win, static_cast<unsigned char>(c));
  move_to(y, x + 1);
}

void ti_insert_str(const char* s) {
  std::string cells;
  for (const char* p = s; *p; ++p) cells.push_back(text_cell(static_cast<unsigned char>(*p)));
  int n = static_cast<int>(cells.size());
  int y = getcury(ku_win), x = getcurx(ku_win);
  if (x + n > ap_width && edge_scrolls(y)) {
    int k = n > ap_width ? 0 : x + n - ap_width;
    if (k > 0) {
      move_aperture(ap_l + k);
      x -= k;
    }
  }
  if (move_to(y, x)) winsnstr(ku_win, cells.c_str(), -1);
}

void ti_delete_char() { wdelch(ku_win); }

void ti_rubout() {
  int y = getcury(ku_win), x = getcurx(ku_win);
  if (x == 0) {
    if (edge_scrolls(y)) move_aperture(ap_l - 1);
  } else {
    x = x - 1;
  }
  if (move_to(y, x)) {
    waddch(ku_win, ' ');
    move_to(y, x);
  }
}

void ti_delete_line(int row) {
  if (move_to(row, getcurx(ku_win))) winsdelln(ku_win, -1);
}

void ti_insert_line(int row) {
  if (move_to(row, getcurx(ku_win))) winsdelln(ku_win, 1);
}

void ti_clear_to_eol(int row) {
  if (move_to(row, getcurx(ku_win))) wclrtoeol(ku_win);
}

void ti_repaint_all() { clearok(curscr, TRUE); }

void ti_clear_display(int row) {
  if (move_to(row, 0)) wclrtobot(ku_win);
}

int ti_getch() {
  int k;
  while ((k = wgetch(ku_win)) == KEY_RESIZE) ti_resize_pending = 1;
  return k;
}
