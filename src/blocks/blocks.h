// Line blocks and the line buffer, column blocks and the column buffer.  The
// buffers outlive file switches, so text moves between files through them.
#pragma once
#include "store/lists.h"

// A chosen range of lines (and, for column blocks, of columns).
struct BlockRange {
  LineNode* first;  // earlier end of the range in file order
  LineNode* last;   // later end (the same line for a one-line range)
  int count;        // lines from first to last inclusive
  int first_col;    // column ranges only
  int last_col;
  char key;        // the menu letter chosen, upper case
  int key_ix;      // its position in the menu's letter list
  char copy_only;  // 'u' only while an undo record copies a column area
};

// First and last line of the range the block operations work on.
struct BlockLines {
  LineNode* first;
  LineNode* last;
};

extern ListHead line_block;        // the line-block buffer
extern ListHead line_del_block;    // the line delete buffer (saved_checksum: 0x5555 while a cut runs)
extern ListHead kill_block;        // lines removed by a block Kill until undo has copied them
extern ListHead column_block;      // the column buffer
extern BlockLines block;           // range of the block operation being run
extern BlockRange last_file_area;  // range of the last block or column command (for again)
// Which command chose last_file_area: 'b' block, 'c' column, 0 none (a
// cancelled command remembers nothing).
extern char last_area_cmd;

// The cut flag kept in line_del_block.saved_checksum while a cut runs.
inline constexpr uint32_t LINE_DEL_CUT_FLAG = 0x5555;

// Menus of the block and column commands.
extern const char* const block_menu;
extern const char block_cmds[11];
extern void (*const block_cmd_procs[10])();
extern const char* const column_menu;
extern const char column_cmds[10];
extern void (*const column_procs[9])(ListHead*, BlockRange*);
extern char block_exit_cmds[9];  // cursor left, cursor right, then "IPRSXE"

// --- Range choice -------------------------------------------------------
// Lets the user extend a range of lines from the current line with the
// vertical motions, markers at column `marker_col`; 1 when one of the `n`
// letters was chosen (range filled, letter in upper case), 0 on ENTER.
int define_line_range(BlockRange* range, int marker_col, const char* letters, int n);
char write_marker(char marker, int col, int row, const LineNode* line);
void delete_line_markers(int col, LineNode* start, char start_ch, LineNode* end, char end_ch);
// Lets the user choose the columns of an area whose lines are chosen.
int define_column_range(BlockRange* area, const char* letters, int n);
void delete_column_markers(int row, const LineNode* line);

// --- Line blocks ----------------------------------------------------------
void block_buffer();
void block_delete();
void block_get();
void block_read();
void block_save_as();
void line_column_exchange();
void block_purge();
void exchange_line_column_blocks();
// Empties the line delete buffer, keeping its cut flag.
void purge_line_del_buffer();
// Inserts copies of the lines of `src` at the current line: below it when
// `below`, else above it; the first copy becomes current.  Returns the
// number of lines inserted.  Draws, but writes no message and no record.
int paste_lines(const ListHead* src, int below);

// --- Column blocks ----------------------------------------------------------
void init_column_block();
ListHead* get_column_block_ptr();
void column_copy_delete(ListHead* dest, BlockRange* area);
void column_paste(ListHead* rows, BlockRange* area);
void column_insert(ListHead* list, BlockRange* area);
void column_read(ListHead* list, BlockRange* area);
void column_write(ListHead* list, BlockRange* area);
void column_line_exchange(ListHead* list, BlockRange* area);
void column_flush(ListHead* list, BlockRange* area);

// The rows a column paste records for undo are preceded by one header node:
// COLUMN_PAD_TAG, then for each row an int32 that is the length its line had
// when the line was shorter than the paste column and was filled out with
// blanks to reach it, or -1.  Undo takes those blanks away again.
inline constexpr char COLUMN_PAD_TAG[4] = {'\x01', 'K', 'U', 'p'};
bool is_column_pad_header(const LineNode* node);
int column_pad_of(const LineNode* header, int row);

// --- Shared helpers -------------------------------------------------------
// Asks for a file with the read dialog and reads it into `list` (emptied
// first); 1 when it was read, else 0 with the list empty and the message
// written ("No File Selected to Read" or "Could not open requested file").
int read_chosen_file(ListHead* list);
// Asks for a file with the write dialog and writes the lines first..last to
// it as plain text with Unix line ends through the safe-write path (asking
// before an existing file is replaced); the message names the outcome.
void write_chosen_file(LineNode* first, LineNode* last);
// Swaps two lists' heads whole (lines and head fields alike) and re-points
// each first line's back link at its new head.
void swap_list_heads(ListHead* a, ListHead* b);
// A new node holding a copy of `len` characters of `text`.
LineNode* new_line(const char* text, int len);
// 0-based position of `line` in the current file; -1 when it is not there.
int line_index(const LineNode* line);
// Whether the range's lines are still the current file's: its first line is
// there and its last line lies count - 1 lines further on.  Never follows a
// pointer of the range that is not found in the file.
bool range_in_file(const BlockRange& r);
// Replaces a line of the current file by a new node of the given text, and
// makes every window and range pointer that named it name the new one.
LineNode* replace_file_line(LineNode* old, const char* text, int len, BlockRange* area);
