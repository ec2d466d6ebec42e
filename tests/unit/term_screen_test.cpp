// The current-line buffer and the text window: loading and writing back
// (with the long lines reading can produce), anchoring the window, drawing,
// showing a line at a column, and the line number with its cache.
#include <algorithm>
#include <string>

#include "core/dispatch.h"
#include "term_fixture.h"

namespace kuterm {
namespace {

class TermLineBuffer : public TermTest {};

TEST_F(TermLineBuffer, LoadingPadsWithBlanks) {
  make_file({"0123456789", "next"});
  std::memset(line_buf.text, 'X', sizeof line_buf.text);
  load_line_buf();
  EXPECT_EQ(line_buf.length, 10);
  EXPECT_EQ(std::string(line_buf.text, 10), "0123456789");
  EXPECT_EQ(std::string(line_buf.text + 10, 374), std::string(374, ' '));
  // A loaded buffer is not loaded again.
  line_buf.text[0] = '#';
  load_line_buf();
  EXPECT_EQ(line_buf.text[0], '#');
}

TEST_F(TermLineBuffer, LoadingNeverOverrunsTheBuffer) {
  make_file({std::string(384, 'a'), std::string(500, 'b')});
  load_line_buf();
  EXPECT_EQ(line_buf.length, 384);
  line_buf.length = 0;
  curr_line = line_at(1);  // longer than any stored line may be
  load_line_buf();
  EXPECT_EQ(line_buf.length, 384);
  EXPECT_EQ(line_buf.text[383], 'b');
}

TEST_F(TermLineBuffer, WritingBackCapsAtTheEditLimit) {
  make_file({"short", "after"});
  load_line_buf();
  std::memset(line_buf.text, 'w', sizeof line_buf.text);
  line_buf.length = 400;
  update_curr_line();
  EXPECT_EQ(curr_line->length, 382);
  EXPECT_EQ(std::string(curr_line->text, 382), std::string(382, 'w'));
  EXPECT_EQ(line_buf.length, 0);
  EXPECT_EQ(curr_file.count, 2);
  EXPECT_EQ(first_line(curr_file), curr_line);
  EXPECT_EQ(std::string(next_line(curr_line)->text, 5), "after");
}

TEST_F(TermLineBuffer, LongStoredLinesKeepTheirCharacters) {
  struct Case {
    int stored, edited, kept;
  } cases[] = {{384, 384, 384}, {383, 383, 383}, {384, 383, 383}, {384, 382, 382}, {384, 100, 100},
               {382, 382, 382}, {381, 383, 382}};
  for (const Case& c : cases) {
    make_file({std::string(static_cast<size_t>(c.stored), 's'), "tail"});
    LineNode* before = curr_line;
    load_line_buf();
    line_buf.length = c.edited;
    update_curr_line();
    EXPECT_EQ(curr_line->length, c.kept) << c.stored << " -> " << c.edited;
    EXPECT_EQ(curr_line == before, c.kept <= line_room(c.stored)) << c.stored << " -> " << c.edited;
    std::string want(static_cast<size_t>(std::min(c.kept, c.stored)), 's');
    want.resize(static_cast<size_t>(c.kept), ' ');  // grown: the buffer's blanks
    EXPECT_EQ(std::string(curr_line->text, static_cast<size_t>(c.kept)), want);
  }
}

TEST_F(TermLineBuffer, GrowingBeyondTheNodesRoomReplacesItAndTheWindowFollows) {
  make_file({"top", "middle", "bottom"});
  LineNode* old = curr_line;
  // Within the node's room the line grows in place.
  load_line_buf();
  line_buf.text[3] = '!';
  line_buf.length = 4;
  update_curr_line();
  EXPECT_EQ(curr_line, old);
  EXPECT_EQ(std::string(curr_line->text, 4), "top!");
  // Beyond it the line moves to a new node.
  load_line_buf();
  const int grown = line_room(4) + 1;
  std::memset(line_buf.text + 4, '+', static_cast<size_t>(grown - 4));
  line_buf.length = grown;
  update_curr_line();
  EXPECT_NE(curr_line, old);
  EXPECT_EQ(curr_screen.top_line, curr_line);
  EXPECT_EQ(first_line(curr_file), curr_line);
  EXPECT_EQ(std::string(curr_line->text, static_cast<size_t>(grown)),
            "top!" + std::string(static_cast<size_t>(grown - 4), '+'));
  EXPECT_EQ(next_line(curr_line)->prev, curr_line);

  // The last line shown: bottom_line follows.
  curr_line = line_at(2);
  load_line_buf();
  const int longer = line_room(6) + 2;
  line_buf.length = longer;
  update_curr_line();
  EXPECT_EQ(curr_screen.bottom_line, curr_line);
  EXPECT_EQ(last_line(curr_file), curr_line);
  EXPECT_EQ(std::string(curr_line->text, static_cast<size_t>(longer)),
            "bottom" + std::string(static_cast<size_t>(longer - 6), ' '));
  EXPECT_EQ(curr_file.count, 3);
}

TEST_F(TermLineBuffer, UnchangedOrShorterKeepsTheNode) {
  make_file({"keep this", "x"});
  LineNode* old = curr_line;
  load_line_buf();
  update_curr_line();
  EXPECT_EQ(curr_line, old);
  EXPECT_EQ(curr_line->length, 9);
  load_line_buf();
  line_buf.length = 4;
  update_curr_line();
  EXPECT_EQ(curr_line, old);
  EXPECT_EQ(std::string(curr_line->text, 4), "keep");
  EXPECT_EQ(curr_line->length, 4);
  // An empty buffer writes nothing.
  update_curr_line();
  EXPECT_EQ(curr_line->length, 4);
}

class TermWindow : public TermTest {};

TEST_F(TermWindow, AnchoringTheCurrentLine) {
  make_file(numbered_lines(100));
  struct Case {
    int line, wanted, row, top, bottom;  // 0-based positions
  } cases[] = {{3, 11, 5, 0, 21}, {49, 2, 2, 49, 70}, {49, 11, 11, 40, 61}, {99, 11, 11, 90, 99}, {0, 11, 2, 0, 21},
               {5, 23, 7, 0, 21}};
  for (const Case& c : cases) {
    curr_line = line_at(c.line);
    EXPECT_EQ(update_curr_screen(c.wanted), c.row) << c.line;
    EXPECT_EQ(curr_screen.top_line, line_at(c.top)) << c.line;
    EXPECT_EQ(curr_screen.bottom_line, line_at(c.bottom)) << c.line;
  }
}

TEST_F(TermWindow, DisplayedFindsRows) {
  make_file(numbered_lines(40));
  int row = 0;
  EXPECT_EQ(displayed(line_at(0), &row), 1);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(displayed(line_at(21), &row), 1);
  EXPECT_EQ(row, 23);
  EXPECT_EQ(displayed(line_at(22), &row), 0);
}

TEST_F(TermWindow, FullAndPartialRedraw) {
  make_file(numbered_lines(3));
  mvwaddstr(stdscr, 8, 0, "stale");
  draw_curr_screen();
  for (int i = 0; i < 3; i++) EXPECT_EQ(row_text(2 + i, 0, 11), pattern_line(i, 10) + " ");
  EXPECT_EQ(row_text(8, 0, 5), "     ");
  EXPECT_EQ(ti_cursor_row(), 2);
  EXPECT_EQ(ti_cursor_col(), 0);

  // From the cursor row down only.
  mvwaddstr(stdscr, 2, 0, "above");
  mvwaddstr(stdscr, 9, 0, "below");
  curr_line = line_at(1);
  curr_screen.cy = 3;
  curr_screen.cx = 4;
  draw_to_endof_screen();
  EXPECT_EQ(row_text(2, 0, 5), "above");
  EXPECT_EQ(row_text(3, 0, 10), pattern_line(1, 10));
  EXPECT_EQ(row_text(4, 0, 10), pattern_line(2, 10));
  EXPECT_EQ(row_text(9, 0, 5), "     ");
  EXPECT_EQ(ti_cursor_row(), 3);
  EXPECT_EQ(ti_cursor_col(), 4);
}

TEST_F(TermWindow, RedrawKeepsTheApertureOnTheCursor) {
  make_file(numbered_lines(5, 300));
  curr_screen.cx = 150;
  draw_curr_screen();
  EXPECT_EQ(ap_l, 81);  // 150 lies right of 0-79: 150 - 79 + 10
  for (int i = 0; i < 5; i++) EXPECT_EQ(row_text(2 + i), pattern_line(i, 300).substr(81, 80));
  EXPECT_EQ(ti_cursor_col(), 150 - 81);
}

TEST_F(TermWindow, ShowingALineOnTheWindowMovesOnlyTheCursor) {
  make_file(numbered_lines(100));
  draw_curr_screen();
  mvwaddstr(stdscr, 12, 0, "marker");
  curr_line = line_at(5);  // on row 7
  display_new_screen(3);
  EXPECT_EQ(curr_screen.cy, 7);
  EXPECT_EQ(curr_screen.cx, 3);
  EXPECT_EQ(ti_cursor_row(), 7);
  EXPECT_EQ(ti_cursor_col(), 3);
  EXPECT_EQ(row_text(12, 0, 6), "marker");
}

TEST_F(TermWindow, ShowingALineOffTheWindowRedrawsOnRowEleven) {
  make_file(numbered_lines(100));
  draw_curr_screen();
  curr_line = line_at(60);
  display_new_screen(2);
  EXPECT_EQ(curr_screen.cy, 11);
  EXPECT_EQ(curr_screen.top_line, line_at(51));
  EXPECT_EQ(row_text(11, 0, 10), pattern_line(60, 10));
  EXPECT_EQ(row_text(2, 0, 10), pattern_line(51, 10));
  EXPECT_EQ(row_text(23, 0, 10), pattern_line(72, 10));
  EXPECT_EQ(ti_cursor_row(), 11);
  EXPECT_EQ(ti_cursor_col(), 2);
}

TEST_F(TermWindow, LargeTerminal) {
  open_screen(40, 132);
  make_file(numbered_lines(60, 140));
  draw_curr_screen();
  EXPECT_EQ(curr_screen.bottom_line, line_at(37));
  for (int r = 2; r < 40; r++) EXPECT_EQ(row_text(r), pattern_line(r - 2, 140).substr(0, 132)) << r;
}

TEST_F(TermWindow, GotoLineNumber) {
  make_file(numbered_lines(10));
  EXPECT_EQ(goto_line_num(0), line_at(0));
  EXPECT_EQ(goto_line_num(4), line_at(4));
  EXPECT_EQ(goto_line_num(9), line_at(9));
  EXPECT_EQ(goto_line_num(1000), line_at(9));
  make_file({});
  EXPECT_EQ(goto_line_num(0), nullptr);
}

TEST_F(TermWindow, AfterDeletingLines) {
  make_file(numbered_lines(10));
  draw_curr_screen();
  int err = 0;
  // The last line removed: the line before it becomes current.
  LineNode* gone = line_at(9);
  list_delete(&curr_file, gone, &err);
  std::free(gone);
  after_delete_screen_update(line_at(8), 1, 0, 10);
  EXPECT_EQ(curr_line, line_at(8));
  EXPECT_EQ(curr_screen.cy, 10);
  EXPECT_EQ(row_text(10, 0, 10), pattern_line(8, 10));
  EXPECT_EQ(row_text(11, 0, 10), std::string(10, ' '));

  // A middle line removed: the one after it becomes current, window rebuilt.
  gone = line_at(4);
  list_delete(&curr_file, gone, &err);
  std::free(gone);
  after_delete_screen_update(line_at(3), 0, 1, 5);
  EXPECT_EQ(curr_line, line_at(4));
  EXPECT_EQ(curr_screen.top_line, line_at(4));
  EXPECT_EQ(curr_screen.cy, 2);
  EXPECT_EQ(row_text(2, 0, 10), pattern_line(5, 10));

  // The first line removed: d is the list head.
  gone = line_at(0);
  list_delete(&curr_file, gone, &err);
  std::free(gone);
  after_delete_screen_update(static_cast<LineNode*>(static_cast<Link*>(&curr_file)), 0, 0, 2);
  EXPECT_EQ(curr_line, line_at(0));
  EXPECT_EQ(curr_screen.cy, 2);
}

TEST_F(TermWindow, LineNumberAndItsCache) {
  make_file(numbered_lines(30));
  last_cmd_ix = 0;
  curr_line = line_at(12);
  EXPECT_EQ(get_curr_line_num(), 12);
  EXPECT_EQ(curr_line_num, 13);
  EXPECT_EQ(curr_bwd_link, line_at(11));
  // The cache trusts the stored number while the line above is unchanged.
  curr_line_num = 99;
  EXPECT_EQ(get_curr_line_num(), 98);
  line_at(11)->length = 3;
  EXPECT_EQ(get_curr_line_num(), 12);
  // After the info and jump commands the stored number is taken as it is.
  curr_line = line_at(20);
  curr_line_num = 7;
  last_cmd_ix = 10;
  EXPECT_EQ(get_curr_line_num(), 6);
  last_cmd_ix = 0;
  EXPECT_EQ(get_curr_line_num(), 20);
  curr_line = line_at(0);
  EXPECT_EQ(get_curr_line_num(), 0);
  EXPECT_EQ(curr_bwd_link, static_cast<Link*>(&curr_file));
}

TEST_F(TermWindow, RestoreCursor) {
  curr_screen.cx = 600;  // beyond the text area: the last column
  curr_screen.cy = 6;
  restore_cursor();
  EXPECT_EQ(ap_l, 432);
  EXPECT_EQ(ti_cursor_col(), 511 - 432);
  EXPECT_EQ(ti_cursor_row(), 6);
}

}  // namespace
}  // namespace kuterm
