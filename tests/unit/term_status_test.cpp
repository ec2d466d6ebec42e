// The status line: its fields on 80 and 120 columns, messages and their
// reset, option flags, the prompt stack, divider messages and name cutting.
#include <string>

#include "term_fixture.h"

namespace kuterm {
namespace {

TEST(TermTruncate, KeepsTheLastCharacters) {
  struct Case {
    const char* s;
    int n;
    const char* out;
  } cases[] = {{"abcdefghij", 5, "...ij"}, {"abcde", 5, "abcde"}, {"abc", 5, "abc"}, {"", 4, ""},
               {"abcdefghij", 3, "..."}, {"/home/user/projects/src/file.cpp", 22, "...ojects/src/file.cpp"}};
  for (const Case& c : cases) {
    char out[64];
    std::memset(out, 'X', sizeof out);
    truncate_str_left(c.s, out, c.n);
    EXPECT_STREQ(out, c.out) << c.s << " " << c.n;
  }
}

class TermStatus : public TermTest {
 protected:
  void set_name(const std::string& n) { std::snprintf(curr_filename, sizeof curr_filename, "%s", n.c_str()); }
};

TEST_F(TermStatus, FieldsOnEightyColumns) {
  set_name("notes.txt");
  options.auto_indent = 1;
  options.text_wrapping = 1;
  write_ku_msg("hello");
  set_status_line(1, 0, INSERT_MODE);
  std::string row = row_text(0);
  EXPECT_EQ(row.substr(0, 22), "notes.txt             ");
  EXPECT_EQ(row.substr(25, 40), "hello" + std::string(35, ' '));
  EXPECT_EQ(row.substr(66, 5), "(wi) ");
  EXPECT_EQ(row.substr(71, 9), "      INS");
  EXPECT_EQ(displayed_mode, INSERT_MODE);
  EXPECT_EQ(ku_mode, INSERT_MODE);

  set_status_line(1, 0, OVERWRITE_MODE);
  EXPECT_EQ(row_text(0, 71, 9), "      OVR");
}

TEST_F(TermStatus, FieldsOnOneHundredTwentyColumns) {
  open_screen(24, 120);
  EXPECT_EQ(MODE_X, 111);
  EXPECT_EQ(MSG_X, 46);
  EXPECT_EQ(FN_FIELD_WIDTH, 44);
  std::string name(60, 'n');
  name += "0123456789";
  set_name(name);
  options.auto_indent = 1;
  options.text_wrapping = 0;
  write_ku_msg("message");
  set_status_line(1, 0, INSERT_MODE);
  std::string row = row_text(0);
  ASSERT_EQ(row.size(), 120u);
  EXPECT_EQ(row.substr(0, 43), "..." + name.substr(name.size() - 40));
  EXPECT_EQ(row.substr(43, 3), "   ");
  EXPECT_EQ(row.substr(46, 7), "message");
  EXPECT_EQ(row.substr(106, 5), "(i)  ");
  EXPECT_EQ(row.substr(111, 9), "      INS");
}

TEST_F(TermStatus, LongNameIsCutFromTheLeft) {
  std::string name = "abcdefghijklmnopqrstuvwxyz0123";  // 30 characters
  set_name(name);
  set_status_line(1, 0, INSERT_MODE);
  EXPECT_EQ(row_text(0, 0, 23), "..." + name.substr(11) + " ");
}

TEST_F(TermStatus, CommandModeShowsPercentAlone) {
  set_name("notes.txt");
  set_status_line(1, 0, COMMAND_MODE);
  EXPECT_EQ(row_text(0, 0, 10), "%         ");
  EXPECT_EQ(row_text(0, 71, 9), "      CMD");
}

TEST_F(TermStatus, NoFlagsTextWhenNoneApply) {
  options.auto_indent = 0;
  options.text_wrapping = 0;
  mvwaddstr(stdscr, 0, 66, "#####");
  set_status_line(0, 0, INSERT_MODE);
  write_option_str();
  EXPECT_EQ(row_text(0, 66, 5), "#####");
  read_state = 1;  // recording a macro
  write_option_str();
  EXPECT_EQ(row_text(0, 66, 5), "(m)##");
  read_state = 0;
}

TEST_F(TermStatus, MessagesAreFortyColumns) {
  std::string fifty;
  for (int i = 0; i < 50; i++) fifty.push_back(static_cast<char>('A' + i % 26));
  write_ku_msg(fifty.c_str());
  EXPECT_EQ(std::string(ku_msg_buf), fifty.substr(0, 40));
  EXPECT_EQ(row_text(0, 25, 40), fifty.substr(0, 40));
  EXPECT_EQ(row_text(0, 65, 6), "      ");  // nothing beyond the area

  write_ku_msg("short one");
  EXPECT_EQ(row_text(0, 25, 40), "short one" + std::string(31, ' '));
  EXPECT_EQ(ku_msg, ku_msg_buf);
}

TEST_F(TermStatus, NextKeyBringsBackTheHelpHint) {
  curr_screen.cx = 3;
  curr_screen.cy = 5;
  write_ku_msg("Tag 3 set");
  clear_ku_msg(0);
  EXPECT_EQ(ku_msg, nullptr);
  EXPECT_EQ(row_text(0, 25, 40), std::string(default_ku_msg));
  EXPECT_EQ(ti_cursor_row(), 5);
  EXPECT_EQ(ti_cursor_col(), 3);
  // Nothing pending: nothing drawn.
  mvwaddstr(stdscr, 0, 25, "keep");
  clear_ku_msg(0);
  EXPECT_EQ(row_text(0, 25, 4), "keep");
}

TEST_F(TermStatus, StartupHintGivesWayToTheWholeLine) {
  set_name("f.txt");
  mvwaddstr(stdscr, 0, 66, "ESC-h for Help");  // the start-up hint over the mode
  init_help_shown = 1;
  ku_msg = nullptr;
  clear_ku_msg(0);
  EXPECT_EQ(init_help_shown, 0);
  EXPECT_EQ(row_text(0, 71, 9), "      INS");
  EXPECT_EQ(row_text(0, 25, 14), "ESC-h for Help");
}

TEST_F(TermStatus, ErrorsReplaceTheMessageAreaAndClearTheCode) {
  set_status_line(1, 0, INSERT_MODE);
  write_ku_msg("a much longer message than the error is");
  ku_exception = 3;
  set_status_line(0, ku_exception, INSERT_MODE);
  EXPECT_EQ(row_text(0, 25, 40), "Could not open requested file" + std::string(11, ' '));
  EXPECT_EQ(ku_exception, 0);
  // A code other than the pending one leaves the pending one.
  ku_exception = 5;
  set_status_line(0, 1, INSERT_MODE);
  EXPECT_EQ(row_text(0, 25, 15), "Unknown command");
  EXPECT_EQ(ku_exception, 5);
}

TEST_F(TermStatus, PromptsHoldRowZero) {
  set_status_line(1, 0, INSERT_MODE);
  push_status_line("Block: Copy Delete : ");
  EXPECT_EQ(row_text(0, 0, 22), "Block: Copy Delete :  ");
  EXPECT_EQ(displayed_mode, 99);
  write_ku_msg("hidden");
  EXPECT_EQ(row_text(0, 25, 6), "      ");
  set_status_line(1, 0, COMMAND_MODE);  // no code: the prompt stays
  EXPECT_EQ(row_text(0, 0, 6), "Block:");

  push_status_line("Inner : ");
  EXPECT_EQ(row_text(0, 0, 8), "Inner : ");
  pop_status_line();
  EXPECT_EQ(row_text(0, 0, 8), "Block: C");
  last_ku_mode = INSERT_MODE;
  pop_status_line();
  EXPECT_TRUE(stack_empty(&status_stack));
  EXPECT_EQ(row_text(0, 25, 6), "hidden");
  EXPECT_EQ(row_text(0, 71, 9), "      INS");
  EXPECT_EQ(ku_mode, INSERT_MODE);
}

TEST_F(TermStatus, NothingIsDrawnDuringReplay) {
  mvwaddstr(stdscr, 0, 0, "untouched");
  read_state = 2;
  write_status_line("menu");
  set_status_line(1, 1, COMMAND_MODE);
  write_ku_msg("msg");
  read_state = 0;
  EXPECT_EQ(row_text(0, 0, 9), "untouched");
  EXPECT_EQ(row_text(0, 25, 3), "   ");
  EXPECT_EQ(ku_mode, COMMAND_MODE);
  EXPECT_STREQ(ku_msg_buf, ("msg" + std::string(37, ' ')).c_str());
}

TEST_F(TermStatus, StatusTextNeverWrapsOntoTheDivider) {
  write_divider_line(1);
  write_status_line(std::string(100, 's').c_str());
  EXPECT_EQ(row_text(0), std::string(80, 's'));
  EXPECT_EQ(row_text(1), std::string(80, '-'));
}

TEST_F(TermStatus, DividerMessageAndItsRemoval) {
  make_file({"first line", "second line", "third"});
  draw_curr_screen();
  write_divider_line(1);
  write_divider_msg("> press any key to continue", 0, 2);
  EXPECT_EQ(row_text(1), std::string(80, '-'));
  EXPECT_EQ(row_text(2, 0, 28), "> press any key to continue ");
  EXPECT_EQ(row_text(3), std::string(80, '-'));
  EXPECT_EQ(ti_cursor_row(), 2);
  EXPECT_EQ(ti_cursor_col(), 0);
  EXPECT_EQ(horizontal_scrolling_enabled, 1);
  clear_divider_msg();
  EXPECT_EQ(row_text(2, 0, 11), "first line ");
  EXPECT_EQ(row_text(3, 0, 12), "second line ");
  EXPECT_EQ(row_text(4, 0, 6), "third ");
}

TEST_F(TermStatus, PositionMessage) {
  make_file(numbered_lines(30));
  curr_line_num = 12;
  curr_screen.cx = 4;
  display_curr_position();
  EXPECT_EQ(std::string(ku_msg_buf).substr(0, 27), "ln:12 col:5  40% (30 lines)");
  EXPECT_EQ(row_text(0, 25, 27), "ln:12 col:5  40% (30 lines)");
}

TEST_F(TermStatus, InformationPageTitle) {
  create_full_screen_info_page(" - Help");
  std::string head = std::string(ku_masthead) + " - Help";
  int x = (80 - static_cast<int>(head.size())) / 2;
  EXPECT_EQ(row_text(0, x, static_cast<int>(head.size())), head);
  EXPECT_EQ(horizontal_scrolling_enabled, 0);
  ti_enable_horizontal_scrolling();
}

}  // namespace
}  // namespace kuterm
