// Start-up and the main loop: every global's default, the options file read
// before the terminal is taken over, the size check, the top-line geometry,
// the command line and the files named on it.
#include "core/startup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "core/dispatch.h"
#include "blocks/blocks.h"
#include "core/entry.h"
#include "edit/find.h"
#include "files/emergency.h"
#include "files/openfiles.h"
#include "files/quit.h"
#include "files/textfile.h"
#include "input/keys.h"
#include "input/readstate.h"
#include "macros/macros.h"
#include "options/options.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

int MODE_X = 71, MODE_Y = 0;
int MSG_X = 25, MSG_Y = 0;
int ERR_X = 25, ERR_Y = 0;
int FN_FIELD_WIDTH = 23;
int ku_initializing = 0;


void compute_top_line_geometry(int width) {
  int h = (width - 81) / 2;
  MODE_X = width - 9;
  MSG_X = width - 55 - h;
  ERR_X = width - 55 - h;
  FN_FIELD_WIDTH = width - 57 - h;
  MODE_Y = MSG_Y = ERR_Y = 0;
}

namespace {

// Commands that become what the again command repeats, and those after which
// the undo queue is flushed.
constexpr int again_set_ix[] = {3, 6, 11, 15, 17, 22, 23, 34, 35, 36, 47, 48, 49, 54, 56, 57};
constexpr int not_undoable_ix[] = {5, 7, 13};

// The warning comes from whatever allocation failed, in the middle of any
// command, with the text perhaps half-way through a change.  So it takes
// nothing from the text: the rows it covers and the cursor are put back as
// they were, and the command goes on drawing the screen it had.  Its key is
// the user's answer to the warning: it comes from the keyboard even during a
// macro replay (whose next key is not the answer), is not recorded into a
// macro being defined, and does not change the typing mode.
void memory_warning() {
  save_notice_rows();
  int state = read_state;
  int mode = ku_mode;
  read_state = 0;
  write_status_line("WARNING: KU is nearly out of memory - please save work and exit");
  write_divider_msg("> press any key to continue", 0, 2);
  read_char();
  read_state = state;
  ku_mode = mode;
  restore_notice_rows();
  flush_undo_queue();
}

[[noreturn]] void memory_exhausted() {
  write_status_line("ERROR: KU is out of memory -  discarding all files and quitting");
  write_divider_msg("> press any key to continue", 0, 2);
  read_char();
  clear_divider_msg();
  quit_ku(2);
}

void exhausted_hook() { memory_exhausted(); }

// Whether nothing is under the name, so that it can be a new file (a
// symbolic link to nothing counts: writing creates what it names); a name
// that cannot even be looked at (a directory without search permission, a
// loop of links) may hide a file and is not.
bool is_missing(const char* name) {
  struct stat st;
  return stat(name, &st) != 0 && errno == ENOENT;
}

}  // namespace

int init_ku_globals() {
  init_list(&curr_file);
  init_list(&line_block);
  init_list(&line_del_block);
  init_list(&open_file_list);
  init_list(&macro_list);
  std::memset(&curr_screen, 0, sizeof curr_screen);
  std::memset(&line_buf, 0, sizeof line_buf);
  std::memset(&temp, 0, sizeof temp);
  std::memset(&rep_buf, 0, sizeof rep_buf);
  std::memset(find_buf, 0, sizeof find_buf);
  std::memset(subs_buf, 0, sizeof subs_buf);
  ku_msg = ku_msg_buf;
  ku_exception = 0;
  divider_char = '-';
  std::strcpy(ku_msg_buf, " ");
  set_default_options();
  options.bg_color = get_default_bg_color();
  options.fg_color = get_default_fg_color();
  status = load_ku_opt_file();
  curr_file_ix = -1;
  files_open = 0;
  curr_conn = 0;
  rs_reps_left = 0;
  rs_ix = 0;
  read_state = 0;
  last_cmd_ix = 0;
  rep_ix = 0;
  curr_macro = nullptr;
  for (int i = 0; i < N_COMMANDS; i++) {
    in_again_cmd_set[i] = 0;
    undo_supported[i] = 1;
  }
  for (int i : again_set_ix) in_again_cmd_set[i] = 1;
  for (int i : not_undoable_ix) undo_supported[i] = 0;
  curr_line_num = 0;
  memory_warning_hook = memory_warning;
  memory_exhausted_hook = exhausted_hook;
  return status;
}

