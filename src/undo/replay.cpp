// Undoing actions: the undo command, which takes back the newest action of
// the current queue, the table of replay handlers by record type, and the
// handlers that restore characters, line tails, words, lines and pasted lines.
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "core/dispatch.h"
#include "core/entry.h"
#include "edit/motion.h"
#include "files/openfiles.h"
#include "options/options.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

const int undo_types[UNDO_N_TYPES] = {
    UNDO_DEL_CHAR,  UNDO_DEL_RIGHT, UNDO_DEL_LINE,  UNDO_DEL_BLOCK, UNDO_SUBSTITUTE,   UNDO_BLOCK_PASTE,
    UNDO_DEL_WORD,  UNDO_INS_CHAR,  UNDO_WRAP_PARA, UNDO_MACRO,     UNDO_COLUMN_PASTE, UNDO_COLUMN_DELETE,
};

void (*const undo_procs[UNDO_N_TYPES])(UndoItem*) = {
    undo_del_char, undo_del_right, undo_del_line,  undo_del_block, undo_substitute,   undo_block_paste,
    undo_del_word, undo_ins_char,  undo_wrap_para, undo_macro,     undo_column_paste, undo_column_delete,
};

static_assert(std::size(undo_types) == UNDO_N_TYPES);
static_assert(std::size(undo_procs) == UNDO_N_TYPES);

namespace {

constexpr int DELETE_CHAR_IX = 35;
constexpr int RUBOUT_IX = 34;
constexpr int INSERT_IX = 0;
constexpr int MAX_LINE = 382;

// Set by a handler whose reverse change could not be made: the records
// older than it describe a text that no longer exists, so the queue is
// flushed once the replay is over.
bool flush_after_replay = false;

int text_cap() { return static_cast<int>(sizeof line_buf.text); }

// The current line is the one at 0-based index i: the line-number cache is
// primed for it, so no stale cache entry can name a line a replay replaced.
void note_current_index(int i) { set_curr_line_num(i + 1); }

// 0-based index of the line undo_show_line made current.
int shown_index = 0;

// 0-based index of the current line when the line-number cache still
// vouches for it (the line before it is the one the number was counted
// from), else -1.
int cached_index() {
  if (!curr_line || curr_line_num <= 0) return -1;
  Link* pred = curr_line->prev;
  int pred_len = pred == as_link(&curr_file) ? curr_file.total : as_line(pred)->length;
  return pred == curr_bwd_link && pred_len == curr_bwd_len ? curr_line_num - 1 : -1;
}

// The line at 0-based index n (0 <= n < count), walked to from the nearest
// known place: the first line, the last line or the current line.  A replay
// near the cursor in a long file thus costs the distance moved, not the
// line's distance from the top.
LineNode* line_at(int n) {
  int last = curr_file.count - 1;
  LineNode* from = first_line(curr_file);
  int from_ix = 0;
  if (last - n < n) {
    from = last_line(curr_file);
    from_ix = last;
  }
  int here = cached_index();
  if (here >= 0 && here <= last && std::abs(here - n) < std::abs(from_ix - n)) {
    from = curr_line;
    from_ix = here;
  }
  int moved = 0, err = 0;
  char dir = from_ix <= n ? '+' : '-';
  return as_line(traverse_list(&curr_file, from, dir, &moved, std::abs(from_ix - n), &err));
}

// Unlinks and frees a line of the current file; the window's top and bottom
// lines are recomputed by the caller.
void remove_line(LineNode* l) {
  list_delete(&curr_file, l, &status);
  if (curr_screen.top_line == l) curr_screen.top_line = nullptr;
  if (curr_screen.bottom_line == l) curr_screen.bottom_line = nullptr;
  ku_free(l);
}

LineNode* new_empty_line() {
  auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(0))));
  n->next = n->prev = nullptr;
  n->length = 0;
  std::memset(n->text, ' ', 16);
  return n;
}

// Draws the stored current line on the cursor row from column x to the end.
void redraw_from(int x) {
  int left = ti_get_left_cx();
  ti_move_cursor(x > left ? x : left, curr_screen.cy);
  ti_clear_to_eol(curr_screen.cy);
  writeln(curr_line->text, curr_line->length, x);
  restore_cursor();
}

// Takes a line back to `len` characters when an undone key had lengthened
// it with blanks (typing or overwriting beyond the end of the text).
void shorten_current_line(int len) {
  update_curr_line();
  if (len < 0 || curr_line->length <= len) return;
  for (int i = len; i < curr_line->length; i++)
    if (curr_line->text[i] != ' ') return;
  curr_line->length = len;
  redraw_from(len);
}

// The typing mode the editor stays in after the undo, shown at once: the
// dispatcher refreshes the indicator only when it showed command mode.
void set_typing_mode(int mode) {
  last_ku_mode = mode;
  set_status_line(0, 0, mode);
}

