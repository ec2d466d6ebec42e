// Undo queue and records: every change leaves a record naming the line by
// its position and the cursor column; records are kept newest first in a
// bounded queue; macro runs are grouped under one record.
#pragma once
#include "store/lists.h"

struct BlockRange;

struct UndoItem : Link {
  int actions;         // actions pushed into this record
  int last_line_flag;  // type 2: 1 the deleted line was the last of a longer file,
                       // 2 it was the only line (the file was left one empty line)
  int cmd_ix;          // command that made the record
  int line;            // 0-based line position at push time
  int col;             // cursor column (meaning per type)
  int row;             // cursor row at push time
  int type;            // record type 0-11
  int size;            // buffer capacity (types 0, 7); start column of the tail (type 1)
  int count;           // characters, lines or pending actions, per type
  void* data;          // saved material, owned by the record
  const void* file;    // open-file entry current at push time (curr_file_des)
};

// Record types.
enum UndoType {
  UNDO_DEL_CHAR = 0,
  UNDO_DEL_RIGHT = 1,
  UNDO_DEL_LINE = 2,
  UNDO_DEL_BLOCK = 3,
  UNDO_SUBSTITUTE = 4,
  UNDO_BLOCK_PASTE = 5,
  UNDO_DEL_WORD = 6,
  UNDO_INS_CHAR = 7,
  UNDO_WRAP_PARA = 8,
  UNDO_MACRO = 9,
  UNDO_COLUMN_PASTE = 10,
  UNDO_COLUMN_DELETE = 11,
};

inline constexpr int UNDO_N_TYPES = 12;
inline constexpr int UNDO_MAX_RECORDS = 128;
inline constexpr int UNDO_CHAR_BUFFER = 82;
inline constexpr int UNDO_MAX_SUBSTITUTE = 79;  // longest string a substitute record keeps
inline constexpr int UNDO_MAX_GROUPS = 16;      // macro groups open at once

// Data of a character record (types 0 and 7): the characters in push order,
// and per character what else the replay needs to restore the line exactly:
//   insert (cmd_ix 0):    > 0 a line split; the new line was given extra - 1
//                              blanks of indentation
//                         < 0 typed beyond the end; the line was -extra - 1 long
//   overwrite (cmd_ix 1): < 0 written beyond the end; the line was -extra - 1 long
//   otherwise 0.
struct UndoCharBuffer {
  char chars[UNDO_CHAR_BUFFER];
  short extra[UNDO_CHAR_BUFFER];
};

// A line split can name the indentation it gave the new line exactly by
// pushing UNDO_LINE_SPLIT + indentation as the character of its insert record.
inline constexpr int UNDO_LINE_SPLIT = 0x10000;

// Data of a substitute record (type 4).
struct UndoSubstitution {
  int matched_length;
  char matched[UNDO_MAX_SUBSTITUTE + 1];
  int replacement_length;
  char replacement[UNDO_MAX_SUBSTITUTE + 1];
};

extern ListHead ku_undo_queue;     // the main undo queue
extern ListHead* undo_queue;       // the current queue (main or a macro run's)
extern Stack undo_queue_stack;     // queues enclosing the current one
extern int undo_state;             // 1 recording, 2 while the undo command replays a record
extern const int undo_types[UNDO_N_TYPES];                  // the type codes 0-11
extern void (*const undo_procs[UNDO_N_TYPES])(UndoItem*);   // replay handler of each type

void init_undo_system();
UndoItem* create_undo_item(int cmd_ix, int line, int col, int row, int type);
void queue_undo_item(UndoItem* item);
// Discards every record of the current queue.  While a macro group is open it
// also discards the records of the enclosing queues (all but the open group
// records themselves), so that no record made before an unrecorded change can
// be replayed over it.  Does nothing while a record is being replayed.
void flush_undo_queue();
void free_undo_item(UndoItem* item);
int get_num_undo_queue_actions();
int get_num_undo_queue_items();
int get_undo_queue_size();

// Every push records nothing while a record is being replayed (undo_state 2);
// push_undo_del_line then releases the line it was given.
void push_undo_del_char(int ch, int line, int col, int row);
void push_undo_del_right(const LineRecord* text, int pos, int line, int col, int row);
void push_undo_del_line(LineNode* node, int last_line_flag, int line, int col, int row);
void push_undo_del_block(int cmd_ix, const ListHead* list, int line, int col, int row);
void push_undo_substitute(const LineRecord* matched, const LineRecord* replacement, int line, int col, int row);
void push_undo_block_paste(int cmd_ix, int n, int line, int col, int row);
void push_undo_del_word(const LineRecord* text, int n, int line, int pos, int row);
void push_undo_ins_char(int ch, int cmd_ix, int line, int col, int row);
void push_undo_wrap_para(LineNode* first, LineNode* last, int n, int line, int col, int row);
void update_undo_wrap_para(int n);
void push_undo_macro(int cmd_ix, int line, int col, int row);
void complete_push_undo_macro();
void push_undo_column_paste(int cmd_ix, const ListHead* list, int line, int col, int row);
void push_undo_column_delete(int cmd_ix, BlockRange* area, int line, int col, int row);

// The replay handlers, called only by undo_cmd through undo_procs.
void undo_del_char(UndoItem* item);
void undo_del_right(UndoItem* item);
void undo_del_line(UndoItem* item);
void undo_del_block(UndoItem* item);
void undo_substitute(UndoItem* item);
void undo_block_paste(UndoItem* item);
void undo_del_word(UndoItem* item);
void undo_ins_char(UndoItem* item);
void undo_wrap_para(UndoItem* item);
void undo_macro(UndoItem* item);
void undo_column_paste(UndoItem* item);
void undo_column_delete(UndoItem* item);

// Steps every handler shares.  undo_show_line writes the line buffer back,
// makes the line at the record's position current (the last line when the
// file is shorter) and shows it with the cursor at column col.
// undo_retire_item takes back the record's action: the queue's total loses
// one and the record is removed from the queue and freed.  undo_retire_action
// does the same for one action of a merging record (types 0, 2, 7), which is
// removed only when its count reaches 0; it returns 1 when it was removed.
// A handler that moves a saved list's lines into the file empties that list
// (init_list) before retiring the record, so that only the head is freed.
void undo_show_line(const UndoItem* item, int col);
void undo_retire_item(UndoItem* item);
int undo_retire_action(UndoItem* item);
