// Keyboard macros: the list of defined macros, the macro menu (create, stop,
// delete, write, read, execute, list), the execute command, and the
// conversion between a macro record and its 2092-byte file image.
#include "macros/macros.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "core/dispatch.h"
#include "files/dialog.h"
#include "files/safewrite.h"
#include "files/textfile.h"
#include "input/keys.h"
#include "input/prompt.h"
#include "input/readstate.h"
#include "store/memory.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

ListHead macro_list;
MacroRecord* last_macro = nullptr;
char result_msg[96];

const char* const cant_nest_macros_msg = "Cannot nest macros";
const char* const not_creating_msg = "Not creating a macro";
const char* const macro_already_exists_msg = "Macro already exists";
const char* const no_such_macro_msg = "No such macro       ";
const char* const macro_name_msg = "Macro name: ";
const char* const not_a_macro_file_msg = "Not a KU macro file";
const char* const macro_running_msg = "Macro is running - not deleted";

namespace {

const char* const macro_menu = "Create  Stop  Delete  Write  Read  eXecute  List : ";

constexpr int RECORDING = 1;
constexpr int REPLAYING = 2;
constexpr int MACRO_CMD_IX = 12;   // the undo group's command: the macro command
constexpr int AGAIN_CMD = 'a';
constexpr int AGAIN_KEY = 265;     // F1 (ncurses KEY_F(1)), which gives the again command
constexpr int NAME_WIDTH = 30;     // file names in messages are cut to this from the left

// Raw keys of the menu key last read by macro_cmd that went into the
// recording; macro_stop takes them off with the keys of the command itself.
int menu_keys_recorded = 0;

// Executions started in a row from inside replays.
int chained_runs = 0;

// Keys of a record that are really there, whatever its count says.
int held_keys(const MacroRecord* m) {
  int n = m->key_count;
  if (n < 0) return 0;
  return n > MACRO_MAX_KEYS ? MACRO_MAX_KEYS : n;
}

bool count_key(int k) { return (k >= '0' && k <= '9') || k == '*'; }

// Takes the keys of the command that is running (ESC, a count, the command
// key; or F1 for the again command) off the end of the recording.  Only keys
// that are at the end are taken: a recording that was already full when the
// command was typed keeps every key it holds.
void drop_command_keys(MacroRecord* m, int command_key) {
  int n = held_keys(m);
  int p = n;
  bool function_key = false;
  if (p > 0 && m->keys[p - 1] == command_key) {
    p--;
  } else if (p > 0 && command_key == AGAIN_CMD && m->keys[p - 1] == AGAIN_KEY) {
    p--;
    function_key = true;
  }
  int q = p;
  while (q > 0 && count_key(m->keys[q - 1])) q--;
  if (q > 0 && m->keys[q - 1] == cmd_pr)
    m->key_count = q - 1;
  else if (function_key)
    m->key_count = p;
}

// Takes the macro menu's own keys (its menu key, then ESC "m") off the end
// of the recording.
void drop_invoking_keys(MacroRecord* m) {
  int n = held_keys(m) - menu_keys_recorded;
  m->key_count = n < 0 ? 0 : n;
  menu_keys_recorded = 0;
  drop_command_keys(m, curr_cmd != 0 ? curr_cmd : 'm');
}

void unlink_macro(MacroRecord* m) {
  list_delete(&macro_list, m, &status);
  m->next = m->prev = nullptr;
}

// Asks for a macro name with the name prompt; returns its length.
int ask_macro_name(char* name) {
  name[0] = 0;
  return prompt_read_str(0, 0, macro_name_msg, -1, -1, name, MACRO_NAME_CAPACITY);
}

// Shows "<file name cut to 30 from the left><what>".
void file_message(const char* path, const char* what) {
  char cut[NAME_WIDTH + 1];
  truncate_str_left(path, cut, NAME_WIDTH);
  std::snprintf(result_msg, sizeof result_msg, "%s%s", cut, what);
  write_ku_msg(result_msg);
}

void put32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}

uint32_t get32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

int32_t get_int(const unsigned char* p) { return static_cast<int32_t>(get32(p)); }

}  // namespace

MacroRecord* get_macro(const char* name) {
  size_t len = std::strlen(name);
  Link* l = macro_list.count > 0 ? macro_list.first : nullptr;
  for (int i = 0; l && i < macro_list.count; i++, l = l->next) {
    auto* m = static_cast<MacroRecord*>(l);
    if (strnlen(m->name, sizeof m->name) == len && std::memcmp(m->name, name, len) == 0) return m;
  }
  return nullptr;
}

void macro_stamp(MacroRecord* m) {
  size_t len = std::strlen(ku_masthead);
  m->version[0] = ku_masthead[len - 4];
  m->version[1] = ku_masthead[len - 2];
  m->version[2] = ku_masthead[len - 1];
  m->check1 = MACRO_CHECK_1;
  m->check2 = MACRO_CHECK_2;
}

