// The horizontal aperture: moves shift the shown rows in place, limits at
// both ends, share-of-screen scrolling, parking and the "<-" indicator.
#include <string>

#include "term_fixture.h"

namespace kuterm {
namespace {

class TermAperture : public TermTest {
 protected:
  // Five lines of 300 characters (line 3 shorter, with a TAB), drawn.
  void SetUp() override {
    TermTest::SetUp();
    text_ = numbered_lines(5, 300);
    text_[3] = pattern_line(3, 83);
    text_[3][81] = '\t';
    make_file(text_);
    draw_curr_screen();
  }

  // What row 2 + i must show with the aperture at left edge l.
  std::string expected(int i, int l) const {
    std::string s;
    for (int c = l; c < l + ap_width; c++)
      s.push_back(c < static_cast<int>(text_[i].size()) ? (text_[i][c] == '\t' ? '?' : text_[i][c]) : ' ');
    return s;
  }

  void expect_rows(int l) {
    for (int i = 0; i < 5; i++) EXPECT_EQ(row_text(2 + i), expected(i, l)) << "row " << 2 + i << " left " << l;
  }

  std::vector<std::string> text_;
};

TEST_F(TermAperture, MovesShiftTheRows) {
  // A marker on a row below the file's last line must stay untouched.
  mvwaddch(stdscr, 10, 3, 'Z');
  wmove(stdscr, 4, 7);
  struct Step {
    int request, left;
  } steps[] = {{5, 5}, {200, 200}, {195, 195}, {190, 190}, {0, 0}, {1000, 432}, {-5, 0}, {79, 79}, {80, 80}, {0, 0}};
  for (const Step& s : steps) {
    move_aperture(s.request);
    EXPECT_EQ(ap_l, s.left) << s.request;
    EXPECT_EQ(ap_r, s.left + 79);
    expect_rows(s.left);
    EXPECT_EQ(cell_char(10, 3), 'Z');
    EXPECT_EQ(ti_cursor_row(), 4);  // the cursor keeps its terminal place
    EXPECT_EQ(ti_cursor_col(), 7);
  }
}

TEST_F(TermAperture, SmallMoveRightKeepsTheShiftedColumnsAndWritesTheNewOnesAtTheEnd) {
  // Columns 0-74 of each row must be the old columns 5-79 moved left, not
  // text written anew: a mark in column 40 travels to column 35.
  mvwaddch(stdscr, 2, 40, '*');
  move_aperture(5);
  EXPECT_EQ(cell_char(2, 35), '*');
  EXPECT_EQ(row_text(2, 75, 5), text_[0].substr(80, 5));
  // A move of a whole width rewrites the row: the mark is gone.
  move_aperture(205);
  EXPECT_EQ(row_text(2), expected(0, 205));
}

TEST_F(TermAperture, SmallMoveLeftPushesTheRowRight) {
  move_aperture(100);
  mvwaddch(stdscr, 3, 40, '*');
  move_aperture(95);
  EXPECT_EQ(cell_char(3, 45), '*');
  EXPECT_EQ(row_text(3, 0, 5), text_[1].substr(95, 5));
}

TEST_F(TermAperture, TheCurrentRowShowsTheLineBeingEdited) {
  curr_line = line_at(1);
  load_line_buf();
  std::memcpy(line_buf.text + 80, "EDITED", 6);
  text_[1].replace(80, 6, "EDITED");
  move_aperture(10);
  expect_rows(10);
}

TEST_F(TermAperture, ScrollingByAShareOfTheScreen) {
  struct Case {
    int from;
    bool right;
    int to;
  } cases[] = {{0, true, 40}, {40, true, 80}, {400, true, 432}, {380, true, 420}, {30, false, 0}, {100, false, 60},
               {40, false, 0}};
  for (const Case& c : cases) {
    move_aperture(c.from);
    if (c.right) {
      ti_scroll_right(50);
    } else {
      ti_scroll_left(50);
    }
    EXPECT_EQ(ap_l, c.to) << c.from << (c.right ? " right" : " left");
    expect_rows(c.to);
  }
}

TEST_F(TermAperture, ParkingAndRestoring) {
  move_aperture(50);
  ti_disable_horizontal_scrolling();
  EXPECT_EQ(horizontal_scrolling_enabled, 0);
  EXPECT_EQ(ap_l, 0);
  EXPECT_EQ(ap_r, 79);
  ti_enable_horizontal_scrolling();
  EXPECT_EQ(horizontal_scrolling_enabled, 1);
  EXPECT_EQ(ap_l, 50);
  EXPECT_EQ(ap_r, 129);
  EXPECT_EQ(ti_get_left_cx(), 50);
  EXPECT_EQ(ti_get_right_cx(), 129);
  ti_set_left_cx(7);
  ti_set_right_cx(86);
  EXPECT_EQ(ap_l, 7);
  EXPECT_EQ(ap_r, 86);
}

TEST_F(TermAperture, IndicatorAppearsAndGoesOnceEach) {
  options.bg_color = -1;
  move_aperture(10);
  update_scroll_indicator();
  EXPECT_EQ(row_text(0, MODE_X, 2), "<-");
  chtype c = cell(0, MODE_X);
  short fg = 0, bg = 0;
  pair_content(static_cast<short>(PAIR_NUMBER(c & A_COLOR)), &fg, &bg);
  EXPECT_EQ(PAIR_NUMBER(c & A_COLOR), 2);
  EXPECT_EQ(fg, 1);

  // A further scroll does not redraw it: overwrite it and see it stay so.
  mvwaddstr(stdscr, 0, MODE_X, "xx");
  move_aperture(20);
  update_scroll_indicator();
  EXPECT_EQ(row_text(0, MODE_X, 2), "xx");

  move_aperture(0);
  update_scroll_indicator();
  EXPECT_EQ(row_text(0, MODE_X, 2), "  ");

  options.bg_color = 1;  // on red the arrow is blue
  move_aperture(5);
  update_scroll_indicator();
  pair_content(2, &fg, &bg);
  EXPECT_EQ(fg, 4);
  EXPECT_EQ(bg, 1);
}

}  // namespace
}  // namespace kuterm
