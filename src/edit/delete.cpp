// Deletion and line joining: delete character, rubout, delete right and left
// of the cursor, delete line (into the line delete buffer), line joins and
// column removal, each recording what it removed for undo.
#include "edit/delete.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "edit/motion.h"
#include "edit/wrap.h"
#include "files/openfiles.h"
#include "options/options.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

namespace {

// Text bytes of line_buf kept blank beyond the line's length.
constexpr int BUF_BLANK_AREA = 384;

ScreenState& scr() { return curr_screen; }

// The command being run as the user asked for it: the again command stands
// for the command it repeats, so a repeated deletion is recorded as the
// deletion itself.
char running_cmd() { return curr_cmd == 'a' ? ag_last_cmd : curr_cmd; }

// push_undo_del_char with the record made for command `cmd` (the record's
// command index follows the command being run).
void push_del_char_for(char cmd, int ch, int line, int col, int row) {
  char saved = curr_cmd;
  curr_cmd = cmd;
  push_undo_del_char(ch, line, col, row);
  curr_cmd = saved;
}

// Draws a whole line on a text row, keeping the aperture on the cursor column.
void draw_row(const LineNode* line, int row) {
  const char* text;
  int len;
  shown_line(line, &text, &len);
  mv_writeln(std::min(scr().cx, columns - 1), row, 0, text, len, 0);
}

// A fresh node holding a copy of `line`.
LineNode* copy_line(const LineNode* line) {
  auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(line->length))));
  n->next = n->prev = nullptr;
  n->length = line->length;
  std::memcpy(n->text, line->text, static_cast<size_t>(line->length));
  return n;
}

// A new empty line for a file that has lost its last one.
LineNode* empty_line() {
  auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(0))));
  n->next = n->prev = nullptr;
  n->length = 0;
  return n;
}

}  // namespace

void delete_char_cmd() {
  load_line_buf();
  int len = line_buf.length;
  int cx = scr().cx;
  if (cx > len) return;
  if (cx == len) {
    // At the end of the text the line end goes: the next line joins.
    if (line_join() && running_cmd() == 'D') push_del_char_for('D', '\n', get_curr_line_num(), cx, 0);
    return;
  }
  if (running_cmd() == 'D') push_del_char_for('D', static_cast<unsigned char>(line_buf.text[cx]), get_curr_line_num(), cx, 0);
  std::memmove(line_buf.text + cx, line_buf.text + cx + 1, static_cast<size_t>(len - cx - 1));
  line_buf.text[len - 1] = ' ';
  line_buf.length = len - 1;
  // A buffer of length 0 is never written back, so an emptied line is
  // emptied in the store here.
  if (curr_line->length > 0) curr_line->length--;
  if (line_buf.length == 0) curr_line->length = 0;
  restore_cursor();
  ti_delete_char();
  ti_draw_last_column(&line_buf);
  restore_cursor();
  if (options.text_wrapping) {
    flush_undo_queue();
    wrap_line(1);
  }
}

void rubout_cmd() {
  if (scr().cx == 0) {
    if (!curr_line || !prev_line(&curr_file, curr_line)) return;
    cursor_up_cmd();
    ext_end_cmd();
    int join_col = scr().cx;
    if (line_join()) push_del_char_for('#', '\n', get_curr_line_num(), join_col, scr().cy);
    return;
  }
  cursor_left_cmd();
  load_line_buf();
  int cx = scr().cx;
  if (cx >= line_buf.length) return;
  if (last_ku_mode == INSERT_MODE) {
    if (running_cmd() == '#')
      push_del_char_for('#', static_cast<unsigned char>(line_buf.text[cx]), get_curr_line_num(), cx, scr().cy);
    delete_char_cmd();
    return;
  }
  // Overwrite mode: the character left of the cursor is only shown again
  // from the stored line, and the cursor steps back onto it.
  if (cx < curr_line->length) line_buf.text[cx] = curr_line->text[cx];
  restore_cursor();
  writechar(text_cell(static_cast<unsigned char>(line_buf.text[cx])));
  restore_cursor();
}

void delete_right_cmd() {
  load_line_buf();
  int cx = scr().cx;
  if (line_buf.length == 0 || line_buf.length <= cx) return;
  push_undo_del_right(&line_buf, cx, get_curr_line_num(), cx, scr().cy);
  line_buf.length = cx;
  std::memset(line_buf.text + cx, ' ', static_cast<size_t>(BUF_BLANK_AREA - cx));
  if (cx == 0) curr_line->length = 0;
  restore_cursor();
  ti_clear_to_eol(scr().cy);
  restore_cursor();
}

