// Text entry in the typing modes: a key typed in insert or overwrite mode
// changes the current-line buffer and the screen in place and leaves an undo
// record; TAB types blanks to the next tab stop, ENTER splits or opens lines.
#include "core/entry.h"
#include "edit/wrap.h"

#include <cstring>

#include "core/dispatch.h"
#include "files/openfiles.h"
#include "options/options.h"
#include "store/lists.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

// Wrap as you type, owned by paragraph wrapping: with force 0 it re-wraps the
// paragraph only when text wrapping is on and the current line has reached
// the right margin.


int auto_indent_level = 0;

namespace {

// Longest line text entry builds: the last column a key may be typed into is
// MAX_LINE - 1.
constexpr int MAX_LINE = 382;
constexpr int BEL = 7;
constexpr int INSERT_CMD_IX = 0;
constexpr int OVERWRITE_CMD_IX = 1;

const char* const line_full_msg = "Maximum line size reached";

bool recording_undo() { return undo_state != 2; }

void overwrite_key(char k) {
  int& cx = curr_screen.cx;
  if (cx > MAX_LINE - 1) {
    write_ku_msg(line_full_msg);
    return;
  }
  if (cx < columns - 1) writechar(static_cast<unsigned char>(k));
  char old = line_buf.text[cx];
  line_buf.text[cx] = k;
  cx++;
  if (recording_undo()) push_undo_ins_char(old, OVERWRITE_CMD_IX, get_curr_line_num(), cx, curr_screen.cy);
  // Writing past the end lengthens the line; the cells between already hold
  // the buffer's blanks.
  if (cx > line_buf.length) line_buf.length = cx;
}

void insert_key(char k) {
  int& cx = curr_screen.cx;
  if (line_buf.length > MAX_LINE - 1 || cx > MAX_LINE - 1) {
    write_ku_msg(line_full_msg);
    return;
  }
  bool pad = false;
  if (line_buf.length < cx) {
    if (!options.text_wrapping) {
      pad = true;
    } else {
      // A wrapped paragraph has no trailing blanks to type into.
      writechar(BEL);
      cx = line_buf.length;
      restore_cursor();
    }
  }
  // The record is pushed while the buffer still has its old length, so that
  // it notes the blanks typing beyond the end adds and undo removes them.
  if (recording_undo()) push_undo_ins_char(' ', INSERT_CMD_IX, get_curr_line_num(), cx, curr_screen.cy);
  // The blanks between the old end and the cursor become text.
  if (pad) line_buf.length = cx;
  if (cx < columns - 1) ti_insert_char(static_cast<unsigned char>(k));
  // The blank after the end moves along, so the buffer stays blank-padded.
  std::memmove(line_buf.text + cx + 1, line_buf.text + cx, static_cast<size_t>(line_buf.length - cx + 1));
  line_buf.length++;
  line_buf.text[cx] = k;
  cx++;
  // Each typed character is followed by a re-wrap, whose own record is what
  // undo takes back.  While a record is being replayed neither happens: the
  // flush would free the record under replay and a re-wrap would push a new
  // one in front of it.
  if (options.text_wrapping && recording_undo()) {
    flush_undo_queue();
    wrap_line(0);
  }
}

// A fresh line node holding len characters of text.
LineNode* new_line_node(const char* text, int len) {
  auto* node = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(len))));
  node->next = node->prev = nullptr;
  std::memset(node->text, ' ', static_cast<size_t>(len) + 16);
  node->length = len;
  std::memcpy(node->text, text, static_cast<size_t>(len));
  return node;
}

// ENTER at column 0: an empty line opens above the current one and the
// cursor stays on its text, one row lower.
void open_line_above() {
  update_curr_line();
  if (recording_undo())
    push_undo_block_paste(INSERT_CMD_IX, 1, get_curr_line_num(), curr_screen.cx, curr_screen.cy);
  LineNode* fresh = new_line_node("", 0);
  add(&curr_file, curr_line->prev, fresh, &status);
  curr_line = fresh;
  ti_insert_line(curr_screen.cy);
  cursor_down_cmd();
  curr_screen.cy = update_curr_screen(curr_screen.cy);
}

// The indentation the line split off by ENTER starts with.
int split_indent() {
  if (!options.auto_indent) return 0;
  int w = white_space(&line_buf);
  if (line_buf.length != 0 && w != line_buf.length) auto_indent_level = w;
  return auto_indent_level;
}

// ENTER inside or after the text: the line ends at the cursor and what
// followed it moves to a new line below, behind the indentation.
void split_line() {
  int& cx = curr_screen.cx;
  int indent = split_indent();
  int tail = line_buf.length > cx ? line_buf.length - cx : 0;
  // The new line must fit the limit without losing a character: when deep
  // indentation before a long tail would exceed it (the cursor stands inside
  // the indentation of a long line), the indentation is reduced so that the
  // line fits.  The tail itself is never shortened.
  if (indent > MAX_LINE - tail) indent = MAX_LINE - tail > 0 ? MAX_LINE - tail : 0;

  temp.length = 0;
  if (tail > 0) {
    std::memset(temp.text, ' ', static_cast<size_t>(indent));
    std::memcpy(temp.text + indent, line_buf.text + cx, static_cast<size_t>(tail));
    temp.length = indent + tail;
    std::memset(line_buf.text + cx, ' ', static_cast<size_t>(tail));
    line_buf.length = cx;
  }
  // The loaded buffer is the line as it now ends (0 for an empty line).
  int kept = line_buf.length;
  update_curr_line();
  if (recording_undo()) push_undo_ins_char(' ', INSERT_CMD_IX, get_curr_line_num(), kept, curr_screen.cy);

  LineNode* fresh = new_line_node(temp.text, temp.length);
  temp.length = 0;
  add(&curr_file, curr_line, fresh, &status);

  if (cx <= columns - 1) {
    ti_move_cursor(cx, curr_screen.cy);
    ti_clear_to_eol(curr_screen.cy);
  }
  cursor_down_cmd();
  if (curr_screen.cy == lines - 1) {
    ti_move_cursor(ti_get_left_cx(), curr_screen.cy);
    ti_clear_to_eol(curr_screen.cy);
  } else {
    ti_insert_line(curr_screen.cy);
  }
  curr_line = fresh;
  writeln(fresh->text, fresh->length, 0);
  cx = indent;
  restore_cursor();
  curr_screen.cy = update_curr_screen(curr_screen.cy);
}

}  // namespace

void visual_processor(int key) {
  char k = static_cast<char>(key);
  load_line_buf();
  if (k == '\n') {
    enter_handler();
    return;
  }
  if (k == '\t' && options.input_xlate == 1) {
    tab_handler();
    return;
  }
  if (ku_mode == OVERWRITE_MODE)
    overwrite_key(k);
  else
    insert_key(k);
}

void tab_handler() {
  int t = usable_tabstop(options.tabstop);
  int cx = curr_screen.cx;
  int target = t * (cx / t + 1);
  // Counted from the starting column: a refused blank does not shorten it.
  for (int n = target - cx; n > 0; n--) visual_processor(' ');
}

void enter_handler() {
  if (curr_screen.cx == 0)
    open_line_above();
  else
    split_line();
}
