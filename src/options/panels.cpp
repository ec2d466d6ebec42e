// Information panels and small commands: help, about and status panels,
// redrawing, current line to the top, position, mouse, insert/overwrite,
// paste and execute.
#include "options/panels.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "files/openfiles.h"
#include "files/safewrite.h"
#include "input/readstate.h"
#include "macros/macros.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/mouse.h"
#include "term/resize.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

const char* const ku_help[32] = {
    "F1=Again           F2=Block  F3=Column   F4=Jump         F5=Find     F6=Replace",
    "F7=Paste           F8=Edit   F9=DelLine  F10=DeleteEol   F11=Update  F12=Quit  ",
    " ",
    "SHFT-CurUp=Scroll-Up     :   also ESC--  SHFT-CurDn=ScrollDown     : also ESC-+",
    "SHFT-CurLeft=Scroll-Left :   also ESC-(  SHFT-CurRight=ScrollRight : also ESC-)",
    " ",
    "Keypad/=PickLine   Keypad+=NextFile      Keypad*=Info    Keypad-=SelectFile",
    "Keypad5=ExtMotion  Backspace=Rubout      ESC-#=Rubout",
    "CTL-c=CopyLine     CTL-x=CutLine         CTL-v=PasteLine CTL-z=Undo",
    " ",
    "Insert=Ins/Ovr     ESC-Insert=unused     Delete=DelChar  ESC-Delete=DeleteWord",
    "Home=StartOfLine   ESC-Home=unused       End=EndOfLine   ESC-End=unused",
    "PageUp=PageUp      ESC-PageUp=TopOfFile  PageDn=PageDn   ESC-PageDn=EndOfFile",
    "CurLeft=left       ESC-CurLeft=WordLeft  CurRight=right  ESC-CurRight=WordRight",
    "CurUp=up           ESC-CurUp=ParaUp      CurDown=down    ESC-CurDown=ParaDown",
    " ",
    "ESC-a=Again        ESC-b=Block           ESC-c=Column    ESC-d=DelLeft",
    "ESC-e=Edit         ESC-f=Find            ESC-g=GoToFile  ESC-h=Help",
    "ESC-i=Info         ESC-j=Jump            ESC-k=DelRight  ESC-l=DelLine",
    "ESC-m=Macro        ESC-n=NextFile        ESC-o=Option    ESC-p=Paste",
    "ESC-q=Quit         ESC-r=Replace         ESC-s=Status    ESC-t=Tags",
    "ESC-u=Undo         ESC-v=ViewScreen      ESC-w=WrapPara  ESC-x=eXecuteMacro",
    "ESC-y=unused       ESC-z=SelectLine",
    " ",
    "ESC-]=WordRight    ESC-[=WordLeft        ESC-{=ParaUp    ESC-}=ParaDown",
    "ESC-\\=TopOfFile    ESC-~=EndOfFile       ESC->=EndofLine ESC-<=StartOfLine",
    " ",
    "ESC-I=Insert       ESC-O=Overwrite       ESC-D=DelChar   ESC-W=DeleteWord",
    "ESC-B=PageUp       ESC-F=PageDown        ESC-A=AboutKU   ESC-;=ExtMotion",
    "ESC-H=Home         ESC-M=Middle          ESC-L=Last      ESC-U=Update",
    " ",
    "The user manual and the latest release: see README.md beside the sources.",
};
static_assert(std::size(ku_help) == 32);

// Seventeen lines of 73 characters: credits, a blank line, and the history.
const char* const about_ku[17] = {
    "KU - a fast, full-screen, keyboard-driven text editor for terminals.    ",
    "                                                                         ",
    "KU was written for people who live in an editor all day and want every  ",
    "key answered at once.  It keeps whole files in memory as lists of lines,",
    "edits one line at a time in a fixed buffer, and redraws only what a key ",
    "changed, so that even files of millions of lines move without a pause.  ",
    "Up to 256 files stay open together, each with its own cursor, window,   ",
    "scroll position and ten tags, and text moves between them through line  ",
    "and column block buffers that survive every switch.  Commands are single",
    "characters reached from function keys, control keys or ESC, and take a  ",
    "repetition count; the again command repeats the last of them.  Find and ",
    "replace know the start and end of a line, paragraphs wrap and justify   ",
    "between margins, keyboard macros can be saved to files and read back,   ",
    "and a multi-level undo queue takes back what went wrong.  Files are     ",
    "always written through a temporary file that replaces the old one only  ",
    "when it is complete, so that a full disk or a lost terminal never costs ",
    "the text: it is the one thing an editor must never lose.                ",
};
static_assert(std::size(about_ku) == 17);

