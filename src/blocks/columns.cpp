// Column blocks: the column command with its two-step choice of an area
// (lines, then columns, with their "V" markers), copying, deleting, pasting
// and inserting columns, column files, and the column buffer itself.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "blocks/block_state.h"
#include "core/dispatch.h"
#include "edit/delete.h"
#include "edit/motion.h"
#include "files/openfiles.h"
#include "files/textfile.h"
#include "input/readstate.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

const char* const column_menu = "Insert  Kill  Delete  Copy  Paste  Read  SaveAs  Xchng  Erase : ";
const char column_cmds[10] = "IKDCPRSXE";
void (*const column_procs[9])(ListHead*, BlockRange*) = {
    column_insert, column_copy_delete, column_copy_delete,   column_copy_delete, column_paste,
    column_read,   column_write,       column_line_exchange, column_flush,
};
char block_exit_cmds[9];

namespace {

constexpr int COLUMN_CMD_IX = 56;
constexpr int STATUS_COLS_X = 49;  // where the chosen columns are shown on row 0
// The longest line a paste may make; replaying an undo may restore a line
// as long as reading makes them.
constexpr int PASTE_LIMIT = MAX_LINE_LENGTH;
constexpr int UNDO_PASTE_LIMIT = KU_READ_LINE_MAX;

const char* const lines_gone_msg = "Column lines are gone - define new area";
const char* const no_column_repeat_msg = "No column command to repeat";

char command_char(void (*proc)()) {
  for (int i = 0; i < N_COMMANDS; i++)
    if (cmd_proc[i] == proc) return commands[i];
  return 0;
}

// The motions that move the end column.
bool horizontal_motion(int k) {
  static void (*const motions[])() = {cursor_left_cmd, cursor_right_cmd, ext_home_cmd,
                                      ext_end_cmd,     word_right_cmd,   word_left_cmd};
  for (auto* m : motions)
    if (k > 0 && command_char(m) == k) return true;
  return false;
}

int upper(int k) { return (k >= 'a' && k <= 'z') ? k - 'a' + 'A' : k; }

void put_char_at(int col, int row, char ch) {
  ti_move_cursor(col, row);
  writechar(static_cast<unsigned char>(ch));
}

// Makes `l` the current line with its number known.
void make_current(LineNode* l) {
  curr_line = l;
  set_curr_line_num(line_index(l) + 1);
}

bool line_in_file(const LineNode* l) { return l && line_index(l) >= 0; }

// Lines from `l` to the end of the file, counting at most `enough`.
int lines_from(const LineNode* l, int enough) {
  int n = 0;
  for (; l && n < enough; l = next_line(l)) n++;
  return n;
}

// Draws a line on a text row from the aperture's left edge, keeping the
// aperture where it is.
void draw_row(const LineNode* line, int row) {
  if (row < 2 || row >= lines) return;
  const char* text;
  int len;
  shown_line(line, &text, &len);
  mv_writeln(ti_get_left_cx(), row, 0, text, len, 0);
}

// What the column letters need of the remembered area before running.
enum class Needs { nothing, first_line, all_lines };
Needs needs_of(char k) {
  switch (k) {
    case 'X':
    case 'E':
      return Needs::nothing;
    case 'P':
    case 'R':
      return Needs::first_line;
    default:
      return Needs::all_lines;
  }
}

bool area_usable(const BlockRange& a) {
  switch (needs_of(a.key)) {
    case Needs::nothing:
      return true;
    case Needs::first_line:
      return line_in_file(a.first);
    case Needs::all_lines:
      return range_in_file(a);
  }
  return false;
}

}  // namespace

bool is_column_pad_header(const LineNode* node) {
  return node && node->length >= 4 && (node->length - 4) % 4 == 0 && std::memcmp(node->text, COLUMN_PAD_TAG, 4) == 0;
}

int column_pad_of(const LineNode* header, int row) {
  if (!is_column_pad_header(header) || row < 0 || 4 + 4 * row + 4 > header->length) return -1;
  int32_t v;
  std::memcpy(&v, header->text + 4 + 4 * row, 4);
  return v;
}

