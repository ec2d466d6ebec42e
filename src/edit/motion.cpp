// Cursor motion and paging: the arrow, line-end, window, page, half-page and
// file-end commands.  None changes text; scrolling by one row draws only the
// row that comes into view, and line numbers are carried arithmetically.
#include "edit/motion.h"

#include <algorithm>
#include <cstdio>

#include "core/dispatch.h"
#include "files/openfiles.h"
#include "input/keys.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

namespace {

// Command-table entries of the info and jump commands, which leave
// curr_line_num holding the current line's number.
constexpr int INFO_CMD_IX = 9;
constexpr int JUMP_CMD_IX = 10;

// Rows the cursor moves by a page, and by half of one.
int page_step() { return lines - 3; }
int half_step() { return (lines - 3) / 2; }

ScreenState& scr() { return curr_screen; }

// The length word the line-number cache keeps for a line's predecessor: the
// list head's total word for the first line.
int pred_length(const LineNode* line) {
  const Link* pred = line->prev;
  return pred == static_cast<const Link*>(&curr_file) ? curr_file.total : static_cast<const LineNode*>(pred)->length;
}

// Steps up to n lines from `from` ('+' forward, '-' back); *moved gets the
// steps actually taken.
LineNode* step(LineNode* from, char dir, int n, int* moved) {
  int err = 0;
  *moved = 0;
  if (n <= 0) return from;
  return traverse(&curr_file, from, dir, moved, n, &err);
}

// Draws a whole line on a text row, keeping the aperture on the cursor column.
void draw_row(const LineNode* line, int row) {
  const char* text;
  int len;
  shown_line(line, &text, &len);
  mv_writeln(std::min(scr().cx, columns - 1), row, 0, text, len, 0);
}

// The position message for the current line: `carried` is its number when
// worked out arithmetically, 0 when it has to be counted.
void show_position(int carried) {
  set_curr_line_num(carried > 0 ? carried : get_curr_line_num() + 1);
  display_curr_position();
  restore_cursor();
}

// The row the line shown at row 2 has, as a 1-based line number, when the
// current line's number is known; 0 otherwise.
int top_line_num() {
  int n = known_line_num();
  return n > 0 ? n - (scr().cy - 2) : 0;
}

// page_down with the number of the line on row 2 given (0 unknown).
void page_down_from(int top_num) {
  LineNode* last = last_line(curr_file);
  if (!last) return;
  int row;
  int carried = 0;
  if (displayed(last, &row)) {
    curr_line = last;
    scr().cy = row;
    scr().cx = ti_get_left_cx();
    restore_cursor();
    carried = curr_file.count;
  } else {
    int bottom_row = 0;
    if (!displayed(scr().bottom_line, &bottom_row)) bottom_row = lines - 1;
    int bottom_num = top_num > 0 ? top_num + (bottom_row - 2) : 0;
    int m = 0, b = 0;
    scr().top_line = scr().bottom_line;
    curr_line = step(scr().top_line, '+', scr().cy - 2, &m);
    scr().cy = 2 + m;
    scr().bottom_line = step(curr_line, '+', lines - scr().cy - 1, &b);
    draw_curr_screen();
    if (bottom_num > 0) carried = std::min(bottom_num + m, curr_file.count);
  }
  show_position(carried);
}

// page_up with the number of the line on row 2 given (0 unknown).
void page_up_from(int top_num) {
  if (!curr_line || !scr().top_line) return;
  LineNode* old_top = scr().top_line;
  int p = 0, q = 0;
  scr().bottom_line = old_top;
  curr_line = step(old_top, '-', lines - 1 - scr().cy, &p);
  scr().cy = lines - 1 - p;
  scr().top_line = step(curr_line, '-', page_step() - p, &q);
  int carried = 0;
  if (p + q < page_step()) {
    // The start of the file: the first line at the top, the cursor on it.
    LineNode* first = first_line(curr_file);
    int b = 0;
    curr_line = scr().top_line = first;
    scr().bottom_line = step(first, '+', page_step(), &b);
    scr().cx = ti_get_left_cx();
    scr().cy = 2;
    carried = 1;
  } else if (top_num > 0) {
    carried = std::max(top_num - p, 1);
  }
  draw_curr_screen();
  show_position(carried);
}

// Puts the cursor on the line `rows` rows below the top of the window (or
// the last line if the file ends sooner), keeping its column.
void cursor_to_window_row(int rows) {
  update_curr_line();
  if (!scr().top_line) return;
  int top_num = top_line_num();
  int m = 0;
  curr_line = step(scr().top_line, '+', rows, &m);
  scr().cy = 2 + m;
  if (top_num > 0) set_curr_line_num(top_num + m);
  restore_cursor();
}

// Places the cursor after a horizontal scroll and shows the message with
// the aperture's new first column.  The column and the aperture move by the
// same amount, so the cursor normally stays inside the aperture; where a
// clamp made them disagree, placing the cursor brings the aperture to it
// and the message reports where it then stands.
void scrolled_msg(const char* what) {
  restore_cursor();
  char msg[64];
  std::snprintf(msg, sizeof msg, "%s %d", what, ti_get_left_cx());
  write_ku_msg(msg);
  restore_cursor();
}

}  // namespace

int known_line_num() {
  if (!curr_line || curr_line_num <= 0) return 0;
  if (curr_line->prev == curr_bwd_link && pred_length(curr_line) == curr_bwd_len) return curr_line_num;
  if (last_cmd_ix == INFO_CMD_IX || last_cmd_ix == JUMP_CMD_IX) return curr_line_num;
  return 0;
}

void set_curr_line_num(int n) {
  curr_line_num = n;
  if (!curr_line) return;
  curr_bwd_link = curr_line->prev;
  curr_bwd_len = pred_length(curr_line);
}