// Replays the newest record of the current queue.
void replay_newest() {
  auto* item = static_cast<UndoItem*>(undo_queue->first);
  int saved_state = undo_state;
  undo_state = 2;
  // A replay restores exactly what was taken: no re-wrapping, no indentation,
  // and a TAB character comes back as itself.
  int saved_wrap = options.text_wrapping, saved_indent = options.auto_indent, saved_xlate = options.input_xlate;
  options.text_wrapping = 0;
  options.auto_indent = 0;
  options.input_xlate = 0;
  int ix = -1;
  for (int i = 0; i < UNDO_N_TYPES; i++)
    if (undo_types[i] == item->type) ix = i;
  if (ix < 0)
    write_ku_msg("Unknown Undo Type!");
  else
    undo_procs[ix](item);
  options.text_wrapping = saved_wrap;
  options.auto_indent = saved_indent;
  options.input_xlate = saved_xlate;
  undo_state = saved_state;
}

}  // namespace

void undo_show_line(const UndoItem* item, int col) {
  update_curr_line();
  int n = item->line;
  if (n >= curr_file.count) n = curr_file.count - 1;
  if (n < 0) n = 0;
  curr_line = line_at(n);
  shown_index = n;
  note_current_index(n);
  display_new_screen(col);
}

void undo_retire_item(UndoItem* item) {
  undo_queue->total -= 1;
  list_delete(undo_queue, item, &status);
  free_undo_item(item);
}

int undo_retire_action(UndoItem* item) {
  undo_queue->total -= 1;
  item->count -= 1;
  if (item->count > 0) return 0;
  list_delete(undo_queue, item, &status);
  free_undo_item(item);
  return 1;
}

void undo_cmd() {
  if (undo_queue->count == 0) {
    if (requested_reps > 1) requested_reps = 1;
    if (curr_rep == 1) write_ku_msg("No undo actions available");
    return;
  }
  // Records name lines by position only: those of a file that is no longer
  // current (a file switch that did not flush the queue) would change the
  // wrong file, so they are discarded unreplayed (as they are when no file
  // is left to apply them to).
  if (static_cast<UndoItem*>(undo_queue->first)->file != curr_file_des || curr_file.count == 0) {
    flush_undo_queue();
    write_ku_msg("Undo actions of another file discarded");
    return;
  }
  replay_newest();
  if (flush_after_replay && undo_state != 2) {
    flush_after_replay = false;
    flush_undo_queue();
  }
  restore_cursor();
}

void undo_del_char(UndoItem* item) {
  auto* buf = static_cast<UndoCharBuffer*>(item->data);
  char ch = buf->chars[item->count - 1];
  int x = item->cmd_ix == RUBOUT_IX ? item->col - item->count + 1 : item->col;
  undo_show_line(item, x);
  int saved_mode = ku_mode;
  ku_mode = INSERT_MODE;
  // Typed again; a line end splits the line through ENTER.
  visual_processor(static_cast<unsigned char>(ch));
  if (item->cmd_ix == DELETE_CHAR_IX) cursor_left_cmd();
  ku_mode = saved_mode;
  update_curr_line();
  undo_retire_action(item);
}

void undo_del_right(UndoItem* item) {
  undo_show_line(item, item->col);
  load_line_buf();
  int at = line_buf.length;
  int n = item->count;
  if (at + n > MAX_LINE) n = MAX_LINE - at;
  if (n > 0) {
    std::memcpy(line_buf.text + at, item->data, static_cast<size_t>(n));
    line_buf.length = at + n;
    writeln(line_buf.text, line_buf.length, at);
  }
  update_curr_line();
  restore_cursor();
  undo_retire_item(item);
}

void undo_del_line(UndoItem* item) {
  undo_show_line(item, curr_screen.cx);
  auto* node = static_cast<LineNode*>(item->data);
  if (!node) {
    undo_retire_item(item);
    return;
  }
  item->data = node->next;
  int idx = shown_index;
  LineNode* only = first_line(curr_file);
  if (item->last_line_flag == 2 && curr_file.count == 1 && only->length == 0) {
    // The file's only line was deleted; the empty line left in its place
    // gives way to it.
    add(&curr_file, as_link(&curr_file), node, &status);
    remove_line(only);
    curr_line = node;
    note_current_index(0);
    curr_screen.cy = update_curr_screen(2);
    curr_screen.cx = item->col;
    draw_curr_screen();
  } else {
    Link* after = curr_line->prev;
    if (item->last_line_flag == 1) {
      // The line goes back after the file's present last line: the screen
      // makes room for it on the row below.
      after = curr_line;
      idx++;
      if (curr_screen.cy == lines - 1)
        ti_delete_line(2);
      else
        curr_screen.cy++;
    }
    if (curr_screen.cy == lines - 1) {
      ti_move_cursor(ti_get_left_cx(), curr_screen.cy);
      ti_clear_to_eol(curr_screen.cy);
    } else {
      ti_insert_line(curr_screen.cy);
    }
    add(&curr_file, after, node, &status);
    curr_line = node;
    note_current_index(idx);
    mv_writeln(item->col, curr_screen.cy, 0, node->text, node->length, 0);
    curr_screen.cy = update_curr_screen(curr_screen.cy);
    curr_screen.cx = item->col;
    restore_cursor();
  }
  undo_retire_action(item);
}