void init_column_block() {
  init_list(&column_block);
  block_exit_cmds[0] = command_char(cursor_left_cmd);
  block_exit_cmds[1] = command_char(cursor_right_cmd);
  std::memcpy(block_exit_cmds + 2, "IPRSXE", 6);
  block_exit_cmds[8] = 0;
}

ListHead* get_column_block_ptr() { return &column_block; }

// ---------------------------------------------------------------------------
// Choosing the area

void delete_column_markers(int row, const LineNode* line) {
  if (row < 2 || row >= lines || !line) return;
  const char* text;
  int len;
  shown_line(line, &text, &len);
  int left = ti_get_left_cx();
  ti_move_cursor(left, row);
  if (len <= 0) {
    ti_clear_to_eol(row);
  } else {
    writeln(text, len, 0);
    if (len - 1 < ti_get_right_cx()) {
      ti_move_cursor(std::max(len, left), row);
      ti_clear_to_eol(row);
    }
  }
  restore_cursor();
}

int define_column_range(BlockRange* area, const char* letters, int n) {
  update_curr_line();
  make_current(area->first);
  display_new_screen(curr_screen.cx);
  int start_col = curr_screen.cx;
  int end_col = start_col;
  int first_row = curr_screen.cy;
  int last_row = -1;
  auto note_last_row = [&] {
    int r;
    last_row = area->count > 1 && displayed(area->last, &r) ? r : -1;
  };
  note_last_row();
  char first_start = write_marker('V', start_col, first_row, area->first);
  char last_start = last_row >= 0 ? write_marker('V', start_col, last_row, area->last) : ' ';
  char first_end = first_start, last_end = last_start;
  const char left_key = command_char(cursor_left_cmd), right_key = command_char(cursor_right_cmd);
  for (;;) {
    char shown[64];
    std::snprintf(shown, sizeof shown, "%s%3d, %s%3d%c", "[Start Col:", start_col, "End Col :", end_col, ']');
    mv_writestr(STATUS_COLS_X, 0, 0, shown);
    restore_cursor();
    ku_mode = last_ku_mode;
    int k = read_char();
    // As for the line step, only keys decoded as commands move the end.
    bool as_command = ku_mode == COMMAND_MODE;
    if (as_command && horizontal_motion(k)) {
      if (curr_screen.cx != start_col) {
        put_char_at(curr_screen.cx, first_row, first_end);
        if (last_row >= 0) put_char_at(curr_screen.cx, last_row, last_end);
      }
      if ((k == left_key && curr_screen.cx == 0) || (k == right_key && curr_screen.cx >= columns - 1)) {
        writechar(7);
      } else {
        cmd_proc[command_index(k)]();
        if (curr_line != area->first) {
          // A word motion may leave the line: the end column stays on it.
          make_current(area->first);
          display_new_screen(curr_screen.cx);
          first_row = curr_screen.cy;
          note_last_row();
        }
      }
      end_col = curr_screen.cx;
      first_end = write_marker('V', end_col, first_row, area->first);
      if (last_row >= 0) last_end = write_marker('V', end_col, last_row, area->last);
      if (start_col >= ti_get_left_cx() && start_col <= ti_get_right_cx()) {
        write_marker('V', start_col, first_row, area->first);
        if (last_row >= 0) write_marker('V', start_col, last_row, area->last);
      }
      restore_cursor();
      continue;
    }
    if (k == '\n') {
      delete_column_markers(first_row, area->first);
      if (last_row >= 0) delete_column_markers(last_row, area->last);
      return 0;
    }
    int ix = k > 0 && k < 256 ? findb(letters, static_cast<char>(upper(k)), n) : -1;
    if (ix < 0) {
      writechar(7);
      continue;
    }
    area->key = static_cast<char>(upper(k));
    area->key_ix = ix;
    delete_column_markers(first_row, area->first);
    if (last_row >= 0) delete_column_markers(last_row, area->last);
    area->first_col = std::min(start_col, end_col);
    area->last_col = std::max(start_col, end_col);
    curr_screen.cx = area->first_col;
    restore_cursor();
    return 1;
  }
}

// ---------------------------------------------------------------------------
// The column command

