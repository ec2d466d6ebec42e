// Command dispatch: the 60-entry command table, repetition counts, the again
// command, and the undo flush after commands that cannot be undone.
#pragma once
#include "store/lists.h"

inline constexpr int N_COMMANDS = 60;
extern const char commands[N_COMMANDS + 1];
extern void (*const cmd_proc[N_COMMANDS])();
extern int in_again_cmd_set[N_COMMANDS];
extern int undo_supported[N_COMMANDS];

struct RepBuf : Link {
  int length;
  char text[84];
};
extern RepBuf rep_buf;        // the repetition count typed so far
extern int rep_ix;            // count characters typed; 0 when none
extern int requested_reps;    // how many times the command is to run
extern int curr_rep;          // repetition being run, 1 for the first
extern char curr_cmd;         // command character as it arrived, or the plain command a count mapped it to
extern int last_cmd_ix;       // index of the last command run
extern char ag_last_cmd;      // what the again command repeats
extern int ag_last_cmd_ix;
extern int ag_last_reps;

// Position of a command character in the table, -1 when absent.
int command_index(int ch);
void cmd_processor(int key);

// Every command handler, in table order.
void insert_cmd();
void overwrite_cmd();
void null_cmd();
void block_cmd();
void delete_left_cmd();
void edit_cmd();
void find_cmd();
void goto_file_cmd();
void help_cmd();
void info_cmd();
void jump_cmd();
void delete_line_cmd();
void macro_cmd();
void next_file_cmd();
void option_cmd();
void get_cmd();
void quit_cmd();
void subs_cmd();
void status_cmd();
void tags_cmd();
void update_cmd();
void view_cmd();
void wrap_paragraph_cmd();
void xecute_cmd();
void pick_cmd();
void cursor_left_cmd();
void cursor_right_cmd();
void cursor_up_cmd();
void cursor_down_cmd();
void extended_motion_cmd();
void word_right_cmd();
void word_left_cmd();
void para_up_cmd();
void para_down_cmd();
void rubout_cmd();
void delete_char_cmd();
void delete_word_cmd();
void ext_home_cmd();
void ext_end_cmd();
void ext_pgup_cmd();
void top_of_file_cmd();
void ext_pgdn_cmd();
void bottom_of_file_cmd();
void half_up_cmd();
void half_down_cmd();
void half_left_cmd();
void half_right_cmd();
void copy_line_del_buffer_cmd();
void cut_line_del_buffer_cmd();
void paste_line_del_buffer_cmd();
void cursor_top_of_page_cmd();
void cursor_middle_of_page_cmd();
void cursor_bottom_of_page_cmd();
void jump_to_tag_cmd();
void delete_right_cmd();
void edge_cmd();
void column_cmd();
void undo_cmd();
void mouse_cmd();
void about_ku_cmd();
