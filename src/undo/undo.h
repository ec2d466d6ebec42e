// Undo queue and records: every change leaves a record naming the line by
// its position and the cursor column; records are kept newest first in a
// bounded queue; macro runs are grouped under one record.
#pragma once
#include "store/lists.h"

struct BlockRange;

struct UndoItem : Link {
  int actions;         // actions pushed into this record
  int last_line_flag;  // type 2: the deleted line was the last of a longer file
  int cmd_ix;          // command that made the record
  int line;            // 0-based line position at push time
  int col;             // cursor column (meaning per type)
  int row;             // cursor row at push time
  int type;            // record type 0-11
  int size;            // buffer capacity (types 0, 7); start column of the tail (type 1)
  int count;           // characters, lines or pending actions, per type
  void* data;          // saved material, owned by the record
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

inline constexpr int UNDO_MAX_RECORDS = 128;
inline constexpr int UNDO_CHAR_BUFFER = 82;

extern ListHead ku_undo_queue;     // the main undo queue
extern ListHead* undo_queue;       // the current queue (main or a macro run's)
extern Stack undo_queue_stack;     // queues enclosing the current one
extern int undo_state;             // 1 recording, 2 while the undo command replays a record

void init_undo_system();
UndoItem* create_undo_item(int cmd_ix, int line, int col, int row, int type);
void queue_undo_item(UndoItem* item);
void flush_undo_queue();
void free_undo_item(UndoItem* item);
int get_num_undo_queue_actions();
int get_num_undo_queue_items();
int get_undo_queue_size();

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
