// Terminal resize inside the key readers: the size adopted (globals, top-line
// geometry, aperture), the current line kept on screen, the wait with a
// notice while the terminal is too small, redraw hooks, and resizes never
// reaching a caller or a macro record.  Also the judgement of TERM.
#include <curses.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "input_fixture.h"
#include "macros/macros.h"
#include "term/resize.h"
#include "term_fixture.h"

namespace {

using kuterm::row_text;

// A keyboard whose steps may resize the screen before handing out a key.
struct Step {
  int rows = 0, cols = 0;  // resize to this first when rows > 0
  int key = 0;
};
std::deque<Step> steps;
std::vector<std::string> top_rows_seen;  // row 0 when each key was handed out

int stepped_key(int) {
  if (steps.empty()) {
    ADD_FAILURE() << "the test read more keys than it scripted";
    return '\n';
  }
  Step s = steps.front();
  steps.pop_front();
  if (s.rows > 0) resizeterm(s.rows, s.cols);
  top_rows_seen.push_back(row_text(0));
  return s.key;
}

class ResizeTest : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    kuinput::ScriptedInput::reset();
    raw_key_source = stepped_key;
    steps.clear();
    top_rows_seen.clear();
    std::strcpy(curr_filename, "f.txt");
  }
  void TearDown() override {
    input_.reset();
    kuterm::TermTest::TearDown();
  }
  std::unique_ptr<kuinput::ScriptedInput> input_ = std::make_unique<kuinput::ScriptedInput>();
};

TEST_F(ResizeTest, ResizeIsTakenInAndNeverRecorded) {
  kuterm::make_file(kuterm::numbered_lines(50));
  auto m = std::make_unique<MacroRecord>();
  std::memset(m.get(), 0, sizeof *m);
  curr_macro = m.get();
  read_state = 1;
  steps = {{30, 100, KEY_RESIZE}, {0, 0, 'a'}};
  EXPECT_EQ(read_raw_char(), 'a');
  EXPECT_EQ(m->key_count, 1);
  EXPECT_EQ(m->keys[0], 'a');
  EXPECT_EQ(physical_cols, 100);
  EXPECT_EQ(physical_lines, 30);
  EXPECT_EQ(lines, 30);
  EXPECT_EQ(ap_width, 100);
  EXPECT_EQ(ap_r, 99);
  EXPECT_EQ(MODE_X, 91);
  EXPECT_EQ(FN_FIELD_WIDTH, 100 - 57 - 9);
  // The window was redrawn for 30 rows: lines 0..27 on rows 2..29.
  EXPECT_EQ(row_text(29, 0, 10), kuterm::pattern_line(27, 10));
  EXPECT_EQ(row_text(1), std::string(100, '-'));
  EXPECT_EQ(row_text(0).substr(0, 5), "f.txt");
}

TEST_F(ResizeTest, CurrentLineStaysOnScreenAndOnItsRow) {
  kuterm::make_file(kuterm::numbered_lines(50));
  curr_line = kuterm::line_at(30);
  curr_screen.cx = 3;
  curr_screen.cy = update_curr_screen(23);  // on the last row of 24
  ASSERT_EQ(curr_screen.cy, 23);
  restore_cursor();
  struct Case {
    int rows, cols, row;  // new size, then the row the current line is on
  } cases[] = {{40, 132, 23}, {20, 80, 19}, {21, 90, 19}, {24, 80, 19}};
  for (const Case& c : cases) {
    steps = {{c.rows, c.cols, KEY_RESIZE}, {0, 0, 'k'}};
    ASSERT_EQ(read_raw_char(), 'k');
    EXPECT_EQ(curr_screen.cy, c.row) << c.rows << "x" << c.cols;
    EXPECT_EQ(getcury(stdscr), c.row);
    EXPECT_EQ(getcurx(stdscr), 3);
    EXPECT_EQ(row_text(c.row, 0, 10), kuterm::pattern_line(30, 10));
    EXPECT_EQ(row_text(c.row - 1, 0, 10), kuterm::pattern_line(29, 10));
    EXPECT_EQ(curr_line, kuterm::line_at(30));
  }
}

struct ApertureCase {
  int start_left;  // aperture's left edge before
  int cx;          // cursor text column
  int cols;        // new width
  int left;        // left edge after
};

class ResizeApertureTest : public ResizeTest, public ::testing::WithParamInterface<ApertureCase> {};

