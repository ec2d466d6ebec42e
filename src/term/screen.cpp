// Screen drawing and the current line: line_buf with its load and write-back,
// the record of what the text window shows, drawing the window around the
// current line, and the current line number with its cache.
#include "term/screen.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/dispatch.h"
#include "files/openfiles.h"
#include "store/memory.h"
#include "term/terminal.h"

ScreenState curr_screen;
LineNode* curr_line = nullptr;
LineRecord line_buf;
int curr_line_num = 0;
Link* curr_bwd_link = nullptr;
int curr_bwd_len = 0;
LineNode* cnode = nullptr;
LineNode* nnode = nullptr;
LineNode* pnode = nullptr;

namespace {

// The longest line an edit may produce.
constexpr int MAX_EDIT_LENGTH = 382;
// The longest line the store holds (reading splits longer physical lines),
// and the part of line_buf's text area kept blank beyond the text.
constexpr int MAX_STORED_LENGTH = 384;
// Command-table entries of the info and jump commands, which set
// curr_line_num themselves.
constexpr int INFO_CMD_IX = 9;
constexpr int JUMP_CMD_IX = 10;

// Draws one line on a text row: the slice the aperture shows, written from
// the aperture's left edge.  The move to the cursor column keeps the
// aperture on it.
void draw_line(const LineNode* line, int row) {
  const char* text;
  int len;
  shown_line(line, &text, &len);
  mv_writeln(std::min(curr_screen.cx, columns - 1), row, 0, text, len, 0);
}

}  // namespace

void shown_line(const LineNode* line, const char** text, int* length) {
  if (line == curr_line && line_buf.length > 0) {
    *text = line_buf.text;
    *length = std::min<int>(line_buf.length, sizeof line_buf.text);
  } else {
    *text = line->text;
    *length = line->length;
  }
}

void load_line_buf() {
  if (line_buf.length != 0) return;
  std::memset(line_buf.text, ' ', MAX_STORED_LENGTH);
  if (!curr_line) return;
  // The store holds at most 384 characters a line; never copy more than
  // the buffer's blank-padded area, whatever the node claims.
  int n = std::clamp<int>(curr_line->length, 0, MAX_STORED_LENGTH);
  line_buf.length = n;
  std::memcpy(line_buf.text, curr_line->text, static_cast<size_t>(n));
}

void update_curr_line() {
  if (line_buf.length <= 0 || !curr_line) return;
  int len = line_buf.length;
  int stored = curr_line->length;
  // Edits keep a line within 382 characters, but a line read in longer
  // (up to 384) keeps its characters: it is never cut below what it held.
  int cap = MAX_EDIT_LENGTH;
  if (stored > cap) cap = std::min<int>(stored, sizeof line_buf.text);
  if (len > cap) len = cap;
  // A line that grows keeps its node while the node has room (a node holds
  // its text rounded up to an 8-byte step); only beyond that does it move
  // to a new one, carved from the line arena like the lines read from files.
  if (len > line_room(stored)) {
    LineNode* old = curr_line;
    Link* pred = old->prev;
    int err = 0;
    list_delete(&curr_file, old, &err);
    auto* node = static_cast<LineNode*>(ku_alloc_line(len));
    add(&curr_file, pred, node, &err);
    if (curr_screen.top_line == old) curr_screen.top_line = node;
    if (curr_screen.bottom_line == old) curr_screen.bottom_line = node;
    // The line-number cache names the line above the current one; if that
    // was this node, it is the same line still.
    if (curr_bwd_link == old) curr_bwd_link = node;
    ku_free(old);
    curr_line = node;
  }
  curr_line->length = len;
  std::memcpy(curr_line->text, line_buf.text, static_cast<size_t>(len));
  line_buf.length = 0;
}

int update_curr_screen(int wanted_row) {
  if (!curr_line) return 2;
  int k = 0, m = 0, err = 0;
  curr_screen.top_line = traverse(&curr_file, curr_line, '-', &k, wanted_row - 2, &err);
  curr_screen.bottom_line = traverse(&curr_file, curr_line, '+', &m, lines - k - 3, &err);
  return k + 2;
}

int displayed(const LineNode* line, int* row) {
  if (curr_file.count == 0) return 0;
  int r = 2;
  for (const LineNode* l = curr_screen.top_line; l; l = next_line(l), r++) {
    if (l == line) {
      *row = r;
      return 1;
    }
    if (l == curr_screen.bottom_line) break;
  }
  return 0;
}

void draw_curr_screen() {
  ti_clear_display(2);
  int row = 2;
  for (cnode = curr_file.count > 0 ? curr_screen.top_line : nullptr; cnode && row < lines; cnode = next_line(cnode))
    draw_line(cnode, row++);
  restore_cursor();
}

void draw_to_endof_screen() {
  ti_clear_display(curr_screen.cy);
  int row = curr_screen.cy;
  for (cnode = curr_line; cnode && row < lines; cnode = next_line(cnode)) {
    draw_line(cnode, row++);
    if (cnode == curr_screen.bottom_line) break;
  }
  restore_cursor();
}

void after_delete_screen_update(LineNode* d, int redraw_rest, int to_top, int row) {
  if (d->next) {
    curr_line = as_line(d->next);
  } else {
    // d is the list head of an emptied file, or the last line.
    curr_line = d == static_cast<Link*>(&curr_file) ? nullptr : d;
    row--;
  }
  if (redraw_rest) {
    curr_screen.cy = update_curr_screen(row + 1);
    draw_to_endof_screen();
  } else {
    curr_screen.cy = update_curr_screen(to_top ? 2 : 11);
    draw_curr_screen();
  }
}

void display_new_screen(int x) {
  int row;
  if (curr_line && displayed(curr_line, &row)) {
    ti_move_cursor(std::min(x, columns - 1), row);
    curr_screen.cy = row;
    curr_screen.cx = x;
    return;
  }
  curr_screen.cx = x;
  curr_screen.cy = update_curr_screen(11);
  draw_curr_screen();
}

int get_curr_line_num() {
  if (!curr_line) return 0;
  Link* pred = curr_line->prev;
  int pred_len = pred == static_cast<Link*>(&curr_file) ? curr_file.total : as_line(pred)->length;
  if (pred == curr_bwd_link && pred_len == curr_bwd_len) return curr_line_num - 1;
  if (last_cmd_ix == INFO_CMD_IX || last_cmd_ix == JUMP_CMD_IX) return curr_line_num - 1;
  int i = 0;
  for (LineNode* l = first_line(curr_file); l && l != curr_line; l = next_line(l)) i++;
  curr_line_num = i + 1;
  curr_bwd_link = pred;
  curr_bwd_len = pred_len;
  return i;
}

LineNode* goto_line_num(int n) {
  LineNode* first = first_line(curr_file);
  if (!first) return nullptr;
  int moved = 0, err = 0;
  return traverse(&curr_file, first, '+', &moved, n, &err);
}

void restore_cursor() { ti_move_cursor(std::min(curr_screen.cx, columns - 1), curr_screen.cy); }