void edit_initial_files(int argc, char** argv) {
  int names = argc - 1;
  if (names > MAX_OPEN_FILES) {
    write_status_line("KU: Too many files - not all will be opened");
    write_divider_msg("> Any key to continue", 0, 2);
    read_char();
    clear_divider_msg();
    names = MAX_OPEN_FILES;
  }
  // A name that could not be opened leaves its reason in the message area,
  // where the count of files opened would otherwise go.
  char refusal[64] = "";
  for (int i = 1; i <= names; i++) {
    const char* name = argv[i];
    if (std::strcmp(name, "-l") == 0) break;
    if (std::strlen(name) > 255) name = "Filename-too-large.txt";
    add_file(name);
    if (ku_exception == 3 && *read_refusal) {
      // A directory, named pipe or device: refused without waiting on it.
      format_read_refusal(name, refusal, sizeof refusal);
      write_ku_msg(refusal);
    } else if (ku_exception == 3 && !is_missing(name)) {
      // The file is there (or may be) but cannot be read: it must not be
      // taken for a new file, which a later update would write over.
      std::snprintf(refusal, sizeof refusal, "%s", err_msg[3]);
      write_ku_msg(refusal);
    } else if (ku_exception == 3) {
      add_file(nullptr);
      char cut[64];
      truncate_str_left(name, cut, 28);
      char msg[96];
      std::snprintf(msg, sizeof msg, "New File: %s", cut);
      write_ku_msg(msg);
      std::snprintf(curr_filename, sizeof curr_filename, "%s", name);
      if (curr_file_des) std::snprintf(curr_file_des->name, sizeof curr_file_des->name, "%s", name);
      curr_conn = 1234;
    } else if (ku_exception != 0) {
      set_status_line(1, ku_exception, INSERT_MODE);
    }
  }
  if (files_open == 0) add_file(nullptr);
  bool line_form = argc == 4 && std::strcmp(argv[2], "-l") == 0;
  if (refusal[0]) {
    // Files opened after the refused one have put their size there since.
    write_ku_msg(refusal);
  } else if (argc - 1 >= 2 && !line_form) {
    std::snprintf(ku_msg_buf, sizeof ku_msg_buf, "%d %s", files_open, "files opened");
    ku_msg = ku_msg_buf;
  }
}

void ku_init(int argc, char** argv) {
  int requested_line = 1;
  ku_initializing = 1;
  init_ku_globals();

  // From here on a hang-up or a termination request saves changed files
  // beside their originals before the editor ends.
  install_emergency_handlers();
  int size = ti_set_char_mode();
  if (size != 0) {
    ti_move_cursor(0, 0);
    writestr(size == 1 ? "KU requires at least 20 rows and 80 columns\n\n"
                       : "KU cannot support screen sizes this large\n\n");
    writestr("press any key to exit\n");
    ti_getch();
    ti_reset_char_mode();
    std::exit(0);
  }
  compute_top_line_geometry(physical_cols);

  alloc_reserve_memory();
  init_undo_system();
  init_stack(&status_stack, 10);
  init_column_block();
  ti_clear_display(0);
  ti_set_screen_colors();

  ku_mode = last_ku_mode = INSERT_MODE;
  curr_screen.cy = 2;
  curr_screen.cx = 0;
  displayed_mode = 99;
  write_divider_line(1);
  ti_move_cursor(0, 2);

  // The command line: flags are looked for in the first word only; the
  // three-word form "name -l n" opens one file at line n.
  int file_words = argc - 1;
  bool line_form = false;
  if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    help_cmd();
    mv_writestr(0, 0, 0, ku_masthead);
    file_words = 0;
  } else if (argc > 1 && std::strcmp(argv[1], "-b") == 0) {
    init_macro[0] = cmd_pr;
    init_macro[1] = 'q';
    init_macro[2] = 'r';
    init_macro_keys = 3;
    init_macro_ix = 0;
    file_words = 0;
  } else if (argc == 4 && std::strcmp(argv[2], "-l") == 0) {
    line_form = true;
    char* end = nullptr;
    long n = std::strtol(argv[3], &end, 10);
    requested_line = (end && *end == 0 && end != argv[3] && n > 0 && n < 0x7fffffff) ? static_cast<int>(n) : 1;
  }

  edit_initial_files(file_words + 1, argv);
  context_switch(curr_file_ix, 0);
  set_status_line(1, 0, INSERT_MODE);

  if (requested_line != 1) {
    curr_line = goto_line_num(requested_line - 1);
    curr_line_num = get_curr_line_num() + 1;
    curr_screen.cy = update_curr_screen((lines - 2) / 2);
  }
  draw_curr_screen();

  int named = line_form ? 1 : file_words;
  if (named <= 1) {
    char blanks[512];
    int w = FN_FIELD_WIDTH < 511 ? FN_FIELD_WIDTH : 511;
    std::memset(blanks, ' ', static_cast<size_t>(w));
    blanks[w] = 0;
    mv_writestr(0, 0, 0, blanks);
    mv_writestr(0, 0, 0, ku_masthead);
  }
  init_help_shown = 1;
  mv_writestr(file_words == 0 ? MSG_X : MODE_X - 5, 0, 0, err_msg[0]);
  ku_initializing = 0;
  ti_move_cursor(0, curr_screen.cy);
}

void ku_main_loop() {
  for (;;) {
    int key = read_char();
    clear_ku_msg(key);
    ku_exception = 0;
    if (ku_mode == COMMAND_MODE)
      cmd_processor(key);
    else
      visual_processor(key);
    update_scroll_indicator();
  }
}

void ku_terminal_lost() {
  // Without a terminal nothing can be asked: changed files go to emergency
  // copies beside their originals, and the editor ends.
  emergency_save_all();
  std::_Exit(KU_EXIT_SIGNAL_BASE + 1);
}