void delete_left_cmd() {
  load_line_buf();
  int k = scr().cx;
  int len = line_buf.length;
  // Nothing left of the cursor, or the cursor beyond the text: no change,
  // and no undo record that would undo nothing.
  if (len == 0 || len < k || k == 0) return;
  push_undo_del_word(&line_buf, k, get_curr_line_num(), 0, scr().cy);
  int r = len - k;
  scr().cx = 0;
  ti_move_cursor(0, scr().cy);
  std::memmove(line_buf.text, line_buf.text + k, static_cast<size_t>(r));
  std::memset(line_buf.text + r, ' ', static_cast<size_t>(BUF_BLANK_AREA - r));
  line_buf.length = r;
  curr_line->length = r;
  update_curr_line();
  int w = physical_cols;
  if (k < w) {
    for (int i = 0; i < k; i++) ti_delete_char();
    if (len > w) mv_writeln(w - k, scr().cy, 0, curr_line->text, curr_line->length, w - k);
  } else {
    ti_clear_to_eol(scr().cy);
    mv_writeln(0, scr().cy, 0, curr_line->text, curr_line->length, 0);
  }
  restore_cursor();
}

void delete_line_cmd() {
  update_curr_line();
  if (!curr_line) return;
  if (curr_rep <= 1) purge_line_del_buffer();
  send_node(&line_del_block, copy_line(curr_line));

  LineNode* old_bottom = scr().bottom_line;
  int col = scr().cx;
  int row = scr().cy;
  LineNode* successor;
  int last_flag = 0;
  int del_row;
  if (!curr_line->next) {
    // The last line: step up and back so the line above is on the screen,
    // then delete this row and stand one row higher.
    bool more = curr_file.count > 1;
    cursor_up_cmd();
    cursor_down_cmd();
    del_row = scr().cy;
    if (more) scr().cy--;
    successor = prev_line(&curr_file, curr_line);
    last_flag = more ? 1 : 0;
  } else {
    successor = next_line(curr_line);
    del_row = scr().cy;
  }

  int line_num = get_curr_line_num();
  LineNode* gone = curr_line;
  int err = 0;
  list_delete(&curr_file, gone, &err);
  ti_delete_line(del_row);
  if (old_bottom == gone) old_bottom = nullptr;
  if (running_cmd() == 'l')
    push_undo_del_line(gone, last_flag, line_num, col, row);
  else
    ku_free(gone);

  curr_line = successor;
  if (curr_file.count == 0) {
    // A file always keeps one line.
    LineNode* e = empty_line();
    send_node(&curr_file, e);
    curr_line = e;
  }
  // The line that took the deleted one's place has its number; the line
  // above the deleted last line has the number before it.
  set_curr_line_num(last_flag ? line_num : line_num + 1);

  restore_cursor();
  int wanted = scr().cy;
  scr().cy = update_curr_screen(wanted);
  if (scr().cy != wanted) {
    draw_curr_screen();
  } else if (scr().bottom_line != old_bottom) {
    // The row freed at the foot of the window gets the new bottom line.
    int r = 2;
    for (LineNode* l = scr().top_line; l && l != scr().bottom_line; l = next_line(l)) r++;
    draw_row(scr().bottom_line, r);
  }
  restore_cursor();
}

int line_join() {
  update_curr_line();
  if (!curr_line) return 0;
  LineNode* nx = next_line(curr_line);
  if (!nx) return 0;
  int len = curr_line->length;
  if (len + nx->length > MAX_JOINED_LENGTH) {
    write_ku_msg("Can't join lines - lines too long");
    return 0;
  }
  load_line_buf();
  std::memcpy(line_buf.text + len, nx->text, static_cast<size_t>(nx->length));
  line_buf.length = len + nx->length;
  update_curr_line();

  if (scr().cy == lines - 1) {
    // The next line is below the window: it only leaves the list.
    int err = 0;
    list_delete(&curr_file, nx, &err);
    ku_free(nx);
  } else {
    cursor_down_cmd();
    bool followed = curr_line->next != nullptr;
    delete_line_cmd();
    if (followed) cursor_up_cmd();
  }
  if (scr().cx <= columns - 1) draw_row(curr_line, scr().cy);
  restore_cursor();
  return 1;
}

void delete_chars(LineNode* line, int first, int last, int row) {
  if (!line || line->length == 0 || first < 0 || line->length <= first) return;
  int old_len = line->length;
  if (last >= old_len) last = old_len - 1;
  if (last < first) return;
  int n = last - first + 1;
  int rest = old_len - last - 1;
  std::memcpy(temp.text, line->text, static_cast<size_t>(first));
  std::memcpy(temp.text + first, line->text + last + 1, static_cast<size_t>(rest));
  temp.length = first + rest;
  std::memcpy(line->text, temp.text, static_cast<size_t>(temp.length));
  line->length = temp.length;
  if (row < lines) {
    ti_move_cursor(first, row);
    for (int i = 0; i < n; i++) ti_delete_char();
    int right = ti_get_right_cx();
    if (old_len > right) {
      int from = std::max(right - (last - first), 0);
      mv_writeln(from, row, 0, line->text, line->length, from);
    }
  }
}
