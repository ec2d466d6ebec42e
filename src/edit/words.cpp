// Word and paragraph motion: word right and left within the current line,
// paragraph down and up, and delete word (recorded for undo as one record).
// None of them changes the remembered direction of the cursor motions.
#include "edit/words.h"

#include "core/dispatch.h"
#include "edit/motion.h"
#include "edit/wrap.h"
#include "files/openfiles.h"
#include "options/options.h"
#include "term/screen.h"
#include "term/terminal.h"
#include "undo/undo.h"

namespace {

constexpr int BEL = 7;

// Makes `to` the current line, `steps` lines after (negative: before) the
// old current line, keeping the line number known when it was.
void move_to_line(LineNode* to, int steps) {
  int n = known_line_num();
  curr_line = to;
  if (n > 0) set_curr_line_num(n + steps);
}

}  // namespace

void word_right_cmd() {
  update_curr_line();
  if (!curr_line) return;
  const char* t = curr_line->text;
  int len = curr_line->length;
  int i = curr_screen.cx;
  if (i >= len - 1) return;
  while (i < len && !is_word_delim(t[i])) i++;
  while (i < len && is_word_delim(t[i])) i++;
  if (i >= len) return;
  curr_screen.cx = i;
  restore_cursor();
}

void word_left_cmd() {
  if (curr_screen.cx == 0) return;
  update_curr_line();
  if (!curr_line || curr_line->length == 0) return;
  const char* t = curr_line->text;
  int i = curr_screen.cx - 1;
  if (i >= curr_line->length) i = curr_line->length - 1;
  while (i >= 0 && is_word_delim(t[i])) i--;
  if (i < 0) return;
  while (i >= 0 && !is_word_delim(t[i])) i--;
  curr_screen.cx = i + 1;
  restore_cursor();
}

void delete_word_cmd() {
  update_curr_line();
  if (!curr_line) return;
  int len = curr_line->length;
  int cx = curr_screen.cx;
  if (cx >= len - 1) {
    writechar(BEL);
    return;
  }
  const char* t = curr_line->text;
  int i = cx;
  while (i < len && is_word_delim(t[i])) i++;
  int last = cx;  // only delimiters follow: the one at the cursor goes
  if (i < len) {
    while (i + 1 < len && !is_word_delim(t[i + 1])) i++;
    last = i;
  }
  int n = last - cx + 1;
  load_line_buf();
  push_undo_del_word(&line_buf, n, get_curr_line_num(), cx, curr_screen.cy);
  // The characters go one by one at the cursor; re-wrapping waits until
  // the word is gone, so that it re-lays the paragraph once and the blanks
  // it closes up are not counted among the characters still to delete.
  // The record stays valid: the re-wrap's own record is undone first.
  int wrapping = options.text_wrapping;
  options.text_wrapping = 0;
  for (int k = 0; k < n; k++) delete_char_cmd();
  options.text_wrapping = wrapping;
  if (wrapping) wrap_line(1);
}

void para_down_cmd() {
  update_curr_line();
  if (!curr_line) return;
  LineNode* l = curr_line;
  int steps = 0;
  while (l->length == 0 && next_line(l)) {
    l = next_line(l);
    steps++;
  }
  while (l->length != 0 && next_line(l)) {
    l = next_line(l);
    steps++;
  }
  // On the empty line after the paragraph, or at the end of the last line
  // when the paragraph ends the file.
  move_to_line(l, steps);
  display_new_screen(l->length != 0 ? l->length : 0);
}

void para_up_cmd() {
  update_curr_line();
  if (!curr_line) return;
  LineNode* l = curr_line;
  int steps = 0;
  if (LineNode* p = prev_line(&curr_file, l)) {
    l = p;
    steps--;
  }
  while (l->length == 0 && prev_line(&curr_file, l)) {
    l = prev_line(&curr_file, l);
    steps--;
  }
  while (l->length != 0 && prev_line(&curr_file, l)) {
    l = prev_line(&curr_file, l);
    steps--;
  }
  if (l->length == 0 && next_line(l)) {
    l = next_line(l);
    steps++;
  }
  move_to_line(l, steps);
  display_new_screen(0);
}
