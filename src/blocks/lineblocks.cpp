// Line blocks: choosing a range of lines with its ">" markers, the block
// command with its menu and its repetition by the again command, the line
// block buffer's operations, and the copy, cut and paste commands of the line
// delete buffer.
#include <cstdio>
#include <cstring>

#include "blocks/block_state.h"
#include "core/dispatch.h"
#include "edit/motion.h"
#include "edit/wrap.h"
#include "files/dialog.h"
#include "files/openfiles.h"
#include "files/textfile.h"
#include "input/readstate.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

const char* const block_menu = "Copy  Append  Kill  Delete  Paste  Wrap  Read  SaveAs  Xchng  Flush : ";
const char block_cmds[11] = "CAKDPWRSXF";
void (*const block_cmd_procs[10])() = {
    block_buffer, block_buffer, block_delete,  block_delete,         block_get,
    block_wrap,   block_read,   block_save_as, line_column_exchange, block_purge,
};

namespace {

constexpr int BLOCK_CMD_IX = 3;
constexpr int GET_CMD_IX = 15;
constexpr int CUT_LINE_CMD_IX = 48;
constexpr int PASTE_LINE_CMD_IX = 49;
constexpr int PATH_SIZE = 384;

const char* const lines_gone_msg = "Block lines are gone - define new block";
const char* const no_block_repeat_msg = "No block command to repeat";

// The command character of a handler in the command table (0 if absent).
char command_char(void (*proc)()) {
  for (int i = 0; i < N_COMMANDS; i++)
    if (cmd_proc[i] == proc) return commands[i];
  return 0;
}

// The motions that move the moving end of a line range.
bool vertical_motion(int k) {
  static void (*const motions[])() = {
      jump_cmd,        cursor_up_cmd, cursor_down_cmd,    extended_motion_cmd, ext_pgup_cmd,
      top_of_file_cmd, ext_pgdn_cmd,  bottom_of_file_cmd, half_up_cmd,         half_down_cmd,
  };
  for (auto* m : motions)
    if (k > 0 && command_char(m) == k) return true;
  return false;
}

// The key read in upper case, as menus take their letters.
int upper(int k) { return (k >= 'a' && k <= 'z') ? k - 'a' + 'A' : k; }

// The command being run as the user asked for it (the again command stands
// for the command it repeats).
char running_cmd() { return curr_cmd == 'a' ? ag_last_cmd : curr_cmd; }

// Letters of the block menu that work on the chosen lines (the others use
// only the buffer or the current line).
bool uses_lines(char k) { return k == 'C' || k == 'A' || k == 'K' || k == 'D' || k == 'W' || k == 'S'; }

void put_char_at(int col, int row, char ch) {
  ti_move_cursor(col, row);
  writechar(static_cast<unsigned char>(ch));
}

LineNode* head_as_line() { return as_line(as_link(&curr_file)); }

// Makes the range name block.first..block.last when both are lines of the
// current file in that order.
void follow_block(BlockRange* r) {
  if (!block.first || !block.last || line_index(block.first) < 0) return;
  int n = 1;
  for (LineNode* l = block.first; l; l = next_line(l), n++) {
    if (l == block.last) {
      r->first = block.first;
      r->last = block.last;
      r->count = n;
      return;
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Range choice

char write_marker(char marker, int col, int row, const LineNode* line) {
  ti_move_cursor(col, row);
  writechar_emphasis(marker);
  ti_move_cursor(col, row);
  if (!line) return ' ';
  const char* text;
  int len;
  shown_line(line, &text, &len);
  return col >= 0 && col < len ? text[col] : ' ';
}

void delete_line_markers(int col, LineNode* start, char start_ch, LineNode* end, char end_ch) {
  int row;
  if (start && displayed(start, &row)) put_char_at(col, row, start_ch);
  if (end && end != start) put_char_at(col, curr_screen.cy, end_ch);
  restore_cursor();
}

int define_line_range(BlockRange* range, int marker_col, const char* letters, int n) {
  LineNode* start = curr_line;
  char start_ch = write_marker('>', marker_col, curr_screen.cy, start);
  char end_ch = start_ch;
  for (;;) {
    const char* menu = static_cast<const char*>(tos(&status_stack));
    if (menu) write_status_line(menu);
    ti_move_cursor(marker_col, curr_screen.cy);
    ku_mode = last_ku_mode;
    int k = read_char();
    // Only a key the decoder took as a command moves the range: a typed
    // letter is a menu letter even where it spells a motion's character.
    bool as_command = ku_mode == COMMAND_MODE;
    if (as_command && vertical_motion(k)) {
      if (curr_line != start) put_char_at(marker_col, curr_screen.cy, end_ch);
      cmd_proc[command_index(k)]();
      end_ch = write_marker('>', marker_col, curr_screen.cy, curr_line);
      int row;
      if (curr_line != start && displayed(start, &row)) write_marker('>', marker_col, row, start);
      ti_move_cursor(marker_col, curr_screen.cy);
      continue;
    }
    if (k == '\n') {
      delete_line_markers(marker_col, start, start_ch, curr_line, end_ch);
      restore_cursor();
      return 0;
    }
    int ix = k > 0 && k < 256 ? findb(letters, static_cast<char>(upper(k)), n) : -1;
    if (ix < 0) {
      writechar(7);
      continue;
    }
    range->key = static_cast<char>(upper(k));
    range->key_ix = ix;
    delete_line_markers(marker_col, start, start_ch, curr_line, end_ch);
    LineNode* end = curr_line;
    // The end met first walking the file from its first line comes first.
    int count = 0;
    LineNode* first = nullptr;
    for (LineNode* l = first_line(curr_file); l; l = next_line(l)) {
      if (!first && (l == start || l == end)) first = l;
      if (first) count++;
      if (first && (l == (first == start ? end : start))) break;
    }
    range->first = first ? first : start;
    range->last = range->first == start ? end : start;
    range->count = count > 0 ? count : 1;
    restore_cursor();
    return 1;
  }
}

// ---------------------------------------------------------------------------
// The block command

void block_cmd() {
  update_curr_line();
  bool again = curr_cmd == 'a';
  BlockRange r{};
  if (again) {
    if (last_area_cmd == 'b' && last_key == 'D') {
      write_ku_msg("Must define new block to repeat Delete");
      requested_reps = 1;
      return;
    }
    if (last_area_cmd != 'b' || last_key == 0) {
      write_ku_msg(no_block_repeat_msg);
      requested_reps = 1;
      return;
    }
    r = last_file_area;
  } else {
    push_status_line(block_menu);
    if (!define_line_range(&r, ti_get_left_cx(), block_cmds, 10)) {
      // A cancelled command leaves nothing for the again command to repeat.
      last_key = 0;
      last_area_cmd = 0;
      requested_reps = 1;
      pop_status_line();
      return;
    }
  }
  // The range is remembered before it is used: operations that replace
  // lines (Wrap) keep last_file_area naming the lines that took their place.
  last_file_area = r;
  last_key = r.key;
  last_area_cmd = 'b';
  key = r.key;
  BlockRange& a = last_file_area;
  int reps = requested_reps > 0 ? requested_reps : 1;
  for (int i = 0; i < reps; i++) {
    // The remembered lines are checked before every run: earlier runs, other
    // commands or a file switch may have taken them out of the file.
    if (uses_lines(key) && !range_in_file(a)) {
      if (i == 0) write_ku_msg(lines_gone_msg);
      break;
    }
    block.first = a.first;
    block.last = a.last;
    block_cmd_procs[a.key_ix]();
    // Wrapping replaces the lines; `block` names the ones that took their
    // place, and the remembered range follows it when it is still sound.
    if (key == 'W') follow_block(&a);
    // After a Kill or Delete the lines are out of the file: once is all.
    if (key == 'K' || key == 'D') break;
  }
  requested_reps = 1;
  if (!again) pop_status_line();
}

// ---------------------------------------------------------------------------
// Block operations

void block_buffer() {
  ku_exception = 5;
  if (key == 'C' || key == 'D') block_purge();
  bool move = key == 'D' || key == 'K';
  ListHead* dest = key == 'K' ? &kill_block : &line_block;
  int n = 0;
  int err = 0;
  for (LineNode* l = block.first; l;) {
    LineNode* next = l == block.last ? nullptr : next_line(l);
    if (move) {
      list_delete(&curr_file, l, &err);
      send_node(dest, l);
    } else {
      send_node(dest, new_line(l->text, l->length));
    }
    n++;
    ku_exception = 0;
    l = next;
  }
  if (move && curr_file.count == 0) {
    // A file always has a line.
    LineNode* e = new_line(nullptr, 0);
    send_node(&curr_file, e);
    curr_line = e;
  }
  const char* what = key == 'K' ? " killed" : key == 'D' ? " copied and deleted" : key == 'A' ? " appended" : " copied";
  char msg[96];
  std::snprintf(msg, sizeof msg, "%d %s%s", n, "line(s)", what);
  write_ku_msg(msg);
}

namespace {

// Where the lines of a deleted block go back (kept in the record's
// last_line_flag): 0 above the line at the record's position, 1 below it
// (they were the last lines of the file), 2 in place of the one empty line
// the file was left with (they were the whole file).
void mark_del_block_record(const Link* newest_before, int placement) {
  if (undo_state == 2 || !undo_queue || undo_queue->count == 0) return;
  auto* r = static_cast<UndoItem*>(undo_queue->first);
  if (undo_queue->first == newest_before || r->type != UNDO_DEL_BLOCK) return;
  r->last_line_flag = placement;
}

const Link* newest_record() { return undo_queue && undo_queue->count > 0 ? undo_queue->first : nullptr; }

// Facts about the window noted before lines leave the file, for
// after_delete_screen_update: the line before them (or the list head), its
// row when shown, and whether the first of them is the window's top line.
struct DeleteView {
  LineNode* before;
  bool shown;
  bool to_top;
  int row;
};

DeleteView note_view(LineNode* first) {
  DeleteView v{head_as_line(), false, first == curr_screen.top_line, 0};
  if (first->prev != as_link(&curr_file)) {
    v.before = as_line(first->prev);
    // A line on the last row has nothing of the window below it to redraw.
    v.shown = displayed(v.before, &v.row) && v.row < lines - 1;
  }
  return v;
}

}  // namespace

void block_delete() {
  purge_list(&kill_block);
  int first_ix = line_index(block.first);
  bool at_end = block.last->next == nullptr;
  bool whole = at_end && first_ix == 0;
  DeleteView v = note_view(block.first);
  block_buffer();
  after_delete_screen_update(v.before, v.shown ? 1 : 0, v.to_top ? 1 : 0, v.row);
  int pos = at_end && !whole ? first_ix - 1 : first_ix;
  set_curr_line_num(pos + 1);
  const Link* before = newest_record();
  push_undo_del_block(BLOCK_CMD_IX, key == 'K' ? &kill_block : &line_block, pos, curr_screen.cx, curr_screen.cy);
  mark_del_block_record(before, whole ? 2 : at_end ? 1 : 0);
  purge_list(&kill_block);
}

int paste_lines(const ListHead* src, int below) {
  ScreenState& s = curr_screen;
  int idx = curr_line ? get_curr_line_num() : 0;
  Link* at = as_link(&curr_file);
  int row = s.cy;
  if (curr_line) {
    if (below) {
      at = curr_line;
      row++;
      idx++;
    } else {
      at = curr_line->prev;
    }
  }
  // Below the last row the window has to move: it is drawn afresh.
  bool redraw = row > lines - 1;
  int left = ti_get_left_cx();
  int err = 0;
  int n = 0;
  LineNode* first = nullptr;
  for (LineNode* l = first_line(*src); l; l = next_line(l), n++) {
    LineNode* c = new_line(l->text, l->length);
    add(&curr_file, at, c, &err);
    at = c;
    if (!first) first = c;
    int r = row + n;
    if (!redraw && r < lines) {
      ti_move_cursor(left, r);
      ti_insert_line(r);
      mv_writeln(left, r, 0, c->text, c->length, 0);
    }
  }
  if (!first) return 0;
  curr_line = first;
  if (redraw) row = lines - 1;
  s.cy = update_curr_screen(row);
  if (redraw || s.cy != row) draw_curr_screen();
  set_curr_line_num(idx + 1);
  restore_cursor();
  return n;
}

void block_get() {
  if (line_block.count == 0) {
    write_ku_msg("Line buffer empty - Nothing to paste");
    return;
  }
  // On the last line of a file of more than one line the lines go below it,
  // elsewhere above the current line.
  bool below = curr_line && !curr_line->next && curr_file.count > 1;
  int n = paste_lines(&line_block, below ? 1 : 0);
  char msg[64];
  std::snprintf(msg, sizeof msg, "%d %s", n, "line(s) pasted");
  write_ku_msg(msg);
  if (undo_state != 2)
    push_undo_block_paste(running_cmd() == 'V' ? PASTE_LINE_CMD_IX : GET_CMD_IX, n, get_curr_line_num(), curr_screen.cx,
                          curr_screen.cy - 1);
}

void get_cmd() {
  update_curr_line();
  block_get();
}

void block_read() {
  if (read_chosen_file(&line_block)) block_get();
}

int read_chosen_file(ListHead* list) {
  char name[PATH_SIZE];
  open_file_dialog(select_file_read, name, sizeof name, 1);
  if (name[0] == 0) {
    write_ku_msg(no_file_select_read);
    return 0;
  }
  purge_list(list);
  int32_t chars, count;
  uint32_t sum;
  char format;
  ku_exception = read_file(name, list, &chars, &count, &sum, &format);
  if (ku_exception != 0) {
    purge_list(list);
    write_ku_msg(err_msg[3]);
    return 0;
  }
  return 1;
}

void write_chosen_file(LineNode* first, LineNode* last) {
  char name[PATH_SIZE];
  open_file_dialog(select_file_write, name, sizeof name, 1);
  if (name[0] == 0) {
    write_ku_msg(no_file_select_write);
    return;
  }
  int32_t chars, count;
  uint32_t sum;
  ku_exception = write_file(name, 0, 'u', first, last, &chars, &count, &sum);
  char cut[24];
  truncate_str_left(name, cut, 16);
  char msg[96];
  std::snprintf(msg, sizeof msg, "%s%s", cut, ku_exception == 0 ? " has been written" : " failed to write");
  write_ku_msg(msg);
  ku_exception = 0;
}

void block_save_as() {
  LineNode* first = block.first;
  LineNode* last = block.last;
  // A single line chosen while the buffer holds lines means the buffer.
  if (first == last && line_block.count > 0) {
    first = first_line(line_block);
    last = last_line(line_block);
  }
  write_chosen_file(first, last);
}

void exchange_line_column_blocks() { swap_list_heads(&line_block, get_column_block_ptr()); }

void line_column_exchange() {
  exchange_line_column_blocks();
  write_ku_msg("Line and Column buffers exchanged");
}

void block_purge() {
  purge_list(&line_block);
  if (key == 'F') write_ku_msg("Line Block buffer cleared");
}

// ---------------------------------------------------------------------------
// The line delete buffer

void purge_line_del_buffer() { purge_list(&line_del_block); }

void copy_line_del_buffer_cmd() {
  update_curr_line();
  purge_line_del_buffer();
  bool cut = line_del_block.saved_checksum == LINE_DEL_CUT_FLAG;
  int want = requested_reps > 0 ? requested_reps : 1;
  int err = 0;
  LineNode* l = curr_line;
  for (int i = 0; i < want && l; i++) {
    LineNode* next = next_line(l);
    if (cut) {
      list_delete(&curr_file, l, &err);
      send_node(&line_del_block, l);
    } else {
      send_node(&line_del_block, new_line(l->text, l->length));
    }
    l = next;
  }
  if (cut && curr_file.count == 0) {
    LineNode* e = new_line(nullptr, 0);
    send_node(&curr_file, e);
    curr_line = e;
  }
  char msg[64];
  std::snprintf(msg, sizeof msg, "%d %s%s", line_del_block.count, "line(s) copied ", cut ? "and deleted" : "");
  write_ku_msg(msg);
  // The count chose the lines; the command is not to run again.
  requested_reps = 1;
}

void cut_line_del_buffer_cmd() {
  update_curr_line();
  if (!curr_line) return;
  int pos = get_curr_line_num();
  int want = requested_reps > 0 ? requested_reps : 1;
  // Whether the cut reaches the end of the file, and whether it takes it all.
  LineNode* l = curr_line;
  for (int i = 1; i < want && l->next; i++) l = next_line(l);
  bool at_end = l->next == nullptr;
  bool whole = at_end && pos == 0;
  DeleteView v = note_view(curr_line);
  line_del_block.saved_checksum = LINE_DEL_CUT_FLAG;
  copy_line_del_buffer_cmd();
  after_delete_screen_update(v.before, v.shown ? 1 : 0, v.to_top ? 1 : 0, v.row);
  line_del_block.saved_checksum = 0;
  int now = at_end && !whole ? pos - 1 : pos;
  set_curr_line_num(now + 1);
  const Link* before = newest_record();
  push_undo_del_block(CUT_LINE_CMD_IX, &line_del_block, now, curr_screen.cx, curr_screen.cy);
  mark_del_block_record(before, whole ? 2 : at_end ? 1 : 0);
}

void paste_line_del_buffer_cmd() {
  update_curr_line();
  swap_list_heads(&line_block, &line_del_block);
  block_get();
  swap_list_heads(&line_block, &line_del_block);
  char msg[64];
  std::snprintf(msg, sizeof msg, "%d %s", line_del_block.count, "line(s) pasted");
  write_ku_msg(msg);
}
