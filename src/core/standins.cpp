// Weak stand-ins for the parts of the editor not built yet.  Each is
// replaced, at link time, by the real (strong) definition in its own module;
// the ones still here answer a command with the bell and do nothing else.
#include <cstdio>
#include <cstdlib>

#include "core/dispatch.h"
#include "core/entry.h"
#include "edit/wrap.h"
#include "files/openfiles.h"
#include "files/quit.h"
#include "files/safewrite.h"
#include "files/textfile.h"
#include "input/keys.h"
#include "input/prompt.h"
#include "input/readstate.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "store/memory.h"
#include "undo/undo.h"

#define KU_WEAK __attribute__((weak))

// Commands not built yet: the bell.

KU_WEAK void insert_cmd() { writechar(7); }
KU_WEAK void overwrite_cmd() { writechar(7); }
KU_WEAK void null_cmd() { writechar(7); }
KU_WEAK void block_cmd() { writechar(7); }
KU_WEAK void delete_left_cmd() { writechar(7); }
KU_WEAK void edit_cmd() { writechar(7); }
KU_WEAK void find_cmd() { writechar(7); }
KU_WEAK void goto_file_cmd() { writechar(7); }
KU_WEAK void help_cmd() { writechar(7); }
KU_WEAK void info_cmd() { writechar(7); }
KU_WEAK void jump_cmd() { writechar(7); }
KU_WEAK void delete_line_cmd() { writechar(7); }
KU_WEAK void macro_cmd() { writechar(7); }
KU_WEAK void next_file_cmd() { writechar(7); }
KU_WEAK void option_cmd() { writechar(7); }
KU_WEAK void get_cmd() { writechar(7); }
KU_WEAK void quit_cmd() { writechar(7); }
KU_WEAK void subs_cmd() { writechar(7); }
KU_WEAK void status_cmd() { writechar(7); }
KU_WEAK void tags_cmd() { writechar(7); }
KU_WEAK void update_cmd() { writechar(7); }
KU_WEAK void view_cmd() { writechar(7); }
KU_WEAK void wrap_paragraph_cmd() { writechar(7); }
KU_WEAK void xecute_cmd() { writechar(7); }
KU_WEAK void pick_cmd() { writechar(7); }
KU_WEAK void cursor_left_cmd() { writechar(7); }
KU_WEAK void cursor_right_cmd() { writechar(7); }
KU_WEAK void cursor_up_cmd() { writechar(7); }
KU_WEAK void cursor_down_cmd() { writechar(7); }
KU_WEAK void extended_motion_cmd() { writechar(7); }
KU_WEAK void word_right_cmd() { writechar(7); }
KU_WEAK void word_left_cmd() { writechar(7); }
KU_WEAK void para_up_cmd() { writechar(7); }
KU_WEAK void para_down_cmd() { writechar(7); }
KU_WEAK void rubout_cmd() { writechar(7); }
KU_WEAK void delete_char_cmd() { writechar(7); }
KU_WEAK void delete_word_cmd() { writechar(7); }
KU_WEAK void ext_home_cmd() { writechar(7); }
KU_WEAK void ext_end_cmd() { writechar(7); }
KU_WEAK void ext_pgup_cmd() { writechar(7); }
KU_WEAK void top_of_file_cmd() { writechar(7); }
KU_WEAK void ext_pgdn_cmd() { writechar(7); }
KU_WEAK void bottom_of_file_cmd() { writechar(7); }
KU_WEAK void half_up_cmd() { writechar(7); }
KU_WEAK void half_down_cmd() { writechar(7); }
KU_WEAK void half_left_cmd() { writechar(7); }
KU_WEAK void half_right_cmd() { writechar(7); }
KU_WEAK void copy_line_del_buffer_cmd() { writechar(7); }
KU_WEAK void cut_line_del_buffer_cmd() { writechar(7); }
KU_WEAK void paste_line_del_buffer_cmd() { writechar(7); }
KU_WEAK void cursor_top_of_page_cmd() { writechar(7); }
KU_WEAK void cursor_middle_of_page_cmd() { writechar(7); }
KU_WEAK void cursor_bottom_of_page_cmd() { writechar(7); }
KU_WEAK void jump_to_tag_cmd() { writechar(7); }
KU_WEAK void delete_right_cmd() { writechar(7); }
KU_WEAK void edge_cmd() { writechar(7); }
KU_WEAK void column_cmd() { writechar(7); }
KU_WEAK void undo_cmd() { writechar(7); }
KU_WEAK void mouse_cmd() { writechar(7); }
KU_WEAK void about_ku_cmd() { writechar(7); }

// Text entry.
KU_WEAK int auto_indent_level = 0;
KU_WEAK void visual_processor(int) { writechar(7); }
KU_WEAK void tab_handler() {}
KU_WEAK void enter_handler() {}

// Wrapping.
KU_WEAK void block_wrap() { writechar(7); }

// Undo.
KU_WEAK ListHead ku_undo_queue;
KU_WEAK ListHead* undo_queue = &ku_undo_queue;
KU_WEAK Stack undo_queue_stack;
KU_WEAK int undo_state = 1;
KU_WEAK void init_undo_system() {}
KU_WEAK UndoItem* create_undo_item(int, int, int, int, int) { return nullptr; }
KU_WEAK void queue_undo_item(UndoItem*) {}
KU_WEAK void flush_undo_queue() {}
KU_WEAK void free_undo_item(UndoItem*) {}
KU_WEAK int get_num_undo_queue_actions() { return 0; }
KU_WEAK int get_num_undo_queue_items() { return 0; }
KU_WEAK int get_undo_queue_size() { return 0; }
// The stand-in queue keeps nothing: a deleted line handed to it is released.
KU_WEAK void push_undo_del_char(int, int, int, int) {}
KU_WEAK void push_undo_del_right(const LineRecord*, int, int, int, int) {}
KU_WEAK void push_undo_del_line(LineNode* node, int, int, int, int) { ku_free(node); }
KU_WEAK void push_undo_del_block(int, const ListHead*, int, int, int) {}
KU_WEAK void push_undo_substitute(const LineRecord*, const LineRecord*, int, int, int) {}
KU_WEAK void push_undo_block_paste(int, int, int, int, int) {}
KU_WEAK void push_undo_del_word(const LineRecord*, int, int, int, int) {}
KU_WEAK void push_undo_ins_char(int, int, int, int, int) {}
KU_WEAK void push_undo_wrap_para(LineNode*, LineNode*, int, int, int, int) {}
KU_WEAK void update_undo_wrap_para(int) {}
KU_WEAK void push_undo_macro(int, int, int, int) {}
KU_WEAK void complete_push_undo_macro() {}
KU_WEAK void push_undo_column_paste(int, const ListHead*, int, int, int) {}
KU_WEAK void push_undo_column_delete(int, BlockRange*, int, int, int) {}

