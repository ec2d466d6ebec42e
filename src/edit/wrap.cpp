// Paragraph wrapping on the file: finding the paragraph, recording it for
// undo, replacing its lines by the laid-out ones and redrawing; the wrap
// command, the block menu's Wrap and wrap-as-you-type.
#include "edit/wrap.h"

#include <new>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "edit/motion.h"
#include "files/openfiles.h"
#include "options/options.h"
#include "store/memory.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

namespace {

constexpr int BEL = 7;

struct Paragraph {
  LineNode* first = nullptr;
  LineNode* last = nullptr;
  int first_ix = 0;  // 0-based position of its first line
  int count = 0;
};

enum class Outcome { refused, no_paragraph, done };

// The paragraph at the current line, or the next one when the current line
// is empty.  False when only empty lines follow.
bool find_paragraph(Paragraph& p) {
  LineNode* l = curr_line;
  int ix = get_curr_line_num();
  while (l->length == 0 && next_line(l)) {
    l = next_line(l);
    ix++;
  }
  if (l->length == 0) return false;
  while (next_line(l) && next_line(l)->length != 0) {
    l = next_line(l);
    ix++;
  }
  p.last = l;
  p.count = 1;
  while (LineNode* q = prev_line(&curr_file, l)) {
    if (q->length == 0) break;
    l = q;
    ix--;
    p.count++;
  }
  p.first = l;
  p.first_ix = ix;
  return true;
}

LineNode* new_node(const std::string& s) {
  auto len = static_cast<long>(s.size());
  auto* n = static_cast<LineNode*>(ku_alloc_line(len));
  n->next = n->prev = nullptr;
  n->length = static_cast<int32_t>(len);
  s.copy(n->text, s.size());
  return n;
}

// Counts the lines from `from` through `to` (0 when `to` does not follow).
int lines_between(LineNode* from, LineNode* to) {
  int n = 1;
  for (LineNode* l = from; l; l = next_line(l), n++)
    if (l == to) return n;
  return 0;
}

// Wraps the paragraph at the current line, up to the redraw (the move to
// the next paragraph is the caller's).  The window is redrawn from the
// paragraph on, which becomes current.  With track_cursor (wrap-as-you-type)
// the cursor's character is followed into the new lines instead, and the
// window stays where it was: the cursor's line keeps its row, or moves down
// or up with the word that carried the cursor.
Outcome wrap_current_paragraph(bool track_cursor) {
  update_curr_line();
  if (!curr_line) return Outcome::no_paragraph;
  if (const char* why = wrap_margin_problem(options.left_margin, options.right_margin)) {
    write_ku_msg(why);
    return Outcome::refused;
  }
  LineNode* cursor_line = curr_line;
  int cursor_col = curr_screen.cx;
  int cursor_row = curr_screen.cy;
  Paragraph p;
  if (!find_paragraph(p)) return Outcome::no_paragraph;

  // The whole layout is made before anything changes, so that running out
  // of memory on the way leaves the file as it was.
  WrapResult r;
  WrapPos cur;
  try {
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(p.count));
    for (LineNode* l = p.first;; l = next_line(l)) {
      if (l == cursor_line) cur = {static_cast<int>(texts.size()), cursor_col};
      texts.emplace_back(l->text, static_cast<size_t>(l->length));
      if (l == p.last) break;
    }
    WrapSettings ws{options.left_margin, options.right_margin, options.right_justify != 0};
    r = wrap_text(texts, ws, track_cursor ? &cur : nullptr);
  } catch (const std::bad_alloc&) {
    write_ku_msg("Not enough memory to wrap");
    return Outcome::refused;
  }

  Link* before = p.first->prev;
  int before_row = 0;
  bool before_shown = before != as_link(&curr_file) && displayed(as_line(before), &before_row);
  // The row below the line before must be a text row for a partial redraw.
  if (before_shown && before_row >= lines - 1) before_shown = false;
  bool first_on_top = curr_screen.top_line == p.first;

  curr_line = p.first;
  set_curr_line_num(p.first_ix + 1);
  push_undo_wrap_para(p.first, p.last, 0, p.first_ix, curr_screen.cx, curr_screen.cy);

  if (r.status == WrapStatus::too_dense) write_ku_msg("Paragraph too dense to wrap");
  int count = p.count;
  if (r.status == WrapStatus::wrapped) {
    ListHead fresh;
    init_list(&fresh);
    for (const std::string& s : r.lines) send_node(&fresh, new_node(s));
    replace_lines(p.first, p.count, &fresh);
    count = static_cast<int>(r.lines.size());
  }
  update_undo_wrap_para(count);

