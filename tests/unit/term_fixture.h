// Test support for the terminal layer: an ncurses screen of a chosen size
// opened with newterm on /dev/null (the cells are read back from ncurses'
// own window), and a current file of given lines in curr_file.
#pragma once

#include <curses.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/startup.h"
#include "files/openfiles.h"
#include "input/readstate.h"
#include "options/options.h"
#include "store/lists.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

namespace kuterm {

// Opens an ncurses screen of rows x cols; the size comes from LINES and
// COLUMNS, which ncurses consults when its output is not a terminal.
class Curses {
 public:
  Curses(int rows, int cols) {
    setenv("LINES", std::to_string(rows).c_str(), 1);
    setenv("COLUMNS", std::to_string(cols).c_str(), 1);
    out_ = std::fopen("/dev/null", "w");
    in_ = std::fopen("/dev/null", "r");
    screen_ = newterm("xterm-256color", out_, in_);
    unsetenv("LINES");
    unsetenv("COLUMNS");
  }
  ~Curses() {
    if (screen_) {
      endwin();
      delscreen(screen_);
    }
    std::fclose(out_);
    std::fclose(in_);
  }
  Curses(const Curses&) = delete;
  Curses& operator=(const Curses&) = delete;
  bool ok() const { return screen_ != nullptr; }

 private:
  FILE* out_;
  FILE* in_;
  SCREEN* screen_;
};

// The cell at (y, x) as ncurses holds it; the cursor stays where it was.
inline chtype cell(int y, int x) {
  int cy = getcury(stdscr), cx = getcurx(stdscr);
  chtype c = mvwinch(stdscr, y, x);
  wmove(stdscr, cy, cx);
  return c;
}

inline char cell_char(int y, int x) { return static_cast<char>(cell(y, x) & A_CHARTEXT); }

// Columns from..from+n-1 of row y as text.
inline std::string row_text(int y, int from = 0, int n = -1) {
  if (n < 0) n = COLS - from;
  std::string s;
  for (int x = from; x < from + n; x++) s.push_back(cell_char(y, x));
  return s;
}

// A line of `len` characters whose column c holds a character that names
// the line and the column: line i shows 'a'+i at every tenth column and
// digits of the column otherwise.
inline std::string pattern_line(int i, int len) {
  std::string s;
  for (int c = 0; c < len; c++) s.push_back(c % 10 == 0 ? static_cast<char>('a' + i % 26) : static_cast<char>('0' + c % 10));
  return s;
}

// Replaces the current file by the given lines; the first line is current,
// shown on row 2, the cursor in column 0.
inline void make_file(const std::vector<std::string>& text) {
  purge_list(&curr_file);
  std::memset(&curr_file, 0, sizeof curr_file);
  init_list(&curr_file);
  for (const std::string& t : text) {
    auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(static_cast<long>(t.size())))));
    n->length = static_cast<int32_t>(t.size());
    std::memcpy(n->text, t.data(), t.size());
    send_node(&curr_file, n);
  }
  std::memset(&curr_screen, 0, sizeof curr_screen);
  std::memset(&line_buf, 0, sizeof line_buf);
  curr_line = first_line(curr_file);
  curr_line_num = 1;
  curr_bwd_link = nullptr;
  curr_bwd_len = 0;
  curr_screen.cy = update_curr_screen(2);
}

inline std::vector<std::string> numbered_lines(int n, int len = 10) {
  std::vector<std::string> v;
  for (int i = 0; i < n; i++) v.push_back(pattern_line(i, len));
  return v;
}

// The line at 0-based position i of the current file.
inline LineNode* line_at(int i) {
  int moved = 0, err = 0;
  return traverse(&curr_file, first_line(curr_file), '+', &moved, i, &err);
}

// An editor screen of rows x cols with the globals of the terminal layer at
// their start-up values.
class TermTest : public ::testing::Test {
 protected:
  void open_screen(int rows, int cols) {
    curses_.reset();
    curses_ = std::make_unique<Curses>(rows, cols);
    ASSERT_TRUE(curses_->ok());
    set_default_options();
    read_state = 0;
    horizontal_scrolling_enabled = 1;
    ASSERT_EQ(ti_init_screen_state(), 0);
    compute_top_line_geometry(physical_cols);
    init_stack(&status_stack, 10);
    ku_mode = last_ku_mode = INSERT_MODE;
    displayed_mode = 99;
    ku_exception = 0;
    ku_msg = ku_msg_buf;
    std::strcpy(ku_msg_buf, " ");
    init_help_shown = 0;
    last_left_cx = 0;
    std::memset(curr_filename, 0, sizeof curr_filename);
    ti_set_screen_colors();
  }
  void SetUp() override { open_screen(24, 80); }
  void TearDown() override {
    purge_list(&curr_file);
    std::memset(&curr_screen, 0, sizeof curr_screen);
    std::memset(&line_buf, 0, sizeof line_buf);
    curr_line = nullptr;
    curses_.reset();
    ku_win = nullptr;
  }

  std::unique_ptr<Curses> curses_;
};

}  // namespace kuterm