void macro_to_image(const MacroRecord* m, unsigned char image[MACRO_IMAGE_SIZE]) {
  std::memset(image, 0, MACRO_IMAGE_SIZE);
  std::memcpy(image + MACRO_IMAGE_VERSION, m->version, sizeof m->version);
  put32(image + MACRO_IMAGE_CHECK_1, static_cast<uint32_t>(m->check1));
  put32(image + MACRO_IMAGE_CHECK_2, static_cast<uint32_t>(m->check2));
  put32(image + MACRO_IMAGE_KEY_COUNT, static_cast<uint32_t>(m->key_count));
  std::memcpy(image + MACRO_IMAGE_NAME, m->name, sizeof m->name);
  for (int i = 0; i < MACRO_MAX_KEYS; i++)
    put32(image + MACRO_IMAGE_KEYS + 4 * static_cast<size_t>(i), static_cast<uint32_t>(m->keys[i]));
}

int macro_from_image(const unsigned char* image, size_t n, MacroRecord* m) {
  if (n != MACRO_IMAGE_SIZE) return 1;
  if (get_int(image + MACRO_IMAGE_CHECK_1) != MACRO_CHECK_1 || get_int(image + MACRO_IMAGE_CHECK_2) != MACRO_CHECK_2)
    return 2;
  int32_t count = get_int(image + MACRO_IMAGE_KEY_COUNT);
  if (count < 0 || count > MACRO_KEY_LIMIT) return 3;
  if (std::memchr(image + MACRO_IMAGE_NAME, 0, MACRO_NAME_SIZE) == nullptr) return 4;
  m->next = m->prev = nullptr;
  std::memcpy(m->version, image + MACRO_IMAGE_VERSION, sizeof m->version);
  m->check1 = MACRO_CHECK_1;
  m->check2 = MACRO_CHECK_2;
  m->key_count = count;
  std::memcpy(m->name, image + MACRO_IMAGE_NAME, sizeof m->name);
  for (int i = 0; i < MACRO_MAX_KEYS; i++) m->keys[i] = get_int(image + MACRO_IMAGE_KEYS + 4 * static_cast<size_t>(i));
  return 0;
}

void macro_cmd() {
  update_curr_line();
  push_status_line(macro_menu);
  for (bool in_menu = true; in_menu;) {
    in_menu = false;
    ti_move_cursor(static_cast<int>(std::strlen(macro_menu)), 0);
    bool recording = read_state == RECORDING && curr_macro != nullptr;
    int before = recording ? held_keys(curr_macro) : 0;
    int k = std::toupper(read_char() & 0xff);
    menu_keys_recorded = recording ? held_keys(curr_macro) - before : 0;
    if (recording && k != 'S') {
      drop_invoking_keys(curr_macro);
      write_ku_msg(cant_nest_macros_msg);
      break;
    }
    switch (k) {
      case 'C': macro_create(); break;
      case 'S': macro_stop(); break;
      case 'D': macro_delete(); break;
      case 'W': macro_write(); break;
      case 'R': macro_read(); break;
      case 'X': macro_execute(); break;
      case 'L': macro_list_all(); break;
      case '\n': break;
      default:
        writechar(7);
        write_status_line(macro_menu);
        in_menu = true;
        break;
    }
  }
  menu_keys_recorded = 0;
  pop_status_line();
}

void macro_create() {
  // A replay that starts a recording would lose its own remaining keys to
  // the recording and leave its undo group open.
  if (read_state == REPLAYING) {
    write_ku_msg(cant_nest_macros_msg);
    return;
  }
  auto* m = static_cast<MacroRecord*>(ku_calloc(sizeof(MacroRecord)));
  send_node(&macro_list, m);
  char name[MACRO_NAME_CAPACITY];
  ask_macro_name(name);
  // An empty name finds the new record itself.
  if (get_macro(name) != nullptr) {
    unlink_macro(m);
    ku_free(m);
    write_ku_msg(macro_already_exists_msg);
    return;
  }
  std::snprintf(m->name, sizeof m->name, "%s", name);
  std::snprintf(result_msg, sizeof result_msg, "%s%s", "Defining macro: ", m->name);
  write_ku_msg(result_msg);
  curr_macro = m;
  read_state = RECORDING;
}

void macro_stop() {
  if (read_state != RECORDING || curr_macro == nullptr) {
    menu_keys_recorded = 0;
    write_ku_msg(not_creating_msg);
    return;
  }
  MacroRecord* m = curr_macro;
  drop_invoking_keys(m);
  curr_macro = nullptr;
  read_state = 0;
  if (m->key_count > 0) {
    std::snprintf(result_msg, sizeof result_msg, "%s%s", "Macro defined: ", m->name);
    write_ku_msg(result_msg);
    return;
  }
  if (last_macro == m) last_macro = nullptr;
  unlink_macro(m);
  ku_free(m);
  write_ku_msg("Empty macro - deleted");
}

