// Cursor motion against the line list: after any mix of motions, paging and
// line deletions the window still frames the current line on its row and
// the line number carried forward matches the line's real position.
#include <random>
#include <string>
#include <vector>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "edit/delete.h"
#include "edit/motion.h"
#include "input/keys.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace kuterm {
namespace {

// 0-based position of the current line, counted.
int true_index() {
  int i = 0;
  for (LineNode* l = first_line(curr_file); l && l != curr_line; l = next_line(l)) i++;
  return i;
}

// The window shows top_line..bottom_line on consecutive rows from 2, at
// most a window's worth, with the current line on row cy.
::testing::AssertionResult window_consistent() {
  int r = 2;
  bool seen = false;
  for (LineNode* l = curr_screen.top_line;; l = next_line(l), r++) {
    if (!l) return ::testing::AssertionFailure() << "bottom_line is not below top_line";
    if (l == curr_line) {
      seen = true;
      if (r != curr_screen.cy) return ::testing::AssertionFailure() << "current line on row " << r << ", cy " << curr_screen.cy;
    }
    if (l == curr_screen.bottom_line) break;
  }
  if (!seen) return ::testing::AssertionFailure() << "current line off the window";
  if (r > lines - 1) return ::testing::AssertionFailure() << "window runs to row " << r;
  return ::testing::AssertionSuccess();
}

struct Cmd {
  char ch;
  void (*run)();
};

class MotionList : public TermTest {
 protected:
  void SetUp() override {
    TermTest::SetUp();
    init_undo_system();
    init_list(&line_del_block);
  }
  void TearDown() override {
    flush_undo_queue();
    purge_list(&line_del_block);
    TermTest::TearDown();
  }
  void dispatch(const Cmd& c, int reps) {
    curr_cmd = c.ch;
    for (curr_rep = 1; curr_rep <= reps; curr_rep++) c.run();
    last_cmd_ix = command_index(c.ch);
  }
};

TEST_F(MotionList, LineNumbersAndWindowStayRightThroughAnyMix) {
  const Cmd cmds[] = {
      {'$', cursor_down_cmd},       {'^', cursor_up_cmd},        {',', cursor_left_cmd},
      {'.', cursor_right_cmd},      {'F', ext_pgdn_cmd},         {'B', ext_pgup_cmd},
      {'+', half_down_cmd},         {'-', half_up_cmd},          {'\\', top_of_file_cmd},
      {'~', bottom_of_file_cmd},    {'H', cursor_top_of_page_cmd}, {'M', cursor_middle_of_page_cmd},
      {'L', cursor_bottom_of_page_cmd}, {';', extended_motion_cmd}, {':', edge_cmd},
      {'<', ext_home_cmd},          {'>', ext_end_cmd},          {'i', info_cmd},
      {'l', delete_line_cmd},       {'D', delete_char_cmd},
  };
  for (int rows : {24, 40}) {
    open_screen(rows, rows == 24 ? 80 : 132);
    init_undo_system();
    std::vector<std::string> text;
    for (int i = 0; i < 400; i++) text.push_back(pattern_line(i, i % 7 == 3 ? 0 : 10 + i % 50));
    make_file(text);
    std::mt19937 rng(12345 + rows);
    for (int step = 0; step < 3000; step++) {
      const Cmd& c = cmds[rng() % std::size(cmds)];
      int reps = rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 30) : 1;
      if (c.ch == 'l' || c.ch == 'D') reps = 1;
      dispatch(c, reps);
      update_curr_line();
      SCOPED_TRACE(std::string("after ") + c.ch + " x" + std::to_string(reps) + " at step " + std::to_string(step));
      ASSERT_TRUE(window_consistent());
      int known = known_line_num();
      if (known > 0) {
        ASSERT_EQ(known - 1, true_index());
      }
      ASSERT_EQ(get_curr_line_num(), true_index());
      if (curr_file.count < 50) make_file(text);
    }
  }
}

TEST_F(MotionList, PagingCarriesTheNumberWithoutCounting) {
  std::vector<std::string> text;
  for (int i = 0; i < 1000; i++) text.push_back(pattern_line(i, 20));
  make_file(text);
  set_curr_line_num(1);
  for (int i = 0; i < 10; i++) ext_pgdn_cmd();
  EXPECT_EQ(known_line_num(), 1 + 10 * 21);
  EXPECT_EQ(true_index(), 10 * 21);
  half_up_cmd();
  EXPECT_EQ(known_line_num(), 1 + 10 * 21 - 11);
  bottom_of_file_cmd();
  EXPECT_EQ(known_line_num(), 1000);
  EXPECT_EQ(curr_screen.cy, lines - 4);
  top_of_file_cmd();
  EXPECT_EQ(known_line_num(), 1);
  EXPECT_EQ(curr_screen.cy, 2);
}

TEST_F(MotionList, LeftAtTheStartOfTheFileSetsTheDirectionOnly) {
  make_file({"abc", "def"});
  curr_screen.last_direction = rcd;
  cursor_left_cmd();
  EXPECT_EQ(curr_screen.cx, 0);
  EXPECT_EQ(curr_line, first_line(curr_file));
  EXPECT_EQ(curr_screen.last_direction, rcl);
}

TEST_F(MotionList, HalfScrollsClampTheColumn) {
  make_file({"abc"});
  curr_screen.cx = 10;
  half_left_cmd();
  EXPECT_EQ(curr_screen.cx, 0);
  EXPECT_NE(std::string(ku_msg_buf).find("Scrolled left to column 0"), std::string::npos);
  curr_screen.cx = 500;
  half_right_cmd();
  EXPECT_EQ(curr_screen.cx, 511);
  EXPECT_EQ(ti_get_left_cx(), 432);
  EXPECT_NE(std::string(ku_msg_buf).find("Scrolled right to column 432"), std::string::npos);
  EXPECT_EQ(getcurx(stdscr), 511 - 432);
}

}  // namespace
}  // namespace kuterm
