// Screen drawing and the current line: the line buffer being edited, the
// record of what the text window shows, drawing the window around the current
// line, and the current line number with its cache.
#pragma once
#include "store/lists.h"

struct ScreenState {
  LineNode* top_line;     // line shown on row 2
  LineNode* bottom_line;  // line shown on the last occupied text row
  int unused1, unused2;
  int last_direction;     // rcr, rcl, rcd or rcu
  int cx;                 // cursor column in the current line
  int cy;                 // cursor screen row
  int left_cx;            // aperture edges saved with the file's context
  int right_cx;
};

extern ScreenState curr_screen;  // the window on the current file
extern LineNode* curr_line;      // current line of the current file
extern LineRecord line_buf;      // the current line while edited; length 0 = empty
extern int curr_line_num;        // 1-based number of the current line as last known
extern Link* curr_bwd_link;      // line before the current one when the number was counted
extern int curr_bwd_len;         // that line's length then
extern LineNode* cnode;          // scratch cursors used while walking the window
extern LineNode* nnode;
extern LineNode* pnode;

void load_line_buf();
void update_curr_line();
int update_curr_screen(int wanted_row);
int displayed(const LineNode* line, int* row);
void draw_curr_screen();
void draw_to_endof_screen();
void after_delete_screen_update(LineNode* d, int redraw_rest, int to_top, int row);
void display_new_screen(int x);
int get_curr_line_num();
LineNode* goto_line_num(int n);
void restore_cursor();
// The text a window row shows for a line: line_buf while it holds the
// current line being edited (the stored node is stale then), else the node.
void shown_line(const LineNode* line, const char** text, int* length);