namespace {

void write_panel_line(int row, int col, const char* text) { mv_writestr(col, row, 0, text); }

void block_counts(const ListHead& h, int* chars, int* lines_out) {
  int32_t c = 0, l = 0;
  uint32_t sum = 0;
  file_info(&h, 0, &c, &l, &sum);
  *chars = c;
  *lines_out = l;
}

}  // namespace



namespace {

enum class Panel { help, about, status };

// The panel on show and its page (the help panel has two pages on a
// terminal of at most 35 rows), kept to redraw it after a resize.
Panel shown_panel = Panel::help;
int shown_page = 0;

// Rows of help on the first page, or 0 when the whole help fits.
int help_split() { return lines <= 35 ? lines - 4 : 0; }

void draw_help(int page) {
  int col = (physical_cols - static_cast<int>(std::strlen(ku_help[0]))) / 2;
  if (col < 0) col = 0;
  int n = static_cast<int>(std::size(ku_help));
  int split = help_split();
  int first = page == 1 ? split : 0;
  int end = page == 0 && split > 0 ? split : n;
  for (int i = first; i < end && i < n; i++) write_panel_line(2 + i - first, col, ku_help[i]);
  write_info_page_foot(page == 0 && split > 0 ? "more... press ENTER to view" : enter_to_edit_msg);
}

void draw_about() {
  int col = (physical_cols - 73) / 2;
  for (int i = 0; i < 17; i++) write_panel_line(2 + i, col, about_ku[i]);
  write_info_page_foot(enter_to_edit_msg);
}

void draw_status() {
  char buf[600];
  char name[512];
  int cut = physical_cols - 18;
  if (cut > 511) cut = 511;
  truncate_str_left(curr_filename, name, cut);
  std::snprintf(buf, sizeof buf, "%s %s", "Curr Filename:  ", name);
  write_panel_line(3, 0, buf);
  int chars = 0, nlines = 0;
  block_counts(curr_file, &chars, &nlines);
  std::snprintf(buf, sizeof buf, "%s %d %s %d %s", "Size:           ", chars, "Chars,", nlines, "Lines");
  write_panel_line(4, 0, buf);
  std::snprintf(buf, sizeof buf, "%s%s", "File format:     ", curr_file.format == 'd' ? "DOS/Win" : "Linux");
  write_panel_line(5, 0, buf);
  struct {
    int row;
    const char* label;
    const ListHead* list;
  } buffers[] = {{7, "Block Line Buf: ", &line_block}, {8, "Single Line Buf:", &line_del_block}, {9, "Column Buf:     ", &column_block}};
  for (auto& b : buffers) {
    block_counts(*b.list, &chars, &nlines);
    std::snprintf(buf, sizeof buf, "%s %d %s %d %s", b.label, chars, "Chars,", nlines, "Lines");
    write_panel_line(b.row, 0, buf);
  }
  std::snprintf(buf, sizeof buf, "%s %d %s %d %s", "Undo Actions:   ", get_num_undo_queue_actions(), "Actions in",
                get_num_undo_queue_items(), "Undo Items");
  write_panel_line(11, 0, buf);
  std::snprintf(buf, sizeof buf, "%s %d %s", "Memory In Use:  ", ram_in_use(), "Bytes");
  write_panel_line(13, 0, buf);
  std::snprintf(buf, sizeof buf, "%s %d", "Files Open:     ", files_open);
  write_panel_line(15, 0, buf);
  std::snprintf(buf, sizeof buf, "%s %d", "Macros Defined: ", macro_list.count);
  write_panel_line(17, 0, buf);
  write_info_page_foot(enter_to_edit_msg);
}

// Draws the page on show below the frame, with its foot.
void draw_panel_page() {
  switch (shown_panel) {
    case Panel::help: draw_help(shown_page); break;
    case Panel::about: draw_about(); break;
    case Panel::status: draw_status(); break;
  }
}

void redraw_panel(void*) {
  redraw_info_page_frame();
  draw_panel_page();
}

// Shows a panel and waits for ENTER on each of its pages; a resize redraws
// the page at the new size.  Then the text comes back.
void show_panel(Panel panel, const char* title) {
  update_curr_line();
  create_full_screen_info_page(title);
  shown_panel = panel;
  shown_page = 0;
  {
    ResizeRedrawScope redraw(redraw_panel, nullptr);
    draw_panel_page();
    wait_for_enter();
    // Whether there is a second page depends on the size when ENTER came.
    if (panel == Panel::help && help_split() > 0) {
      shown_page = 1;
      redraw_info_page_frame();
      draw_panel_page();
      wait_for_enter();
    }
  }
  ti_enable_horizontal_scrolling();
  if (files_open > 0) view_cmd();
}

}  // namespace

