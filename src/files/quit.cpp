// Closing files and ending the editor.
#include "files/quit.h"

#include <cstdlib>
#include <cstring>

#include "blocks/blocks.h"
#include "files/openfiles.h"
#include "files/textfile.h"
#include "input/readstate.h"
#include "store/memory.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

namespace {
void free_chain(Link* l) {
  while (l) {
    Link* next = l->next;
    std::free(l);
    l = next;
  }
}
}  // namespace

int confirm_discard() {
  if (!curr_file_has_changed()) return 1;
  write_status_line("File has been modified: Are you sure ? (y or n) : ");
  int k = read_char();
  if (k == 'Y' || k == 'y') return 1;
  if (k != 'N' && k != 'n') writechar(7);
  write_ku_msg("File has been retained");
  return 0;
}

void discard_curr_file(LineNode* first, int remove) {
  line_buf.length = 0;
  if (first) {
    free_chain(first);
    std::memset(&curr_file, 0, sizeof curr_file);
    std::memset(&curr_screen, 0, sizeof curr_screen);
    std::memset(curr_filename, 0, sizeof curr_filename);
    curr_line = nullptr;
    curr_screen.cy = 2;
  }
  if (remove) {
    if (FileNode* f = file_entry(curr_file_ix)) {
      list_delete(&open_file_list, f, &status);
      std::free(f);
    }
  }
  curr_file_ix = -1;
  curr_file_des = nullptr;
  files_open--;
}

void discard_all_files() {
  int current = curr_file_ix;
  curr_file_ix = 0;
  while (open_file_list.count > 0 && files_open > 0) {
    auto* f = static_cast<FileNode*>(open_file_list.first);
    int ix = 0;
    (void)ix;
    LineNode* lines_of = nullptr;
    // For the current file its lines are those of curr_file itself.
    if (f == curr_file_des || (current >= 0 && f == file_entry(current) && curr_file_des == f))
      lines_of = first_line(curr_file);
    else
      lines_of = first_line(f->head);
    if (lines_of) free_chain(lines_of);
    list_delete(&open_file_list, f, &status);
    std::free(f);
    files_open--;
  }
  std::memset(&curr_file, 0, sizeof curr_file);
  curr_file_ix = -1;
  curr_file_des = nullptr;
  curr_line = nullptr;
  line_buf.length = 0;
  if (line_block.count > 0) purge_list(&line_block);
  if (line_del_block.count > 0) purge_list(&line_del_block);
  if (column_block.count > 0) purge_list(&column_block);
  flush_undo_queue();
}

void quit_ku(int status_code) {
  discard_all_files();
  release_reserve_memory();
  if (ku_win) {
    ti_clear_display(lines - 2);
    ti_force_screen_update();
    ti_reset_char_mode();
  }
  std::exit(status_code);
}
