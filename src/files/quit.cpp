// Quit, discard and update: writing the current file back (update), the quit
// menu that closes files with or without saving, and ending the editor.
#include "files/quit.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "core/startup.h"
#include "files/dialog.h"
#include "files/emergency.h"
#include "files/openfiles.h"
#include "files/safewrite.h"
#include "files/textfile.h"
#include "input/readstate.h"
#include "store/memory.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

namespace {

// curr_conn of a new file once it has been written under a name.
constexpr int CONN_WRITTEN = 0xC7C7;

const char* const quit_menu = "Abs/All  Save  Discard/Quit  Replace  Write  Update : ";
const char* const unnamed_file = "Unnamed File";

void free_chain(Link* l) {
  while (l) {
    Link* next = l->next;
    ku_free(l);
    l = next;
  }
}

void set_curr_name(const char* name) {
  std::snprintf(curr_filename, sizeof curr_filename, "%s", name);
  if (curr_file_des) std::snprintf(curr_file_des->name, sizeof curr_file_des->name, "%s", name);
}

// The outcome of writing the current file.
enum WriteResult { WRITTEN, NOTHING_CHOSEN, NOT_WRITTEN };

// Writes the whole current file under its name, asking for one first when it
// has none (unless `as_named`: the quit menu's Write has just chosen it).
// On success the file counts as unchanged.
WriteResult write_curr_file(bool as_named) {
  update_curr_line();
  if (!curr_file_des) return NOT_WRITTEN;
  bool unnamed = curr_conn == 0 && !as_named;
  if (unnamed) {
    char name[256];
    open_file_dialog(select_file_write, name, sizeof name, 1);
    if (name[0] == 0) {
      write_ku_msg(no_file_select_write);
      return NOTHING_CHOSEN;
    }
    set_curr_name(name);
    // The name chosen for a new file may be that of an existing file, which
    // is only replaced when the user says so.
    struct stat st;
    if (stat(curr_filename, &st) == 0) {
      int code = 0;
      FILE* probe = write_open(curr_filename, 0, &code);
      if (!probe) {
        set_curr_name(unnamed_file);
        write_ku_msg(code == KU_WRITE_DECLINED ? "File not written" : "Failed to write file");
        // The question took row 0: the status line comes back around the message.
        set_status_line(1, 0, last_ku_mode);
        return NOT_WRITTEN;
      }
      write_abort(probe);
    }
  }
  int r = write_file(curr_filename, 1, curr_file.format, first_line(curr_file), last_line(curr_file),
                     &curr_file.saved_chars, &curr_file.saved_lines, &curr_file.saved_checksum);
  if (r == KU_FILE_OK) {
    write_ku_msg("File has been written");
    if (unnamed) {
      curr_conn = CONN_WRITTEN;
      set_status_line(1, 0, last_ku_mode);
    }
    return WRITTEN;
  }
  write_ku_msg("Failed to write file");
  if (unnamed) set_curr_name(unnamed_file);
  return NOT_WRITTEN;
}

// After the current file has been discarded: make another current, letting
// the user pick one when several are left.
void switch_after_discard() {
  if (files_open == 1) {
    context_switch(-1, 0);
  } else if (files_open > 1) {
    char name[256];
    int ix = goto_file_dialog(" - Select Another File to Switch To", name, sizeof name, 0);
    context_switch(-1, ix >= 0 ? ix : 0);
  }
}

// Closes the current file without asking (the quit menu's Discard once
// confirmed, and Save once written).
void close_curr_file() {
  if (files_open == 1) pop_status_line();
  discard_curr_file(first_line(curr_file), 1);
  switch_after_discard();
}

// The quit menu's Replace: close the current file and open another instead.
void replace_curr_file() {
  if (!confirm_discard()) return;
  discard_curr_file(first_line(curr_file), 1);
  ti_clear_display(2);
  const char* title = " - Select/Type Filename To Edit ";
  for (;;) {
    char name[256];
    open_file_dialog(title, name, sizeof name, 0);
    if (name[0] == 0) break;
    int ix = get_file(name);
    if (ix >= 0) {
      context_switch(-1, ix);
      return;
    }
    add_file(name);
    if (ku_exception == 0) return;
    writechar(7);
    title = " - Could not open. Again? (ESC-q to Quit) ";
  }
  if (files_open == 0) quit_ku(0);
  if (curr_file_des == nullptr) switch_after_discard();
}

// The quit menu's Write: the text goes to a file chosen by name; the current
// file keeps its own name.  Its changed state stays as it was unless the name
// chosen is its own, since its own file has not been written.
void write_to_other_name() {
  char name[256];
  open_file_dialog(select_file_write, name, sizeof name, 1);
  if (name[0] == 0) {
    write_ku_msg(no_file_select_write);
  } else {
    int code = 0;
    FILE* probe = write_open(name, 0, &code);
    if (!probe) {
      write_ku_msg("File not written");
    } else {
      write_abort(probe);
      bool own = curr_conn != 0 && std::strcmp(name, curr_file_des->name) == 0;
      ListHead before = curr_file;
      std::snprintf(curr_filename, sizeof curr_filename, "%s", name);
      write_curr_file(true);
      if (!own) {
        curr_file.saved_chars = before.saved_chars;
        curr_file.saved_lines = before.saved_lines;
        curr_file.saved_checksum = before.saved_checksum;
      }
    }
  }
  std::memcpy(curr_filename, curr_file_des->name, sizeof curr_filename);
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
      ku_free(f);
    }
  }
  curr_file_ix = -1;
  curr_file_des = nullptr;
  files_open--;
}