TEST_P(ResizeApertureTest, CursorColumnStaysInView) {
  const ApertureCase& c = GetParam();
  for (bool parked : {false, true}) {
    SCOPED_TRACE(parked ? "scrolling disabled" : "scrolling enabled");
    open_screen(24, 80);
    horizontal_scrolling_enabled = 1;
    ap_l = c.start_left;
    ap_r = ap_l + 79;
    if (parked) ti_disable_horizontal_scrolling();
    resizeterm(24, c.cols);
    ti_adopt_terminal_size(c.cx);
    int w = std::min(c.cols, 511);
    EXPECT_EQ(physical_cols, w);
    EXPECT_EQ(ap_width, w);
    EXPECT_EQ(aperture_state.width, w);
    EXPECT_EQ(aperture_state.left, c.left);
    EXPECT_EQ(aperture_state.right, c.left + w - 1);
    EXPECT_EQ(ap_l, parked ? 0 : c.left);
    EXPECT_EQ(ap_r, ap_l + w - 1);
    EXPECT_LE(aperture_state.right, 511);
    if (parked) {
      ti_enable_horizontal_scrolling();
      EXPECT_EQ(ap_l, c.left);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Resize, ResizeApertureTest,
                         ::testing::Values(ApertureCase{0, 5, 132, 0},       // nothing to move
                                           ApertureCase{100, 150, 132, 100}, // still in view
                                           ApertureCase{100, 150, 80, 100},  // still in view
                                           ApertureCase{100, 200, 80, 131},  // right of it: moved as the cursor does
                                           ApertureCase{100, 90, 80, 80},    // left of it
                                           ApertureCase{432, 500, 132, 380}, // would pass column 511
                                           ApertureCase{300, 380, 600, 1},   // wider than 511 columns
                                           ApertureCase{0, 0, 511, 0}));

TEST_F(ResizeTest, TooSmallWaitsWithANoticeAndRefusesKeys) {
  kuterm::make_file(kuterm::numbered_lines(5));
  load_line_buf();
  line_buf.text[0] = 'Q';  // an edit still in the line buffer
  steps = {{15, 60, KEY_RESIZE}, {0, 0, 'x'}, {0, 0, ERR}, {19, 80, KEY_RESIZE}, {0, 0, KEY_UP},
           {20, 80, KEY_RESIZE}, {0, 0, 'b'}};
  EXPECT_EQ(read_raw_char(), 'b');
  EXPECT_EQ(kuinput::bells, 2);  // 'x' and the arrow key; not the failed read
  ASSERT_EQ(top_rows_seen.size(), 7u);
  for (int i : {1, 2, 4}) EXPECT_EQ(top_rows_seen[static_cast<size_t>(i)].rfind(size_notice_msg, 0), 0u) << i;
  EXPECT_EQ(physical_lines, 20);
  EXPECT_EQ(lines, 20);
  EXPECT_EQ(row_text(2, 0, 10), "Q" + kuterm::pattern_line(0, 10).substr(1));
  EXPECT_EQ(line_buf.text[0], 'Q');
  EXPECT_EQ(curr_file.count, 5);
}

struct HookLog {
  std::vector<std::string> calls;
};

void hook_a(void* ctx) {
  static_cast<HookLog*>(ctx)->calls.push_back("a");
  ti_move_cursor(7, 0);
}
void hook_b(void* ctx) {
  static_cast<HookLog*>(ctx)->calls.push_back("b");
  ti_move_cursor(9, 0);
}

TEST_F(ResizeTest, HooksRunInOrderAfterTheStatusLineAndKeepTheCursor) {
  kuterm::make_file(kuterm::numbered_lines(5));
  push_status_line("Menu: a b c ");
  write_divider_msg("> a message", 0, 0);
  HookLog log;
  {
    ResizeRedrawScope a(hook_a, &log);
    ResizeRedrawScope b(hook_b, &log);
    EXPECT_EQ(resize_redraw_depth(), 2);
    steps = {{30, 100, KEY_RESIZE}, {0, 0, 'z'}};
    EXPECT_EQ(read_raw_char(), 'z');
  }
  EXPECT_EQ(resize_redraw_depth(), 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(getcury(stdscr), 0);
  EXPECT_EQ(getcurx(stdscr), 9);
  EXPECT_EQ(row_text(0).substr(0, 12), "Menu: a b c ");
  EXPECT_EQ(row_text(2).substr(0, 11), "> a message");
  EXPECT_EQ(row_text(3), std::string(100, '-'));
  // Once the message is cleared a resize no longer shows it.
  clear_divider_msg();
  pop_status_line();
  steps = {{24, 80, KEY_RESIZE}, {0, 0, 'z'}};
  EXPECT_EQ(read_raw_char(), 'z');
  EXPECT_EQ(row_text(2, 0, 10), kuterm::pattern_line(0, 10));
  EXPECT_EQ(row_text(0).substr(0, 5), "f.txt");
}

TEST(TerminalCheck, TermValuesAreJudged) {
  struct Case {
    const char* term;
    bool usable;
  } cases[] = {{nullptr, false}, {"", false}, {"nosuchterm", false}, {"dumb", false},
               {"xterm-256color", true}, {"vt100", true}, {"linux", true}};
  for (const Case& c : cases) {
    const char* why = ti_terminal_unusable(c.term);
    EXPECT_EQ(why == nullptr, c.usable) << (c.term ? c.term : "(unset)") << ": " << (why ? why : "");
  }
}

}  // namespace