void help_cmd() { show_panel(Panel::help, " - KU Help Panel"); }

void about_ku_cmd() { show_panel(Panel::about, " - About KU (2005)"); }

void status_cmd() { show_panel(Panel::status, " - KU Status Panel "); }

void view_cmd() {
  update_curr_line();
  ti_clear_display(0);
  ti_repaint_all();
  if (stack_empty(&status_stack)) {
    set_status_line(1, 0, last_ku_mode);
  } else {
    write_status_line(static_cast<const char*>(tos(&status_stack)));
  }
  write_divider_line(1);
  if (curr_line) {
    curr_screen.cy = update_curr_screen(curr_screen.cy);
    draw_curr_screen();
  }
}

void pick_cmd() {
  update_curr_line();
  curr_screen.cy = update_curr_screen(2);
  draw_curr_screen();
}

void info_cmd() {
  update_curr_line();
  curr_line_num = get_curr_line_num() + 1;
  display_curr_position();
}

void mouse_cmd() {
  update_curr_line();
  int x = 0, y = 0;
  int button = ti_get_mouse_click(&x, &y);
  if (button < 1 || button > 3 || !curr_screen.top_line) {
    write_ku_msg("Unsupported mouse event");
    writechar(7);
    return;
  }
  if (y < 2) y = 2;
  int moved = 0, err = 0;
  curr_line = traverse(&curr_file, curr_screen.top_line, '+', &moved, y - 2, &err);
  curr_screen.cx = x + ti_get_left_cx();
  curr_screen.cy = 2 + moved;
  restore_cursor();
}

void insert_cmd() {
  int mode;
  if (last_ku_mode == INSERT_MODE) {
    if (curr_line) {
      load_line_buf();
      if (line_buf.length != curr_line->length) {
        update_curr_line();
        load_line_buf();
      }
    }
    mode = OVERWRITE_MODE;
  } else {
    mode = INSERT_MODE;
  }
  last_ku_mode = ku_mode = mode;
  set_status_line(1, 0, mode);
}

void overwrite_cmd() {
  last_ku_mode = ku_mode = OVERWRITE_MODE;
  set_status_line(1, 0, OVERWRITE_MODE);
}

// The memory figure of the status panel: every open file's lines with their
// overhead, the two line buffers and the undo queue.
int ram_in_use() {
  save_context(curr_file_ix);
  long total = 0;
  for (Link* l = open_file_list.count > 0 ? open_file_list.first : nullptr; l; l = l->next) {
    int32_t c = 0, n = 0;
    uint32_t sum = 0;
    file_info(&static_cast<FileNode*>(l)->head, 1, &c, &n, &sum);
    total += c;
  }
  for (const ListHead* h : {&line_block, &line_del_block}) {
    int32_t c = 0, n = 0;
    uint32_t sum = 0;
    file_info(h, 1, &c, &n, &sum);
    total += c;
  }
  total += get_undo_queue_size();
  return static_cast<int>(total);
}
