// Open files and context switching.  The current file lives in globals; every
// other open file waits in its FileNode, and switching copies the globals out
// and another entry's copy in.  Also the edit menu, go to file and next file.
#include "files/openfiles.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/dispatch.h"
#include "core/startup.h"
#include "files/dialog.h"
#include "files/quit.h"
#include "files/textfile.h"
#include "input/keys.h"
#include "input/readstate.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/status.h"
#include "term/terminal.h"

ListHead curr_file;
char curr_filename[256];
int curr_conn = 0;
int curr_file_ix = -1;
FileNode* curr_file_des = nullptr;
int files_open = 0;
FileNode* file_des = nullptr;
ListHead open_file_list;

namespace {

// Nonzero marker for a file opened by its name.
constexpr int CONN_OPENED = 0x4b55;

const char* const edit_menu = "File  New  Menu  + : ";

// A file's lines point back at the global head through the first line's
// link, so the head copy must be re-pointed whenever it becomes current.
void repoint_first_line() {
  if (curr_file.count > 0) curr_file.first->prev = as_link(&curr_file);
  else curr_file.next = nullptr;
}

}  // namespace

FileNode* file_entry(int index) {
  if (index < 0 || index >= open_file_list.count) return nullptr;
  int moved = 0, err = 0;
  return static_cast<FileNode*>(traverse_list(&open_file_list, open_file_list.first, '+', &moved, index, &err));
}

void save_context(int index) {
  if (index == -1) return;
  update_curr_line();
  FileNode* f = file_entry(index);
  if (!f) return;
  curr_screen.left_cx = ti_get_left_cx();
  curr_screen.right_cx = ti_get_right_cx();
  f->head = curr_file;
  f->screen = curr_screen;
  std::memcpy(f->name, curr_filename, sizeof f->name);
  f->line = curr_line;
  f->line_num = curr_line_num;
  f->conn = curr_conn;
}

void restore_context(int index) {
  if (index == -1) return;
  FileNode* f = file_entry(index);
  if (!f) return;
  curr_file = f->head;
  repoint_first_line();
  curr_screen = f->screen;
  std::memcpy(curr_filename, f->name, sizeof curr_filename);
  ti_set_left_cx(curr_screen.left_cx);
  ti_set_right_cx(curr_screen.right_cx);
  curr_line = f->line;
  curr_line_num = f->line_num;
  curr_conn = f->conn;
  curr_file_des = f;
  // The line-number cache belongs to the file that was current before.
  curr_bwd_link = nullptr;
  curr_bwd_len = -1;
}

void context_switch(int from, int to) {
  save_context(from);
  // A switch to no entry leaves the globals as they are.
  if (!file_entry(to)) return;
  restore_context(to);
  curr_file_ix = to;
  curr_screen.cy = update_curr_screen(curr_screen.cy);
  draw_curr_screen();
}

int get_file(const char* name) {
  int ix = 0;
  for (Link* l = open_file_list.count > 0 ? open_file_list.first : nullptr; l; l = l->next, ix++) {
    if (std::strcmp(static_cast<FileNode*>(l)->name, name) == 0) return ix;
  }
  return -1;
}

void add_file(const char* name) {
  int previous = curr_file_ix;
  ku_exception = 0;
  if (name) {
    // A name no entry can hold would be read and written as another name.
    if (std::strlen(name) >= sizeof file_des->name) {
      ku_exception = 4;
      return;
    }
    // Only a plain file is opened: a directory holds no text, and a named
    // pipe or a device would keep the editor waiting or reading for ever.
    int fd = open_text_file(name);
    if (fd < 0) {
      ku_exception = 3;
      return;
    }
    close(fd);
  }
  file_des = static_cast<FileNode*>(ku_calloc(404 > sizeof(FileNode) ? 404 : sizeof(FileNode)));
  file_des->conn = name ? CONN_OPENED : 0;
  std::snprintf(file_des->name, sizeof file_des->name, "%s", name ? name : "Unnamed File");
  send_node(&open_file_list, file_des);
  save_context(previous);
  curr_file_ix = files_open;
  files_open++;
  curr_file_des = file_des;
  if (name)
    edit_file(curr_file_ix, previous);
  else
    edit_new_file();
}