void discard_all_files() {
  // The current file's lines are those of curr_file (its entry's copy is
  // stale); every other file's are in its entry.
  while (open_file_list.count > 0 && files_open > 0) {
    auto* f = static_cast<FileNode*>(open_file_list.first);
    LineNode* first = f == curr_file_des ? first_line(curr_file) : first_line(f->head);
    if (first) free_chain(first);
    if (f == curr_file_des) curr_file_des = nullptr;
    list_delete(&open_file_list, f, &status);
    ku_free(f);
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

namespace {

// Ending the editor: the system takes back all of its memory at once, so the
// lines of the open files are not released one by one (on a big file that
// walk is a good part of the time to quit).  They stay reachable from
// curr_file and the open-file list, so a leak check at exit finds nothing
// lost; the smaller lists are released as when the files are discarded.
void leave_files_at_exit() {
  line_buf.length = 0;
  if (line_block.count > 0) purge_list(&line_block);
  if (line_del_block.count > 0) purge_list(&line_del_block);
  if (column_block.count > 0) purge_list(&column_block);
  flush_undo_queue();
}

}  // namespace

void quit_ku(int status_code) {
  // From here on the text is being given up on purpose: a hang-up arriving
  // now must not try to save lines that are being freed.
  emergency_block_signals();
  leave_files_at_exit();
  release_reserve_memory();
  if (ku_win) {
    ti_clear_display(lines - 2);
    ti_force_screen_update();
    ti_reset_char_mode();
  }
  std::exit(status_code);
}

void update_cmd() { write_curr_file(false); }

void quit_cmd() {
  update_curr_line();
  if (files_open <= 0 || curr_file_des == nullptr) {
    write_ku_msg("No files open");
    return;
  }
  push_status_line(quit_menu);
  for (bool in_menu = true; in_menu;) {
    char cut[512];
    int w = FN_FIELD_WIDTH - 1;
    if (w > static_cast<int>(sizeof cut) - 1) w = static_cast<int>(sizeof cut) - 1;
    truncate_str_left(curr_filename, cut, w < 3 ? 3 : w);
    mv_writestr(physical_cols - static_cast<int>(std::strlen(cut)) - 1, 0, 0, cut);
    ti_move_cursor(static_cast<int>(std::strlen(quit_menu)), 0);
    int k = std::toupper(read_char() & 0xff);
    in_menu = false;
    switch (k) {
      case 'A': {
        int n = 0;
        if (unsaved_changes(&n)) {
          char question[96];
          std::snprintf(question, sizeof question, "%d %s", n, "file(s) with unsaved changes. Are you sure? ");
          write_status_line(question);
          ti_move_cursor(static_cast<int>(std::strlen(question)), 0);
          int a = read_char();
          if (a != 'Y' && a != 'y') break;
        }
        quit_ku(0);
      }
      case 'S':
        // A file that could not be written stays open, changed, with the
        // reason on the status line.
        if (write_curr_file(false) == WRITTEN) close_curr_file();
        break;
      case 'D':
      case 'Q':
        if (confirm_discard()) close_curr_file();
        break;
      case 'R':
        replace_curr_file();
        break;
      case 'W':
        write_to_other_name();
        break;
      case 'U':
        write_curr_file(false);
        break;
      case '\n':
        break;
      default:
        writechar(7);
        write_status_line(static_cast<const char*>(tos(&status_stack)));
        in_menu = true;
        break;
    }
  }
  if (files_open <= 0) quit_ku(0);
  pop_status_line();
}
