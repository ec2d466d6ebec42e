// Undo of the block and column commands: the replay of a deleted line block
// (put back where it was), of a column paste (the pasted columns and any
// blanks that filled a short line out to them go again) and of a column
// delete (the columns are pasted back); and the column-delete record itself.
#include <algorithm>
#include <cstdio>

#include "blocks/blocks.h"
#include "edit/delete.h"
#include "edit/motion.h"
#include "files/openfiles.h"
#include "store/memory.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

void push_undo_column_delete(int cmd_ix, BlockRange* area, int line, int col, int row) {
  if (undo_state == 2) return;
  auto* saved = static_cast<ListHead*>(ku_calloc(sizeof(ListHead)));
  init_list(saved);
  // In copy-only mode column_copy_delete copies the area and pushes nothing.
  char flag = area->copy_only;
  area->copy_only = 'u';
  column_copy_delete(saved, area);
  area->copy_only = flag;
  UndoItem* item = create_undo_item(cmd_ix, line, col, row, UNDO_COLUMN_DELETE);
  item->data = saved;
  queue_undo_item(item);
  undo_queue->total += 1;
}

void undo_del_block(UndoItem* item) {
  undo_show_line(item, item->col);
  update_curr_line();
  auto* saved = static_cast<ListHead*>(item->data);
  if (saved && saved->count > 0) {
    // The record says where the lines were (see mark_del_block_record): above
    // the line now at their position, below it when they ended the file, or
    // in place of the empty line a file they filled wholly was left with.
    int placement = item->last_line_flag;
    LineNode* only = first_line(curr_file);
    bool replace_empty = placement == 2 && curr_file.count == 1 && only && only->length == 0;
    int n = paste_lines(saved, placement == 1 ? 1 : 0);
    if (replace_empty) {
      int err = 0;
      list_delete(&curr_file, only, &err);
      if (curr_screen.bottom_line == only) curr_screen.bottom_line = nullptr;
      ku_free(only);
      set_curr_line_num(1);
      curr_screen.cy = update_curr_screen(curr_screen.cy);
      draw_curr_screen();
    }
    char msg[64];
    std::snprintf(msg, sizeof msg, "%d %s", n, "line(s) pasted");
    write_ku_msg(msg);
  }
  undo_retire_item(item);
}

void undo_column_paste(UndoItem* item) {
  update_curr_line();
  undo_show_line(item, item->col);
  auto* saved = static_cast<ListHead*>(item->data);
  const int col = item->col;
  const LineNode* header = saved ? first_line(*saved) : nullptr;
  if (!is_column_pad_header(header)) header = nullptr;
  const LineNode* r = header ? next_line(header) : (saved ? first_line(*saved) : nullptr);
  int row = curr_screen.cy;
  int n = 0, widest = 0;
  for (LineNode* l = curr_line; r && l; r = next_line(r), l = next_line(l), n++) {
    int len = r->length;
    widest = std::max(widest, len);
    if (len <= 0) continue;
    delete_chars(l, col, col + len - 1, row + n);
    // A line that was filled out with blanks to the paste column goes back
    // to its old length (only blanks are taken away).
    int pad = header ? column_pad_of(header, n) : -1;
    if (pad >= 0 && pad < l->length) {
      bool blanks = true;
      for (int i = pad; i < l->length; i++) blanks = blanks && l->text[i] == ' ';
      if (blanks) l->length = pad;
    }
  }
  restore_cursor();
  char msg[96];
  std::snprintf(msg, sizeof msg, "%d %s %d %s", widest, "columns x", n, "lines deleted");
  write_ku_msg(msg);
  undo_retire_item(item);
}

void undo_column_delete(UndoItem* item) {
  update_curr_line();
  undo_show_line(item, item->col);
  auto* saved = static_cast<ListHead*>(item->data);
  if (saved && saved->count > 0) {
    BlockRange area{};
    area.first = area.last = curr_line;
    area.count = 1;
    area.first_col = area.last_col = item->col;
    area.key = 'P';
    column_paste(saved, &area);
  }
  undo_retire_item(item);
}
