// Jumps and tags driven through the dispatcher on a current file in an
// ncurses screen opened on /dev/null, with menu keys and the line number
// answered by a scripted keyboard.
#include <curses.h>

#include <climits>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "edit/tags.h"
#include "input_fixture.h"
#include "term_fixture.h"

namespace {

using kuinput::type;
using kuinput::type_text;
using kuterm::line_at;

TEST(JumpLineAnswer, TableOfAnswers) {
  const struct {
    const char* answer;
    int line;
  } cases[] = {
      {"", 1},       {"0", 1},         {"word", 1},         {"-7", 1},          {"12", 12},
      {"  7", 7},    {"5x", 5},        {"+3", 3},           {"2147483647", INT_MAX},
      {"99999999999", INT_MAX},        {"-99999999999", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(jump_line_answer(c.answer), c.line) << "'" << c.answer << "'";
}

class TagsTest : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    kuinput::ScriptedInput::reset();
    last_cmd_ix = 0;
    rep_ix = 0;
  }
  void TearDown() override {
    EXPECT_TRUE(kuinput::keyboard.empty()) << "keys left unread";
    kuterm::TermTest::TearDown();
  }
  static void show(int n) {
    std::vector<std::string> text;
    for (int i = 1; i <= n; i++) text.push_back("line " + std::to_string(i));
    kuterm::make_file(text);
    draw_curr_screen();
  }
  static int line() {
    int i = 1;
    for (LineNode* l = first_line(curr_file); l && l != curr_line; l = next_line(l)) i++;
    return i;
  }
  static void jump_to_line(const char* answer) {
    type({'L'});
    type_text(answer);
    type({'\n'});
    cmd_processor('j');
  }
  static std::string message() { return std::string(ku_msg_buf).substr(0, std::string(ku_msg_buf).find_last_not_of(' ') + 1); }

  kuinput::ScriptedInput input_;
};

TEST_F(TagsTest, JumpToLineByNumber) {
  show(50);
  curr_screen.cx = 3;
  jump_to_line("25");
  EXPECT_EQ(line(), 25);
  EXPECT_EQ(curr_line_num, 25);
  EXPECT_EQ(curr_screen.cx, 3);  // the column stays
  EXPECT_EQ(curr_screen.cy, 11);
  EXPECT_EQ(message(), "ln:25 col:4  50% (50 lines)");
  const struct {
    const char* answer;
    int line;
  } cases[] = {{"0", 1}, {"", 1}, {"abc", 1}, {"51", 50}, {"99999999999999", 50}, {"-4", 1}, {"30", 30}};
  for (const auto& c : cases) {
    jump_to_line(c.answer);
    EXPECT_EQ(line(), c.line) << c.answer;
    EXPECT_EQ(curr_line_num, c.line) << c.answer;
  }
}

TEST_F(TagsTest, JumpMenuStartEndAndOtherKeys) {
  show(40);
  jump_to_line("20");
  type({'e'});
  cmd_processor('j');
  EXPECT_EQ(line(), 40);
  EXPECT_EQ(curr_line_num, 40);
  type({'s'});
  cmd_processor('j');
  EXPECT_EQ(line(), 1);
  EXPECT_EQ(curr_line_num, 1);
  EXPECT_EQ(curr_screen.cy, 2);
  // ENTER and a key that is no choice leave the cursor where it is, with
  // its line number known.
  jump_to_line("7");
  curr_line_num = 0;  // forgotten: the line must be counted
  curr_bwd_link = nullptr;
  last_cmd_ix = 0;
  type({'\n'});
  cmd_processor('j');
  EXPECT_EQ(line(), 7);
  EXPECT_EQ(curr_line_num, 7);
  type({'q'});
  cmd_processor('j');
  EXPECT_EQ(line(), 7);
}

TEST_F(TagsTest, TagsSetJumpClearAndFailures) {
  show(60);
  jump_to_line("40");
  type({'5'});
  cmd_processor('t');
  EXPECT_EQ(curr_file.tags[5], 40);
  EXPECT_EQ(message(), "Tag 5 set");
  jump_to_line("1");
  type({'5'});
  cmd_processor('`');
  EXPECT_EQ(line(), 40);
  EXPECT_EQ(curr_line_num, 40);
  EXPECT_EQ(message(), "ln:40 col:1  66% (60 lines)");
  // Through the jump menu and through the tags menu.
  jump_to_line("2");
  type({'t', '5'});
  cmd_processor('j');
  EXPECT_EQ(line(), 40);
  jump_to_line("2");
  type({'j', '5'});
  cmd_processor('t');
  EXPECT_EQ(line(), 40);
  // Failures move nothing.
  type({'3'});
  cmd_processor('`');
  EXPECT_EQ(message(), "Tag 3 not defined");
  type({'x'});
  cmd_processor('`');
  EXPECT_EQ(message(), "Not a valid tag number");
  type({'?'});
  cmd_processor('t');
  EXPECT_EQ(message(), "Invalid menu selection");
  EXPECT_EQ(line(), 40);
  // Lower-case c clears them all.
  type({'c'});
  cmd_processor('t');
  EXPECT_EQ(message(), "All tags cleared");
  for (int t : curr_file.tags) EXPECT_EQ(t, 0);
}

TEST_F(TagsTest, TagPastTheEndOfAShortenedFileGoesToItsLastLine) {
  show(50);
  jump_to_line("40");
  type({'5'});
  cmd_processor('t');
  // Cut the file to 30 lines.
  while (curr_file.count > 30) {
    LineNode* l = last_line(curr_file);
    if (curr_line == l) curr_line = prev_line(&curr_file, l);
    int err = 0;
    list_delete(&curr_file, l, &err);
    ku_free(l);
  }
  curr_screen.cy = update_curr_screen(11);
  draw_curr_screen();
  type({'5'});
  cmd_processor('`');
  EXPECT_EQ(line(), 30);
  EXPECT_EQ(curr_line_num, 30);
  EXPECT_EQ(message(), "ln:30 col:1  100% (30 lines)");
}

}  // namespace