void undo_block_paste(UndoItem* item) {
  undo_show_line(item, item->col);
  int row = curr_screen.cy;
  int idx = shown_index;
  // Removal stops at the end of the file: lines changed without a record
  // cannot be told apart, so only what is there goes.
  for (int i = 0; i < item->count && curr_line; i++) {
    LineNode* next = next_line(curr_line);
    remove_line(curr_line);
    curr_line = next;
  }
  if (curr_file.count == 0) {
    // A file always keeps one line.
    send_node(&curr_file, new_empty_line());
    curr_line = first_line(curr_file);
    idx = 0;
  } else if (!curr_line) {
    curr_line = last_line(curr_file);
    idx = curr_file.count - 1;
    if (row > 2) row--;
  }
  note_current_index(idx);
  curr_screen.cy = update_curr_screen(row);
  draw_to_endof_screen();
  undo_retire_item(item);
}

void undo_del_word(UndoItem* item) {
  int c = item->col;
  undo_show_line(item, c);
  load_line_buf();
  int len = line_buf.length;
  int n = item->count;
  int end = len > c ? len : c;
  if (end + n > MAX_LINE) n = MAX_LINE - end;
  if (n > 0) {
    if (len > c) std::memmove(line_buf.text + c + n, line_buf.text + c, static_cast<size_t>(len - c));
    std::memcpy(line_buf.text + c, item->data, static_cast<size_t>(n));
    line_buf.length = end + n;
  }
  update_curr_line();
  redraw_from(c);
  undo_retire_item(item);
}

void undo_ins_char(UndoItem* item) {
  auto* buf = static_cast<UndoCharBuffer*>(item->data);
  char ch = buf->chars[item->count - 1];
  int extra = buf->extra[item->count - 1];
  int x = item->col + item->count - 1;
  undo_show_line(item, x);
  load_line_buf();
  if (item->cmd_ix == INSERT_IX) {
    set_typing_mode(INSERT_MODE);
    int lines_before = curr_file.count;
    LineNode* next = next_line(curr_line);
    bool split = extra > 0 && next && line_buf.length <= x;
    if (split && next->length > 0) {
      // The indentation the split gave the new line goes first (it is all
      // blanks), so that the join puts back exactly the old line.
      int indent = extra - 1;
      int blanks = 0;
      while (blanks < next->length && next->text[blanks] == ' ') blanks++;
      if (indent > blanks) indent = blanks;
      std::memmove(next->text, next->text + indent, static_cast<size_t>(next->length - indent));
      next->length -= indent;
    }
    delete_char_cmd();
    if (split && curr_file.count == lines_before) {
      // The join was refused (the joined line would be too long): the split
      // stays, and nothing older can be replayed over it.
      flush_after_replay = true;
    } else if (extra < 0) {
      shorten_current_line(-extra - 1);
    }
  } else {
    set_typing_mode(OVERWRITE_MODE);
    update_curr_line();
    load_line_buf();
    int p = x - 1;
    if (p >= 0 && p < text_cap()) {
      if (p < curr_line->length) curr_line->text[p] = ch;
      line_buf.text[p] = ch;
    }
    rubout_cmd();
    if (extra < 0) shorten_current_line(-extra - 1);
  }
  update_curr_line();
  undo_retire_action(item);
}

void undo_macro(UndoItem* item) {
  undo_show_line(item, item->col);
  update_curr_line();
  auto* sub = static_cast<ListHead*>(item->data);
  if (!sub || sub->total <= 0 || sub->count == 0) {
    write_ku_msg("Nothing to undo, or unsupported cmds");
    undo_retire_item(item);
    return;
  }
  ListHead* outer = undo_queue;
  undo_queue = sub;
  while (sub->count > 0 && !flush_after_replay) {
    if (static_cast<UndoItem*>(sub->first)->file != curr_file_des) {
      flush_after_replay = true;
      break;
    }
    int count = sub->count, total = sub->total;
    replay_newest();
    // A record that cannot be replayed yet stays; so does the group.
    if (sub->count == count && sub->total == total) break;
  }
  undo_queue = outer;
  if (sub->count > 0) return;
  undo_retire_item(item);
}