void cursor_left_cmd() {
  update_curr_line();
  if (scr().cx > 0) {
    restore_cursor();
    scr().cx--;
    ti_cursor_left();
  } else if (curr_line && prev_line(&curr_file, curr_line)) {
    cursor_up_cmd();
    scr().last_direction = rcr;
    extended_motion_cmd();
  }
  scr().last_direction = rcl;
}

void cursor_right_cmd() {
  update_curr_line();
  if (scr().cx >= MAX_LINE_LENGTH) {
    write_ku_msg("Maximum line size reached");
  } else {
    restore_cursor();
    scr().cx++;
    ti_cursor_right();
  }
  scr().last_direction = rcr;
}

void cursor_up_cmd() {
  update_curr_line();
  LineNode* p = curr_line ? prev_line(&curr_file, curr_line) : nullptr;
  if (p) {
    int n = known_line_num();
    curr_line = p;
    if (scr().cy != 2) {
      scr().cy--;
    } else {
      // Scroll the window down by one row and draw the line that came in.
      ti_insert_line(2);
      draw_row(curr_line, 2);
      if (scr().bottom_line && scr().bottom_line->next) {
        scr().top_line = curr_line;
        scr().bottom_line = as_line(scr().bottom_line->prev);
      } else {
        scr().cy = update_curr_screen(2);
      }
    }
    restore_cursor();
    if (n > 1) set_curr_line_num(n - 1);
  }
  scr().last_direction = rcu;
}

void cursor_down_cmd() {
  update_curr_line();
  LineNode* nx = curr_line ? next_line(curr_line) : nullptr;
  if (nx) {
    int n = known_line_num();
    curr_line = nx;
    if (scr().cy != lines - 1) {
      scr().cy++;
    } else {
      // Scroll the window up by one row and draw the line that came in.
      ti_delete_line(2);
      draw_row(curr_line, lines - 1);
      scr().top_line = next_line(scr().top_line);
      scr().bottom_line = curr_line;
    }
    restore_cursor();
    if (n > 0) set_curr_line_num(n + 1);
  }
  scr().last_direction = rcd;
}

void extended_motion_cmd() {
  update_curr_line();
  switch (scr().last_direction) {
    case rcl:
      scr().cx = 0;
      restore_cursor();
      break;
    case rcr:
      scr().cx = curr_line ? curr_line->length : 0;
      restore_cursor();
      break;
    case rcd:
      page_down();
      break;
    case rcu:
      page_up();
      break;
    default:
      break;
  }
}

void ext_home_cmd() {
  scr().last_direction = rcl;
  extended_motion_cmd();
}

void ext_end_cmd() {
  scr().last_direction = rcr;
  extended_motion_cmd();
}

void ext_pgup_cmd() {
  update_curr_line();
  scr().last_direction = rcu;
  page_up();
}

void ext_pgdn_cmd() {
  update_curr_line();
  scr().last_direction = rcd;
  page_down();
}

void edge_cmd() {
  update_curr_line();
  switch (scr().last_direction) {
    case rcl:
      scr().cx = ti_get_left_cx();
      restore_cursor();
      break;
    case rcr:
      scr().cx = ti_get_right_cx();
      restore_cursor();
      break;
    case rcd:
      cursor_bottom_of_page_cmd();
      break;
    case rcu:
      cursor_top_of_page_cmd();
      break;
    default:
      break;
  }
}

void cursor_top_of_page_cmd() { cursor_to_window_row(0); }
void cursor_middle_of_page_cmd() { cursor_to_window_row(half_step()); }
void cursor_bottom_of_page_cmd() { cursor_to_window_row(page_step()); }

void page_down() { page_down_from(top_line_num()); }
void page_up() { page_up_from(top_line_num()); }

void half_up_cmd() {
  update_curr_line();
  int top_num = top_line_num();
  if (scr().top_line && prev_line(&curr_file, scr().top_line)) {
    int m = 0;
    scr().top_line = step(scr().top_line, '+', half_step(), &m);
    if (top_num > 0) top_num += m;
  }
  scr().last_direction = rcu;
  page_up_from(top_num);
}

void half_down_cmd() {
  update_curr_line();
  int top_num = top_line_num();
  if (scr().bottom_line && scr().bottom_line->next) {
    int m = 0;
    scr().bottom_line = step(scr().bottom_line, '-', half_step(), &m);
  }
  scr().last_direction = rcd;
  page_down_from(top_num);
}

void half_left_cmd() {
  scr().cx = std::max(scr().cx - physical_cols / 2, 0);
  ti_scroll_left(50);
  scrolled_msg("Scrolled left to column");
}

void half_right_cmd() {
  scr().cx = std::min(scr().cx + physical_cols / 2, columns - 1);
  ti_scroll_right(50);
  scrolled_msg("Scrolled right to column");
}

void top_of_file_cmd() {
  update_curr_line();
  LineNode* first = first_line(curr_file);
  if (!first) return;
  curr_line = first;
  set_curr_line_num(1);
  display_new_screen(scr().cx);
  display_curr_position();
  restore_cursor();
}

void bottom_of_file_cmd() {
  update_curr_line();
  LineNode* last = last_line(curr_file);
  if (!last) return;
  int row;
  if (!displayed(last, &row)) {
    // Bring the end of the file into the window, the last line on row
    // physical_lines - 4, then move onto it as when it was shown already.
    int m = 0;
    curr_line = step(last, '-', physical_lines - 15, &m);
    scr().cy = update_curr_screen(11);
    draw_curr_screen();
    if (!displayed(last, &row)) row = scr().cy;
  }
  curr_line = last;
  scr().cy = row;
  set_curr_line_num(curr_file.count);
  display_curr_position();
  restore_cursor();
}
