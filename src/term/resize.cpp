// Terminal resize: the redraw hooks of the parts that own the screen while
// they read keys, the notice shown while the terminal is too small, and the
// redraw of the whole screen at a new size.  Reading the keys that report a
// resize is the input layer's business (read states).
#include "term/resize.h"

#include <curses.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/startup.h"
#include "files/openfiles.h"
#include "store/lists.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

const char* const size_notice_msg = "KU requires at least 20 rows and 80 columns";

namespace {

constexpr const char* size_notice_more = "Enlarge the terminal to continue";

struct Hook {
  void (*fn)(void*);
  void* ctx;
};
// Nesting is shallow (a prompt inside a dialog at most); pushes beyond the
// capacity are counted but not run, so that pops stay paired.
constexpr int kMaxHooks = 16;
Hook hooks[kMaxHooks];
int hook_count = 0;

// The cursor from before the size notice was first shown.
bool notice_shown = false;
int saved_row = 0, saved_col = 0;

// A text broken at blanks into rows of at most `width` characters (a word
// longer than that is cut).
std::vector<std::string> wrapped(const char* text, int width) {
  std::vector<std::string> rows;
  std::string row;
  for (const char* p = text; *p;) {
    const char* e = std::strchr(p, ' ');
    std::string word(p, e ? static_cast<size_t>(e - p) : std::strlen(p));
    p = e ? e + 1 : p + word.size();
    if (!row.empty() && static_cast<int>(row.size() + 1 + word.size()) > width) {
      rows.push_back(row);
      row.clear();
    }
    row += (row.empty() ? "" : " ") + word;
    if (static_cast<int>(row.size()) > width) row.resize(static_cast<size_t>(width));
  }
  if (!row.empty()) rows.push_back(row);
  return rows;
}

// The text rows around the current line, which stays on the row it had if
// that row still exists, else goes to the last row.  The aperture is the
// text's own one while this runs.
void redraw_text_rows() {
  if (curr_file.count > 0 && curr_line) {
    int row = std::clamp(curr_screen.cy, 2, std::max(lines - 1, 2));
    curr_screen.cy = update_curr_screen(row);
    draw_curr_screen();
  } else {
    ti_clear_display(2);
  }
}

// Row 0 as it was: the prompt on top of the stack, or the normal status line
// in the typing mode (a command being read keeps its mode).
void redraw_status_line() {
  if (!stack_empty(&status_stack)) {
    write_status_line(static_cast<const char*>(tos(&status_stack)));
    return;
  }
  int mode = ku_mode;
  set_status_line(1, 0, mode == COMMAND_MODE ? last_ku_mode : mode);
  ku_mode = mode;
}

}  // namespace

void push_resize_redraw(void (*fn)(void*), void* ctx) {
  if (hook_count < kMaxHooks) hooks[hook_count] = {fn, ctx};
  hook_count++;
}

void pop_resize_redraw() {
  if (hook_count > 0) hook_count--;
}

int resize_redraw_depth() { return hook_count; }

bool ti_terminal_too_small() { return COLS < 80 || LINES < 20; }

void show_size_notice() {
  if (!ku_win) return;
  if (!notice_shown) {
    // Where keys were read before the notice took the screen.
    notice_shown = true;
    saved_row = getcury(ku_win);
    saved_col = getcurx(ku_win);
  }
  werase(ku_win);
  clearok(ku_win, TRUE);
  int row = 0;
  for (const char* text : {size_notice_msg, size_notice_more}) {
    for (const std::string& r : wrapped(text, std::max(COLS, 1))) {
      if (row < LINES) mvwaddnstr(ku_win, row, 0, r.c_str(), static_cast<int>(r.size()));
      row++;
    }
  }
  wmove(ku_win, 0, 0);
}

void redraw_after_resize() {
  if (!ku_win) return;
  int old_row = notice_shown ? saved_row : getcury(ku_win);
  int old_col = notice_shown ? saved_col : getcurx(ku_win);
  notice_shown = false;
  ti_adopt_terminal_size(std::min(curr_screen.cx, columns - 1));
  compute_top_line_geometry(physical_cols);
  werase(ku_win);
  clearok(ku_win, TRUE);  // the terminal may have reflowed what it showed

  // Text rows are drawn through the text's aperture even while a prompt or
  // page has it parked, so that they match it once the aperture returns.
  bool parked = horizontal_scrolling_enabled == 0;
  if (parked) ti_enable_horizontal_scrolling();
  redraw_text_rows();
  if (parked) ti_disable_horizontal_scrolling();

  redraw_status_line();
  write_divider_line(1);
  redraw_divider_msg();

  int n = std::min(hook_count, kMaxHooks);
  for (int i = 0; i < n; i++) hooks[i].fn(hooks[i].ctx);
  if (n > 0) return;
  // Without an owner the cursor goes back where keys were read: on the
  // status rows in its column while a menu is up there, else on the
  // current character.
  if (!stack_empty(&status_stack) && old_row >= 0 && old_row < 2)
    wmove(ku_win, old_row, std::clamp(old_col, 0, physical_cols - 1));
  else
    restore_cursor();
}