void edit_file(int index, int previous) {
  FileNode* f = file_entry(index);
  if (!f) return;
  curr_conn = f->conn;
  std::memset(&curr_file, 0, sizeof curr_file);
  std::memset(&curr_screen, 0, sizeof curr_screen);
  std::memcpy(curr_filename, f->name, sizeof curr_filename);
  ku_exception = read_file(curr_filename, &curr_file, &curr_file.saved_chars, &curr_file.saved_lines,
                           &curr_file.saved_checksum, &curr_file.format);
  if (ku_exception != 0) {
    set_status_line(1, ku_exception, last_ku_mode);
    int code = ku_exception;
    discard_curr_file(first_line(curr_file), 1);
    wait_for_enter();
    if (files_open > 0)
      context_switch(-1, previous >= 0 && previous < files_open ? previous : 0);
    else
      quit_ku(code);
    ku_exception = code;
    return;
  }
  curr_line = first_line(curr_file);
  curr_screen.top_line = curr_line;
  int moved = 0, err = 0;
  curr_screen.bottom_line = traverse(&curr_file, curr_line, '+', &moved, lines - 3, &err);
  curr_line_num = 1;
  curr_bwd_link = as_link(&curr_file);
  curr_bwd_len = curr_file.total;
  // The cursor is placed before drawing, which puts it back there.
  curr_screen.cx = 0;
  curr_screen.last_direction = rcd;
  curr_screen.cy = 2;
  if (!ku_initializing) draw_curr_screen();
  std::snprintf(ku_msg_buf, sizeof ku_msg_buf, "%u %s %d %s %s", static_cast<unsigned>(curr_file.saved_chars), "Chars",
                curr_file.saved_lines, "Lines", curr_file.format == 'd' ? "[DOS/Win]" : "[Unix]");
  ku_msg = ku_msg_buf;
}

void edit_new_file() {
  std::memset(&curr_file, 0, sizeof curr_file);
  std::memset(&curr_screen, 0, sizeof curr_screen);
  if (curr_file_des) std::memcpy(curr_filename, curr_file_des->name, sizeof curr_filename);
  curr_file.saved_lines = 1;
  curr_file.saved_chars = 1;
  curr_file.saved_checksum = 0;
  curr_file.format = 'u';
  curr_conn = 0;
  auto* line = static_cast<LineNode*>(ku_alloc(98));
  line->length = 0;
  send_node(&curr_file, line);
  curr_line = line;
  curr_line_num = 1;
  curr_bwd_link = as_link(&curr_file);
  curr_bwd_len = curr_file.total;
  curr_screen.top_line = curr_screen.bottom_line = line;
  curr_screen.cy = 2;
  curr_screen.cx = 0;
  curr_screen.last_direction = rcl;
  ti_clear_display(2);
}

namespace {

// The current file's name at the right end of row 0 while a menu is up, and
// the cursor just after the menu text.
void show_menu_name(const char* menu) {
  char cut[512];
  int w = FN_FIELD_WIDTH - 1;
  if (w > static_cast<int>(sizeof cut) - 1) w = static_cast<int>(sizeof cut) - 1;
  truncate_str_left(curr_filename, cut, w < 3 ? 3 : w);
  mv_writestr(physical_cols - static_cast<int>(std::strlen(cut)) - 1, 0, 0, cut);
  ti_move_cursor(static_cast<int>(std::strlen(menu)), 0);
}

// The edit menu's F: choose a file in the dialog and open it (or switch to
// it when it is open already).
void edit_menu_open() {
  if (files_open >= MAX_OPEN_FILES) {
    write_ku_msg("Cannot open any more files");
    return;
  }
  char name[384];
  open_file_dialog(select_file_open, name, sizeof name, 0);
  if (name[0] == 0) {
    write_ku_msg(no_file_select_open);
    return;
  }
  int ix = get_file(name);
  if (ix >= 0) {
    context_switch(curr_file_ix, ix);
    return;
  }
  add_file(name);
  if (ku_exception == 3 && *read_refusal) {
    // Say what the name is rather than that it could not be opened.
    char msg[64];
    format_read_refusal(name, msg, sizeof msg);
    write_ku_msg(msg);
    ku_exception = 0;
    view_cmd();
    return;
  }
  if (ku_exception != 0) view_cmd();
}

}  // namespace

void edit_cmd() {
  update_curr_line();
  push_status_line(edit_menu);
  for (;;) {
    show_menu_name(edit_menu);
    int k = std::toupper(read_char() & 0xff);
    if (k == 'F') {
      edit_menu_open();
      break;
    }
    if (k == 'N') {
      if (files_open >= MAX_OPEN_FILES)
        write_ku_msg("Cannot open any more files");
      else
        add_file(nullptr);
      break;
    }
    if (k == 'M') {
      goto_file_cmd();
      break;
    }
    if (k == '+' || k == '=') {
      next_file_cmd();
      write_status_line(edit_menu);
      continue;
    }
    write_status_line(edit_menu);
    if (k == '\n') break;
    writechar(7);
  }
  pop_status_line();
}

void goto_file_cmd() {
  update_curr_line();
  if (files_open <= 0) {
    write_ku_msg("No open files");
    return;
  }
  char name[256];
  int ix = goto_file_dialog(" - Select File to Switch To", name, sizeof name, 0);
  if (ix >= 0) context_switch(curr_file_ix, ix);
  set_status_line(1, 0, last_ku_mode);
}

void next_file_cmd() {
  update_curr_line();
  if (files_open <= 1) {
    write_ku_msg("Only 1 file open");
    writechar(7);
    return;
  }
  context_switch(curr_file_ix, (curr_file_ix + 1) % files_open);
  set_status_line(1, 0, last_ku_mode);
}