  if (!track_cursor) {
    // Redrawn from the row below the line before the paragraph when that
    // line is on the window, else rebuilt with the paragraph's first line on
    // row 2 (when it was the top line) or row 11.
    after_delete_screen_update(static_cast<LineNode*>(before), before_shown, first_on_top, before_row);
    set_curr_line_num(p.first_ix + 1);
    return Outcome::done;
  }
  int moved = 0, err = 0;
  curr_line = traverse(&curr_file, as_line(before->next), '+', &moved, r.cursor.line, &err);
  set_curr_line_num(p.first_ix + moved + 1);
  int row = cursor_row + (r.cursor.line - cur.line);
  curr_screen.cx = r.cursor.col;
  curr_screen.cy = update_curr_screen(row < 2 ? 2 : (row > lines - 1 ? lines - 1 : row));
  draw_curr_screen();
  return Outcome::done;
}

// One wrap and the move to the next paragraph.
Outcome wrap_and_step() {
  Outcome o = wrap_current_paragraph(false);
  if (o != Outcome::refused) para_down_cmd();
  return o;
}

// 0-based position of `line` in the current file, -1 when it is not there.
int position_of(const LineNode* line) {
  int i = 0;
  for (LineNode* l = first_line(curr_file); l; l = next_line(l), i++)
    if (l == line) return i;
  return -1;
}

// Where a removed line was named: the new first or last line.
void renamed(LineNode*& p, bool gone, LineNode* to) {
  if (gone) p = to;
}

}  // namespace

LineNode* replace_lines(LineNode* first, int count, ListHead* fresh) {
  Link* before = first->prev;
  bool bf = false, bl = false, top = false, bottom = false;
  int err = 0;
  LineNode* l = first;
  for (int i = 0; i < count && l; i++) {
    LineNode* nx = next_line(l);
    bf |= block.first == l;
    bl |= block.last == l;
    top |= curr_screen.top_line == l;
    bottom |= curr_screen.bottom_line == l;
    list_delete(&curr_file, l, &err);
    ku_free(l);
    l = nx;
  }
  Link* at = before;
  LineNode* new_first = nullptr;
  while (fresh->count > 0) {
    Link* n = fresh->first;
    list_delete(fresh, n, &err);
    add(&curr_file, at, n, &err);
    if (!new_first) new_first = as_line(n);
    at = n;
  }
  init_list(fresh);
  LineNode* new_last = at == before ? nullptr : as_line(at);
  if (!new_first) {
    // Nothing came in: names of removed lines move to the line after.
    new_first = new_last = l ? l : (before == as_link(&curr_file) ? nullptr : as_line(before));
  }
  renamed(block.first, bf, new_first);
  renamed(block.last, bl, new_last);
  renamed(curr_screen.top_line, top, new_first);
  renamed(curr_screen.bottom_line, bottom, new_last);
  return new_first;
}

void wrap_paragraph_cmd() {
  if (wrap_and_step() == Outcome::refused) {
    writechar(BEL);
    // The remaining repetitions would only be refused again.
    requested_reps = curr_rep;
  }
}

void block_wrap() {
  update_curr_line();
  if (!block.first || !block.last) {
    writechar(BEL);
    return;
  }
  int first_ix = position_of(block.first);
  if (first_ix < 0 || lines_between(block.first, block.last) == 0) {
    writechar(BEL);
    return;
  }
  if (const char* why = wrap_margin_problem(options.left_margin, options.right_margin)) {
    write_ku_msg(why);
    writechar(BEL);
    return;
  }
  // A block of empty lines holds no paragraph: nothing to wrap.
  bool any = false;
  for (LineNode* l = block.first;; l = next_line(l)) {
    any |= l->length != 0;
    if (l == block.last) break;
  }
  if (!any) return;

  // The line after the paragraph holding the block's last line ends the
  // run (none when that paragraph ends the file).  It is an empty line, so
  // no wrap replaces it.
  LineNode* l = block.last;
  while (l->length == 0 && prev_line(&curr_file, l)) l = prev_line(&curr_file, l);
  while (prev_line(&curr_file, l) && prev_line(&curr_file, l)->length != 0) l = prev_line(&curr_file, l);
  while (l->length == 0 && next_line(l)) l = next_line(l);
  while (next_line(l) && next_line(l)->length != 0) l = next_line(l);
  LineNode* stop = next_line(l);

  curr_line = block.first;
  set_curr_line_num(first_ix + 1);
  display_new_screen(curr_screen.cx);
  for (;;) {
    if (wrap_and_step() != Outcome::done) break;
    if (curr_line == stop || !next_line(curr_line)) break;
  }
}

void wrap_line(int force) {
  update_curr_line();
  bool act = curr_line && curr_line->length > 0 &&
             (force || (options.text_wrapping && curr_line->length >= options.right_margin));
  if (act) wrap_current_paragraph(true);
  load_line_buf();
}
