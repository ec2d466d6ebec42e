// Undoing a replacement: the replay of the substitute record, which puts the
// matched text back where the replacement stands.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "files/openfiles.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

namespace {

constexpr int MAX_EDIT_LINE = 382;

// Makes `text` (len characters) the current line's text.  Through the line
// buffer as every edit does; a line longer than an edit may make (a line
// read in at 383 or 384 characters and shortened by the replacement) gets a
// node of its own size, so that it comes back whole.
void set_current_text(const char* text, int len) {
  line_buf.length = 0;
  if (len <= 0) {
    curr_line->length = 0;
    return;
  }
  if (len <= MAX_EDIT_LINE || len <= curr_line->length) {
    std::memcpy(line_buf.text, text, static_cast<size_t>(len));
    line_buf.length = len;
    update_curr_line();
    return;
  }
  LineNode* old = curr_line;
  Link* pred = old->prev;
  int err = 0;
  list_delete(&curr_file, old, &err);
  auto* node = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(len))));
  node->length = len;
  std::memcpy(node->text, text, static_cast<size_t>(len));
  add(&curr_file, pred, node, &err);
  if (curr_screen.top_line == old) curr_screen.top_line = node;
  if (curr_screen.bottom_line == old) curr_screen.bottom_line = node;
  if (curr_bwd_link == old) curr_bwd_link = node;
  ku_free(old);
  curr_line = node;
}

}  // namespace

void undo_substitute(UndoItem* item) {
  auto* s = static_cast<const UndoSubstitution*>(item->data);
  int col = item->col;
  undo_show_line(item, col);
  if (!curr_line || !s) {
    undo_retire_item(item);
    return;
  }
  int len = curr_line->length;
  int rlen = std::clamp(s->replacement_length, 0, UNDO_MAX_SUBSTITUTE);
  int mlen = std::clamp(s->matched_length, 0, UNDO_MAX_SUBSTITUTE);
  // The replacement must still stand at the column: the record describes
  // that text and no other.
  if (col < 0 || col + rlen > len || std::memcmp(curr_line->text + col, s->replacement, static_cast<size_t>(rlen)) != 0) {
    write_ku_msg("Undo: the replaced text has changed");
    undo_retire_item(item);
    return;
  }
  // Old length - replacement + matched text: the line as it was.
  char restored[sizeof line_buf.text + UNDO_MAX_SUBSTITUTE];
  int tail = len - col - rlen;
  std::memcpy(restored, curr_line->text, static_cast<size_t>(col));
  std::memcpy(restored + col, s->matched, static_cast<size_t>(mlen));
  std::memcpy(restored + col + mlen, curr_line->text + col + rlen, static_cast<size_t>(tail));
  int new_len = std::min<int>(col + mlen + tail, static_cast<int>(sizeof line_buf.text));
  set_current_text(restored, new_len);

  int left = ti_get_left_cx();
  ti_move_cursor(std::max(col, left), curr_screen.cy);
  ti_clear_to_eol(curr_screen.cy);
  writeln(curr_line->text, curr_line->length, col);
  restore_cursor();
  undo_retire_item(item);
}
