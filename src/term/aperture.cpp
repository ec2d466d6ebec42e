// Horizontal scrolling aperture: the window of text columns the text rows
// show, moving it with the rows shifted in place, parking it while prompts
// and pages use terminal columns, and the "<-" indicator on the status line.
#include "term/aperture.h"

#include <curses.h>

#include <algorithm>

#include "core/startup.h"
#include "files/openfiles.h"
#include "options/options.h"
#include "term/screen.h"
#include "term/terminal.h"

int ap_l = 0;
int ap_r = 79;
int ap_width = 80;
char ap_str[512];
ApertureState aperture_state = {80, 0, 79};
int horizontal_scrolling_enabled = 1;

namespace {

// Fills ap_str with the k cells of text columns from..from+k-1 of a line;
// columns at or beyond the line's end are blanks.
void build_slice(const LineNode* line, int from, int k) {
  const char* text;
  int len;
  shown_line(line, &text, &len);
  for (int i = 0; i < k; i++) {
    int col = from + i;
    ap_str[i] = (col >= 0 && col < len) ? text_cell(static_cast<unsigned char>(text[col])) : ' ';
  }
}

// Calls f(row, line) for every text row that shows a line of the file.
template <class F>
void for_each_text_row(F f) {
  int row = 2;
  for (LineNode* l = curr_file.count > 0 ? curr_screen.top_line : nullptr; l && row < lines; l = next_line(l), row++)
    f(row, l);
}

}  // namespace

void move_aperture(int new_left) {
  int y = getcury(ku_win), x = getcurx(ku_win);
  int left = new_left < 0 ? 0 : std::min(new_left, 512 - ap_width);
  if (left < 0) left = 0;
  int right = left + ap_width - 1;
  if (left < ap_l) {
    // Moving left: the columns coming into view are pushed in at the left.
    int k = std::min(ap_l - left, ap_width);
    for_each_text_row([&](int row, const LineNode* l) {
      build_slice(l, left, k);
      if (wmove(ku_win, row, 0) != ERR) winsnstr(ku_win, ap_str, k);
    });
  } else if (right > ap_r) {
    // Moving right: the row is pulled left and the new columns written at
    // the right; a move of a whole width or more rewrites the row.
    int k = right - ap_r;
    int old_right = ap_r;
    bool whole = false;
    if (k >= ap_width) {
      k = ap_width;
      old_right = left - 1;
      whole = true;
    }
    for_each_text_row([&](int row, const LineNode* l) {
      if (!whole && wmove(ku_win, row, 0) != ERR)
        for (int i = 0; i < k; i++) wdelch(ku_win);
      build_slice(l, old_right + 1, k);
      if (wmove(ku_win, row, ap_width - k) != ERR) waddnstr(ku_win, ap_str, k);
    });
  }
  ap_l = left;
  ap_r = right;
  wmove(ku_win, y, x);
}

int ti_get_left_cx() { return ap_l; }
int ti_get_right_cx() { return ap_r; }
void ti_set_left_cx(int v) { ap_l = v; }
void ti_set_right_cx(int v) { ap_r = v; }

void ti_disable_horizontal_scrolling() {
  aperture_state = {ap_width, ap_l, ap_r};
  ap_l = 0;
  ap_r = ap_width - 1;
  horizontal_scrolling_enabled = 0;
}

void ti_enable_horizontal_scrolling() {
  ap_width = aperture_state.width;
  ap_l = aperture_state.left;
  ap_r = aperture_state.right;
  horizontal_scrolling_enabled = 1;
}

void ti_scroll_left(int percent) {
  int n = percent * physical_cols / 100;
  move_aperture(n >= ap_l ? 0 : ap_l - n);
}

void ti_scroll_right(int percent) {
  int n = percent * physical_cols / 100;
  move_aperture(512 - n <= ap_r ? 512 - n : ap_l + n);
}

void display_scroll_indicator() {
  bool away = ap_l > 0;
  short fg = away ? (options.bg_color == 1 ? 4 : 1) : options.fg_color;
  init_pair(2, fg, options.bg_color);
  attr_t a = COLOR_PAIR(2);
  wattr_on(ku_win, a, nullptr);
  mvwaddnstr(ku_win, 0, MODE_X, away ? "<-" : "  ", 2);
  wattr_off(ku_win, a, nullptr);
}