void column_cmd() {
  update_curr_line();
  bool again = curr_cmd == 'a';
  BlockRange area{};
  auto cancel = [&] {
    last_key = 0;
    last_area_cmd = 0;
    requested_reps = 1;
    pop_status_line();
  };
  if (again) {
    if (last_area_cmd != 'c' || last_key == 0) {
      write_ku_msg(no_column_repeat_msg);
      requested_reps = 1;
      return;
    }
    area = last_file_area;
    // A paste repeats where the cursor now is.
    if (area.key == 'P') area.first = curr_line;
  } else {
    push_status_line(column_menu);
    if (!define_line_range(&area, curr_screen.cx, block_exit_cmds, 8)) {
      cancel();
      return;
    }
    if (area.key == block_exit_cmds[0] || area.key == block_exit_cmds[1]) {
      if (!define_column_range(&area, column_cmds, 9)) {
        cancel();
        return;
      }
    } else {
      area.first_col = area.last_col = 0;
      area.key_ix = findb(column_cmds, area.key, 9);
    }
  }
  // The area is remembered before it is used; a paste keeps it naming the
  // lines it replaced.
  last_file_area = area;
  last_key = area.key;
  last_area_cmd = 'c';
  key = area.key;
  BlockRange& a = last_file_area;
  int reps = requested_reps > 0 ? requested_reps : 1;
  for (int i = 0; i < reps && a.key_ix >= 0; i++) {
    // The area's lines are checked before every run: they may have gone
    // since the area was chosen.
    if (!area_usable(a)) {
      if (i == 0) write_ku_msg(lines_gone_msg);
      break;
    }
    if (needs_of(a.key) != Needs::nothing && curr_line != a.first) {
      make_current(a.first);
      display_new_screen(curr_screen.cx);
    }
    column_procs[a.key_ix](&column_block, &a);
  }
  requested_reps = 1;
  if (!again) pop_status_line();
}

// ---------------------------------------------------------------------------
// Column operations

void column_flush(ListHead* list, BlockRange*) {
  purge_list(list);
  if (key == 'E') write_ku_msg("Column Area buffer emptied");
}

void column_copy_delete(ListHead* dest, BlockRange* area) {
  bool copy_only = area->copy_only == 'u';
  int pos = get_curr_line_num();
  int first = area->first_col, last = area->last_col;
  int row = curr_screen.cy;
  bool copy = key == 'C' || key == 'D' || copy_only;
  bool remove = (key == 'D' || key == 'K') && !copy_only;
  if (key == 'C' || key == 'D') column_flush(dest, area);
  if (remove && undo_state != 2) push_undo_column_delete(COLUMN_CMD_IX, area, pos, first, row);
  int n = 0;
  for (LineNode* l = area->first; l;) {
    LineNode* next = l == area->last ? nullptr : next_line(l);
    if (copy) {
      int len = l->length;
      int end = std::min(last, len - 1);
      send_node(dest, len <= first ? new_line(nullptr, 0) : new_line(l->text + first, end - first + 1));
    }
    if (remove) delete_chars(l, first, last, row + n);
    n++;
    l = next;
  }
  if (copy_only) return;
  const char* what = key == 'C' ? " copied" : key == 'D' ? " copied, deleted" : " deleted";
  char msg[96];
  std::snprintf(msg, sizeof msg, "%d %s %d %s%s", last - first + 1, "columns x", n, "lines", what);
  write_ku_msg(msg);
  restore_cursor();
}

