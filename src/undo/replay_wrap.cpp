// Undoing a paragraph wrap: the lines the wrap made give way to the saved
// copies of the paragraph as it was, which move back into the file.
#include "edit/motion.h"
#include "edit/wrap.h"
#include "files/openfiles.h"
#include "term/screen.h"
#include "undo/undo.h"

void undo_wrap_para(UndoItem* item) {
  undo_show_line(item, 0);
  update_curr_line();
  auto* saved = static_cast<ListHead*>(item->data);
  if (!saved || saved->count == 0 || !curr_line) {
    undo_retire_item(item);
    return;
  }
  int ix = item->line < curr_file.count ? item->line : curr_file.count - 1;
  if (ix < 0) ix = 0;
  int row = curr_screen.cy;
  // The saved lines now belong to the file; the record keeps an empty list.
  curr_line = replace_lines(curr_line, item->count, saved);
  set_curr_line_num(ix + 1);
  curr_screen.cx = 0;
  curr_screen.cy = update_curr_screen(row);
  if (curr_screen.cy == row)
    draw_to_endof_screen();
  else
    draw_curr_screen();
  undo_retire_item(item);
}
