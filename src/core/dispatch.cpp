// Command dispatch: looks a command character up in the command table, runs
// its handler as many times as the repetition count asks, resolves the again
// command, and flushes the undo queue after commands that cannot be undone.
#include "core/dispatch.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "input/keys.h"
#include "input/readstate.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

const char commands[N_COMMANDS + 1] = "IOabdefghijlmnopqrstUvwxz,.^$;][{}#DW<>B\\F~-+()CXVHML`k:cu_A";

void (*const cmd_proc[N_COMMANDS])() = {
    insert_cmd,          overwrite_cmd,       null_cmd,
    block_cmd,           delete_left_cmd,     edit_cmd,
    find_cmd,            goto_file_cmd,       help_cmd,
    info_cmd,            jump_cmd,            delete_line_cmd,
    macro_cmd,           next_file_cmd,       option_cmd,
    get_cmd,             quit_cmd,            subs_cmd,
    status_cmd,          tags_cmd,            update_cmd,
    view_cmd,            wrap_paragraph_cmd,  xecute_cmd,
    pick_cmd,            cursor_left_cmd,     cursor_right_cmd,
    cursor_up_cmd,       cursor_down_cmd,     extended_motion_cmd,
    word_right_cmd,      word_left_cmd,       para_up_cmd,
    para_down_cmd,       rubout_cmd,          delete_char_cmd,
    delete_word_cmd,     ext_home_cmd,        ext_end_cmd,
    ext_pgup_cmd,        top_of_file_cmd,     ext_pgdn_cmd,
    bottom_of_file_cmd,  half_up_cmd,         half_down_cmd,
    half_left_cmd,       half_right_cmd,      copy_line_del_buffer_cmd,
    cut_line_del_buffer_cmd, paste_line_del_buffer_cmd, cursor_top_of_page_cmd,
    cursor_middle_of_page_cmd, cursor_bottom_of_page_cmd, jump_to_tag_cmd,
    delete_right_cmd,    edge_cmd,            column_cmd,
    undo_cmd,            mouse_cmd,           about_ku_cmd,
};
static_assert(std::size(cmd_proc) == N_COMMANDS);
static_assert(sizeof(commands) == N_COMMANDS + 1);

int in_again_cmd_set[N_COMMANDS];
int undo_supported[N_COMMANDS];

RepBuf rep_buf;
int rep_ix = 0;
int requested_reps = 0;
int curr_rep = 0;
char curr_cmd = 0;
int last_cmd_ix = 0;
char ag_last_cmd = 'I';
int ag_last_cmd_ix = 0;
int ag_last_reps = 1;

// The again command itself: the dispatcher has already replaced it by the
// command it repeats, so its own handler does nothing.
void null_cmd() {}

int command_index(int ch) {
  if (ch <= 0 || ch > 255) return -1;
  return findb(commands, static_cast<char>(ch), N_COMMANDS);
}

namespace {

// Digits and '*' typed in command mode build up the count; returns true when
// the key was taken as part of a count.
bool take_count_char(int k) {
  if (rep_ix == 0) set_status_line(1, 0, COMMAND_MODE);
  if (k == '*' || (rep_ix > 0 && rep_buf.text[0] == '*')) {
    rep_ix = 0;
    set_status_line(1, 0, COMMAND_MODE);
  }
  if (rep_ix > 7) {
    writechar(7);
    return true;
  }
  rep_buf.text[rep_ix++] = static_cast<char>(k);
  char echo[2] = {static_cast<char>(k), 0};
  ti_move_cursor(rep_ix, 0);
  writestr(echo);
  return true;
}

// Ends a count being typed; false when the key was a rubout inside it.
bool end_count(int k) {
  if (k == '#') {
    ti_rubout();
    rep_ix--;
    return false;
  }
  if (rep_buf.text[0] == '*') {
    requested_reps = 32000;
  } else {
    rep_buf.text[rep_ix] = ' ';
    rep_buf.text[rep_ix + 1] = 0;
    requested_reps = std::atoi(rep_buf.text);
  }
  if (requested_reps <= 0) requested_reps = 1;
  rep_ix = 0;
  restore_cursor();
  return true;
}

}  // namespace

void cmd_processor(int key) {
  int k = key;
  curr_rep = 0;
  requested_reps = 0;
  if (k == '*' || (k >= '0' && k <= '9')) {
    take_count_char(k);
    return;
  }
  if (rep_ix > 0 && !end_count(k)) return;
  if (k == '\n') {
    rep_ix = 0;
    ku_mode = last_ku_mode;
    set_status_line(1, 0, last_ku_mode);
    restore_cursor();
    return;
  }
  curr_cmd = static_cast<char>(k);
  int i = command_index(k);
  char c = static_cast<char>(k);
  if (requested_reps != 0) {
    c = unmap_extended_keyboard_key(&i);
    // The handler runs as the plain command it became: delete_char_cmd, for
    // one, records its deletions for undo only when it runs as 'D'.
    if (c != 0) curr_cmd = c;
  } else
    requested_reps = 1;
  if (c == 'a') {
    c = ag_last_cmd;
    i = ag_last_cmd_ix;
    requested_reps = ag_last_reps;
  }
  if (i == -1) {
    set_status_line(1, 1, last_ku_mode);
    ku_mode = last_ku_mode;
    return;
  }
  bool in_macro = read_state != 0;
  int n = requested_reps;
  for (;;) {
    int old = curr_rep++;
    if (old >= requested_reps) break;
    cmd_proc[i]();
  }
  if (undo_supported[i] == 0) flush_undo_queue();
  if (in_again_cmd_set[i] == 1 && !in_macro) {
    ag_last_cmd = c;
    ag_last_cmd_ix = i;
    ag_last_reps = n;
  }
  last_cmd_ix = i;
  if (displayed_mode == COMMAND_MODE) set_status_line(1, 0, last_ku_mode);
  ku_mode = last_ku_mode;
}