void column_paste(ListHead* rows, BlockRange* area) {
  if (rows->count == 0) {
    write_ku_msg("Column buffer empty - Nothing to paste");
    return;
  }
  // An area of several lines takes exactly as many rows; a one-line area
  // needs as many lines from it to the end of the file.
  int nrows = rows->count;
  bool fits = area->count > 1 ? nrows == area->count : true;
  if (!fits || lines_from(area->first, nrows) < nrows) {
    write_ku_msg("Column and area line sizes differ");
    return;
  }
  const int col = curr_screen.cx;
  const bool blank = area->key == 'I';
  const int limit = undo_state == 2 ? UNDO_PASTE_LIMIT : PASTE_LIMIT;

  // What each row does to its line, worked out before anything changes: the
  // rows before the first line that would grow too long are pasted, the rest
  // skipped.  The undo record names exactly what was inserted where.
  struct Plan {
    bool insert;
    int pad;  // the line's length when it was filled out to the column, else -1
  };
  std::vector<Plan> plan;
  bool skipped = false;
  {
    LineNode* l = area->first;
    for (LineNode* r = first_line(*rows); r && l; r = next_line(r), l = next_line(l)) {
      int len = l->length;
      bool insert = r->length > 0 && (!blank || len > col);
      int grown = insert ? std::max(len, col) + r->length : len;
      if (grown > limit) {
        skipped = true;
        break;
      }
      plan.push_back({insert, insert && len < col ? len : -1});
    }
  }
  int handled = static_cast<int>(plan.size());
  const int start_row = curr_screen.cy;
  if (handled > 0 && undo_state != 2) {
    ListHead record;
    init_list(&record);
    std::vector<char> header(4 + 4 * static_cast<size_t>(handled));
    std::memcpy(header.data(), COLUMN_PAD_TAG, 4);
    for (int i = 0; i < handled; i++) {
      int32_t v = plan[static_cast<size_t>(i)].pad;
      std::memcpy(header.data() + 4 + 4 * i, &v, 4);
    }
    send_node(&record, new_line(header.data(), static_cast<int>(header.size())));
    LineNode* r = first_line(*rows);
    for (int i = 0; i < handled; i++, r = next_line(r))
      send_node(&record, plan[static_cast<size_t>(i)].insert ? new_line(r->text, r->length) : new_line(nullptr, 0));
    push_undo_column_paste(COLUMN_CMD_IX, &record, get_curr_line_num(), col, start_row);
    purge_list(&record);
  }

  LineNode* l = area->first;
  LineNode* first_done = nullptr;
  LineNode* last_done = nullptr;
  bool drawing = true;
  int widest = 0;
  char text[1024];
  LineNode* r = first_line(*rows);
  for (int i = 0; i < handled; i++, r = next_line(r)) {
    if (plan[static_cast<size_t>(i)].insert) {
      int len = l->length;
      int head = std::min(len, col);
      std::memcpy(text, l->text, static_cast<size_t>(head));
      if (len < col) std::memset(text + len, ' ', static_cast<size_t>(col - len));
      std::memcpy(text + col, r->text, static_cast<size_t>(r->length));
      if (len > col) std::memcpy(text + col + r->length, l->text + col, static_cast<size_t>(len - col));
      l = replace_file_line(l, text, std::max(len, col) + r->length, area);
      if (drawing) draw_row(l, start_row + i);
    }
    if (l == curr_screen.bottom_line) drawing = false;
    if (!first_done) first_done = l;
    last_done = l;
    widest = std::max(widest, static_cast<int>(r->length));
    l = next_line(l);
  }
  if (first_done) {
    area->count = handled;
    area->first = first_done;
    area->last = last_done;
    make_current(first_done);
  }
  curr_screen.cx = col;
  curr_screen.cy = start_row;
  restore_cursor();
  if (skipped) {
    write_ku_msg("1+ pastes skipped - line too long");
    return;
  }
  char msg[96];
  std::snprintf(msg, sizeof msg, "%d %s %d %s", widest, "columns x", handled, "lines pasted");
  write_ku_msg(msg);
}

void column_insert(ListHead*, BlockRange* area) {
  int width = area->last_col - area->first_col + 1;
  if (width < 1) width = 1;
  std::vector<char> blanks(static_cast<size_t>(width), ' ');
  ListHead rows;
  init_list(&rows);
  for (int i = 0; i < area->count; i++) send_node(&rows, new_line(blanks.data(), width));
  char saved = area->key;
  area->key = 'I';
  column_paste(&rows, area);
  area->key = saved;
  purge_list(&rows);
}

void column_read(ListHead* list, BlockRange* area) {
  if (read_chosen_file(list)) column_paste(list, area);
}

void column_write(ListHead* list, BlockRange* area) {
  if (area->first == area->last && area->first_col == area->last_col && list->count > 0) {
    write_chosen_file(first_line(*list), last_line(*list));
    return;
  }
  ListHead rows;
  init_list(&rows);
  char saved = key;
  key = 'C';
  column_copy_delete(&rows, area);
  key = saved;
  write_chosen_file(first_line(rows), last_line(rows));
  purge_list(&rows);
}

void column_line_exchange(ListHead*, BlockRange*) {
  exchange_line_column_blocks();
  write_ku_msg("Column and Line buffers exchanged");
}
