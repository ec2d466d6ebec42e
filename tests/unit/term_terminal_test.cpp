// Terminal operations over an ncurses screen: the size check, colour names
// and pairs, single cells for every text byte, line slices and the cursor
// moves that carry the aperture along.
#include <string>

#include "term_fixture.h"

namespace kuterm {
namespace {

TEST(TermSize, ResultFollowsTheLimits) {
  struct Case {
    int rows, cols, result;
  } cases[] = {{24, 79, 1}, {19, 80, 1}, {20, 80, 0}, {40, 132, 0}, {24, 511, 0}, {10, 512, 2}, {30, 600, 2}};
  for (const Case& c : cases) {
    Curses screen(c.rows, c.cols);
    ASSERT_TRUE(screen.ok());
    EXPECT_EQ(ti_init_screen_state(), c.result) << c.rows << "x" << c.cols;
    EXPECT_EQ(physical_cols, c.cols);
    EXPECT_EQ(physical_lines, c.rows);
    EXPECT_EQ(lines, c.rows);
    EXPECT_EQ(columns, 512);
    EXPECT_EQ(ap_l, 0);
    EXPECT_EQ(ap_r, c.cols - 1);
    EXPECT_EQ(aperture_state.width, c.cols);
    EXPECT_EQ(aperture_state.right, c.cols - 1);
  }
  ku_win = nullptr;
}

TEST(TermColors, NamesAndNumbers) {
  struct Case {
    const char* in;
    int value;
    const char* upper;
  } cases[] = {{"blue", 4, "BLUE"}, {"Blue", 4, "BLUE"}, {"BLUE", 4, "BLUE"}, {"default", -1, "DEFAULT"},
               {"white", 7, "WHITE"}, {"purple", -2, "PURPLE"}, {"", -2, ""}};
  for (const Case& c : cases) {
    char name[16];
    std::strcpy(name, c.in);
    EXPECT_EQ(get_color_value(name), c.value) << c.in;
    EXPECT_STREQ(name, c.upper);
  }
  struct NameCase {
    int color;
    const char* name;
  } names[] = {{-1, "Default"}, {0, "Black"}, {4, "Blue"}, {6, "Cyan"}, {9, "Unknown"}, {-2, "Unknown"}};
  for (const NameCase& c : names) {
    char out[8];
    get_color_name(c.color, out);
    EXPECT_STREQ(out, c.name) << c.color;
  }
  EXPECT_STREQ(get_color_palette(), "Default  Black  Red  Green  Yellow  Blue  Magenta  Cyan  White");
  EXPECT_EQ(get_default_fg_color(), -1);
  EXPECT_EQ(get_default_bg_color(), -1);
}

class TermWrite : public TermTest {};

TEST_F(TermWrite, TabShowsTheTabCharacterAndBellDoesNotMove) {
  wmove(stdscr, 5, 3);
  writechar('\t');
  EXPECT_EQ(cell_char(5, 3), '?');
  EXPECT_EQ(ti_cursor_col(), 4);
  writechar(7);
  EXPECT_EQ(ti_cursor_row(), 5);
  EXPECT_EQ(ti_cursor_col(), 4);
  EXPECT_EQ(cell_char(5, 4), ' ');
}

TEST_F(TermWrite, EveryByteTakesOneCell) {
  // Each byte of the line is one cell; the columns after the odd bytes
  // keep their places.
  std::string line = "ab";
  for (int b = 128; b <= 254; b++) line.push_back(static_cast<char>(b));
  line += "\x01z\tQ";
  ASSERT_LE(line.size(), 512u);
  open_screen(24, 200);
  mv_writeln(0, 4, 0, line.data(), static_cast<int>(line.size()), 0);
  std::string want = "ab" + std::string(127, '~') + " z?Q";
  EXPECT_EQ(row_text(4, 0, static_cast<int>(want.size())), want);
  EXPECT_EQ(cell_char(4, static_cast<int>(want.size())), ' ');

  // Single characters, inserted characters and strings alike.
  wmove(stdscr, 6, 0);
  writechar(0x80);
  writechar(0xfe);
  writechar(1);
  writechar('x');
  EXPECT_EQ(row_text(6, 0, 5), "~~ x ");
  wmove(stdscr, 7, 0);
  writestr("a\x9f\xc3\xa9" "b");
  EXPECT_EQ(row_text(7, 0, 6), "a~~~b ");
  wmove(stdscr, 7, 0);
  ti_insert_char(0x85);
  EXPECT_EQ(row_text(7, 0, 7), "~a~~~b ");
  for (int x = 0; x < 7; x++) EXPECT_LT(static_cast<int>(cell(7, x) & A_CHARTEXT), 128);
}

TEST_F(TermWrite, LastColumnMovesTheApertureOnTextRows) {
  make_file({pattern_line(0, 200)});
  draw_curr_screen();
  wmove(stdscr, 2, 79);
  writechar('X');
  EXPECT_EQ(ap_l, 1);
  EXPECT_EQ(ap_r, 80);
  EXPECT_EQ(cell_char(2, 78), 'X');
  EXPECT_EQ(cell_char(2, 79), pattern_line(0, 200)[80]);

  // On the status line the last column is just the last column.
  wmove(stdscr, 0, 79);
  writechar('Y');
  EXPECT_EQ(ap_l, 1);
  EXPECT_EQ(cell_char(0, 79), 'Y');

  // Nor while a prompt or page has the aperture parked.
  ti_disable_horizontal_scrolling();
  wmove(stdscr, 5, 79);
  writechar('W');
  EXPECT_EQ(cell_char(5, 79), 'W');
  wmove(stdscr, 6, 79);
  ti_insert_char('V');
  EXPECT_EQ(ap_l, 0);
  EXPECT_EQ(cell_char(6, 79), 'V');
  ti_enable_horizontal_scrolling();
  EXPECT_EQ(ap_l, 1);
}

TEST_F(TermWrite, LineSlices) {
  ap_l = 10;
  ap_r = 89;
  struct Case {
    std::string text;
    int first;
    std::string shown;  // columns 0.. of the row afterwards
  } cases[] = {
      {"", 0, "      "},                                             // empty: nothing
      {"short", 0, "      "},                                        // ends left of the aperture
      {"0123456789", 0, "      "},                                   // ends at the aperture: a blank
      {"0123456789abc\tdef", 0, "abc?def   "},                      // TAB as '?'
      {"0123456789abcdefghij", 15, "     fghij "},                   // from a later column
  };
  int row = 3;
  for (const Case& c : cases) {
    wmove(stdscr, row, 0);
    writeln(c.text.data(), static_cast<int>(c.text.size()), c.first);
    EXPECT_EQ(row_text(row, 0, static_cast<int>(c.shown.size())), c.shown) << c.text;
    row++;
  }
}

TEST_F(TermWrite, CursorPositioningMovesTheAperture) {
  make_file(numbered_lines(5, 300));
  ti_move_cursor(100, 5);
  EXPECT_EQ(ap_l, 31);
  EXPECT_EQ(ap_r, 110);
  EXPECT_EQ(ti_cursor_row(), 5);
  EXPECT_EQ(ti_cursor_col(), 69);

  move_aperture(40);
  ti_move_cursor(5, 5);
  EXPECT_EQ(ap_l, 0);
  EXPECT_EQ(ap_r, 79);
  EXPECT_EQ(ti_cursor_col(), 5);

  // Rows 0 and 1, and a parked aperture, take terminal columns.
  move_aperture(40);
  ti_move_cursor(70, 0);
  EXPECT_EQ(ap_l, 40);
  EXPECT_EQ(ti_cursor_col(), 70);
  ti_disable_horizontal_scrolling();
  ti_move_cursor(70, 6);
  EXPECT_EQ(ap_l, 0);
  EXPECT_EQ(ti_cursor_col(), 70);
  ti_enable_horizontal_scrolling();
  EXPECT_EQ(ap_l, 40);
  EXPECT_EQ(ap_r, 119);
}

TEST_F(TermWrite, CursorStepsAtTheEdges) {
  make_file(numbered_lines(3, 300));
  draw_curr_screen();
  wmove(stdscr, 3, 79);
  ti_cursor_right();
  EXPECT_EQ(ap_l, 1);
  EXPECT_EQ(ti_cursor_col(), 79);
  wmove(stdscr, 3, 0);
  ti_cursor_left();
  EXPECT_EQ(ap_l, 0);
  EXPECT_EQ(ti_cursor_col(), 0);
  ti_cursor_left();  // already at the left end
  EXPECT_EQ(ap_l, 0);
  ti_cursor_up();
  EXPECT_EQ(ti_cursor_row(), 2);
  wmove(stdscr, 0, 4);
  ti_cursor_up();
  EXPECT_EQ(ti_cursor_row(), 0);
  wmove(stdscr, 23, 4);
  ti_cursor_down();
  EXPECT_EQ(ti_cursor_row(), 23);
}

TEST_F(TermWrite, InsertDeleteAndRubout) {
  mvwaddstr(stdscr, 4, 0, "abcdef");
  wmove(stdscr, 4, 2);
  ti_insert_char('X');
  EXPECT_EQ(row_text(4, 0, 8), "abXcdef ");
  EXPECT_EQ(ti_cursor_col(), 3);
  ti_delete_char();
  EXPECT_EQ(row_text(4, 0, 8), "abXdef  ");
  ti_rubout();
  EXPECT_EQ(row_text(4, 0, 8), "ab def  ");
  EXPECT_EQ(ti_cursor_col(), 2);
  wmove(stdscr, 4, 1);
  ti_insert_str("12");
  EXPECT_EQ(row_text(4, 0, 8), "a12b def");
  ti_clear_to_eol(4);
  EXPECT_EQ(row_text(4, 0, 8), "a       ");

  mvwaddstr(stdscr, 5, 0, "row5");
  mvwaddstr(stdscr, 6, 0, "row6");
  ti_insert_line(5);
  EXPECT_EQ(row_text(5, 0, 4), "    ");
  EXPECT_EQ(row_text(6, 0, 4), "row5");
  ti_delete_line(5);
  EXPECT_EQ(row_text(5, 0, 4), "row5");
  EXPECT_EQ(row_text(6, 0, 4), "row6");
  ti_clear_display(6);
  EXPECT_EQ(row_text(5, 0, 4), "row5");
  EXPECT_EQ(row_text(6, 0, 4), "    ");
}

TEST_F(TermWrite, InsertingAStringPastTheEdgeMovesTheAperture) {
  make_file(numbered_lines(3, 300));
  draw_curr_screen();
  wmove(stdscr, 2, 76);
  ti_insert_str("ABCDEF");  // 76 + 6 exceeds 80 by 2
  EXPECT_EQ(ap_l, 2);
  EXPECT_EQ(row_text(2, 74, 6), "ABCDEF");
}

TEST_F(TermWrite, LastColumnAfterADeletion) {
  make_file({pattern_line(0, 120)});
  load_line_buf();
  draw_curr_screen();
  wmove(stdscr, 2, 10);
  ti_delete_char();
  ti_draw_last_column(&line_buf);
  EXPECT_EQ(cell_char(2, 79), line_buf.text[79]);
  EXPECT_EQ(ti_cursor_col(), 10);
}

struct PairColors {
  short fg, bg;
};

PairColors pair_of(chtype c) {
  PairColors p{};
  pair_content(static_cast<short>(PAIR_NUMBER(c & A_COLOR)), &p.fg, &p.bg);
  return p;
}

TEST_F(TermWrite, EmphasisColours) {
  options.bg_color = 1;  // red
  ti_set_screen_colors();
  wmove(stdscr, 5, 0);
  writechar_emphasis('E');
  writechar('n');
  EXPECT_EQ(PAIR_NUMBER(cell(5, 0) & A_COLOR), 3);
  EXPECT_EQ(pair_of(cell(5, 0)).fg, 4);  // blue on red
  EXPECT_EQ(pair_of(cell(5, 0)).bg, 1);
  EXPECT_NE(PAIR_NUMBER(cell(5, 1) & A_COLOR), 3);  // switched off again

  options.bg_color = 4;  // blue
  ti_set_screen_colors();
  mv_writestr_emphasis(10, 6, 0, "under");
  writechar('n');
  chtype c = cell(6, 10);
  EXPECT_EQ(PAIR_NUMBER(c & A_COLOR), 5);
  EXPECT_TRUE(c & A_UNDERLINE);
  EXPECT_EQ(pair_of(c).fg, 1);  // red on blue
  EXPECT_EQ(pair_of(c).bg, 4);
  EXPECT_FALSE(cell(6, 15) & A_UNDERLINE);
  EXPECT_EQ(row_text(6, 10, 6), "undern");

  options.bg_color = -1;  // the usual colours
  wmove(stdscr, 7, 0);
  writechar_emphasis('E');
  mv_writestr_emphasis(0, 8, 0, "u");
  EXPECT_EQ(pair_of(cell(7, 0)).fg, 1);
  EXPECT_EQ(pair_of(cell(8, 0)).fg, 4);
}

TEST_F(TermWrite, WritingWithRestorePutsTheCursorOnTheText) {
  curr_screen.cx = 12;
  curr_screen.cy = 9;
  mv_writestr(30, 0, 1, "msg");
  EXPECT_EQ(row_text(0, 30, 3), "msg");
  EXPECT_EQ(ti_cursor_row(), 9);
  EXPECT_EQ(ti_cursor_col(), 12);
  mv_writeln(0, 4, 1, "line", 4, 0);
  EXPECT_EQ(row_text(4, 0, 4), "line");
  EXPECT_EQ(ti_cursor_row(), 9);
  EXPECT_EQ(ti_cursor_col(), 12);
}

}  // namespace
}  // namespace kuterm