void macro_delete() {
  char name[MACRO_NAME_CAPACITY];
  ask_macro_name(name);
  MacroRecord* m = get_macro(name);
  if (m == nullptr) {
    write_ku_msg(no_such_macro_msg);
    return;
  }
  // The replay reads its keys from the record until it ends.
  if (m == curr_macro) {
    write_ku_msg(macro_running_msg);
    return;
  }
  if (m == last_macro) last_macro = nullptr;
  std::snprintf(result_msg, sizeof result_msg, "%s%s", m->name, " deleted");
  unlink_macro(m);
  ku_free(m);
  write_ku_msg(result_msg);
}

void macro_write() {
  update_curr_line();
  char name[MACRO_NAME_CAPACITY];
  ask_macro_name(name);
  MacroRecord* m = get_macro(name);
  if (m == nullptr) {
    write_ku_msg(no_such_macro_msg);
    return;
  }
  char path[256];
  open_file_dialog(select_file_write, path, sizeof path, 1);
  int code = 0;
  FILE* f = path[0] != 0 ? write_open(path, 0, &code) : nullptr;
  if (f == nullptr) {
    write_ku_msg(err_msg[3]);
    return;
  }
  macro_stamp(m);
  unsigned char image[MACRO_IMAGE_SIZE];
  macro_to_image(m, image);
  if (std::fwrite(image, 1, sizeof image, f) != sizeof image) {
    write_abort(f);
    write_ku_msg("File not written");
    return;
  }
  if (write_close(f, path) != 0) {
    write_ku_msg("File not written");
    return;
  }
  file_message(path, " written");
}

void macro_read() {
  char path[256];
  open_file_dialog(select_file_read, path, sizeof path, 1);
  // Opened the way text files are, so that a FIFO or a device named here is
  // refused instead of blocking or being read for ever.
  int fd = path[0] != 0 ? open_text_file(path) : -1;
  FILE* f = fd >= 0 ? fdopen(fd, "rb") : nullptr;
  if (f == nullptr && fd >= 0) close(fd);
  if (f == nullptr) {
    ku_exception = 3;
    return;
  }
  // One byte more than an image: a longer file is no macro file either.
  unsigned char image[MACRO_IMAGE_SIZE + 1];
  size_t n = std::fread(image, 1, sizeof image, f);
  std::fclose(f);
  auto* m = static_cast<MacroRecord*>(ku_calloc(sizeof(MacroRecord)));
  if (macro_from_image(image, n, m) != 0) {
    ku_free(m);
    write_ku_msg(not_a_macro_file_msg);
    return;
  }
  send_node(&macro_list, m);
  file_message(path, " read");
}

void macro_execute() {
  if (read_state == RECORDING) {
    // The refused command leaves nothing in the recording that would run it
    // when the macro is replayed.
    if (curr_macro != nullptr) drop_command_keys(curr_macro, curr_cmd);
    write_ku_msg(cant_nest_macros_msg);
    return;
  }
  MacroRecord* m = nullptr;
  if (curr_cmd == AGAIN_CMD && last_macro != nullptr) {
    m = last_macro;
  } else {
    char name[MACRO_NAME_CAPACITY];
    ask_macro_name(name);
    m = get_macro(name);
    if (m == nullptr) {
      write_ku_msg(no_such_macro_msg);
      return;
    }
  }
  if (read_state == REPLAYING) {
    if (++chained_runs > MACRO_MAX_CHAINED_RUNS) {
      write_ku_msg(cant_nest_macros_msg);
      return;
    }
    // The replay in progress is abandoned for the new one; its undo group is
    // closed here, since its end will never come.  The state stays at
    // replaying, so nothing is drawn between the two runs.
    complete_push_undo_macro();
  } else {
    chained_runs = 0;
  }
  last_macro = m;
  curr_macro = m;
  rs_ix = 0;
  set_status_line(1, 0, last_ku_mode);
  read_state = REPLAYING;
  int n = requested_reps;
  rs_reps_left = n > 0 ? n - 1 : 0;
  if (n > 0) curr_rep = n;
  push_undo_macro(MACRO_CMD_IX, get_curr_line_num(), curr_screen.cx, curr_screen.cy);
}

void macro_list_all() {
  create_full_screen_info_page(" - Available Macros");
  mv_writestr(0, 3, 0, "Idx     Macro Name              Macro Size");
  // The last two rows hold the page's divider and its ENTER line, so the
  // entries end on the row above them.
  int rows = lines - 7;
  Link* l = macro_list.count > 0 ? macro_list.first : nullptr;
  for (int i = 0; l && i < macro_list.count && i < rows; i++, l = l->next) {
    auto* m = static_cast<MacroRecord*>(l);
    char name[MACRO_NAME_SIZE + 1];
    std::memcpy(name, m->name, MACRO_NAME_SIZE);
    name[MACRO_NAME_SIZE] = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%d       %s", i, name);
    mv_writestr(0, i + 5, 0, text);
    std::snprintf(text, sizeof text, "%d", m->key_count);
    mv_writestr(32, i + 5, 0, text);
  }
  remove_full_screen_info_page();
}

void xecute_cmd() {
  update_curr_line();
  macro_execute();
  set_status_line(1, ku_exception, last_ku_mode);
}
