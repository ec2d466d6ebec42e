// The options menu seen from the terminal: the menu lines and message box,
// an on/off option reflected in the status flags, options saved and read by
// the next start, colours applied to the screen (also on terminals without
// colours), the current file's line-end format as written, and wrapping
// switched on re-wrapping the current line at once.
#include <memory>
#include <string>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;
using kufix::editor;
using kufix::saved;
using kufix::status_shows;

const char* const kMainMenu = "Tabs  Indent  Wrap  Colors  Match  Fileformat  Rodent  Save : ";

TEST(OptionsMenu, OnOffEntryChangesTheStatusFlags) {
  auto s = editor("first\nsecond\n");
  s->keys("<Esc>v");  // the status line with its flags in place of the start-up message
  EXPECT_TRUE(status_shows(*s, "(i)")) << s->dump();
  s->keys("<Esc>o");
  EXPECT_SCREEN_ROW(*s, 0, kMainMenu);
  EXPECT_SCREEN_CURSOR(*s, 0, 62);
  s->keys("z");
  EXPECT_EQ(s->bells(), 1);
  s->keys("i");
  const std::string rule(80, '-');
  EXPECT_SCREEN_ROWS(*s, 0, {"Auto Indent ? (Enable/Disable) : ", rule, "Auto Indent ON ", rule, ""});
  EXPECT_SCREEN_CURSOR(*s, 0, 33);
  s->keys("x");
  EXPECT_SCREEN_ROW(*s, 2, "Auto Indent OFF");
  s->keys("<CR>");
  EXPECT_SCREEN_ROWS(*s, 0, {kMainMenu, rule, "first", "second"});
  s->keys("<CR>");
  EXPECT_TRUE(status_shows(*s, "f.txt")) << s->dump();
  EXPECT_FALSE(status_shows(*s, "(i)")) << s->dump();
  EXPECT_TRUE(status_shows(*s, "INS")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
}

TEST(OptionsMenu, SavedOptionsAreReadAtTheNextStart) {
  auto first = editor("x\n");
  first->keys("<Esc>ott8<CR><CR>");
  first->keys("we<CR>");
  first->keys("s");
  EXPECT_SCREEN_ROW(*first, 2, "> Options saved to ~/.ku.opt - loaded by KU at next start");
  first->keys("<CR>");
  const std::string opt = first->read_file("~/.ku.opt");
  ASSERT_EQ(opt.size(), 52u);
  EXPECT_EQ(opt[7], 8);   // tab stop
  EXPECT_EQ(opt[19], 0);  // auto indent, switched off by enabling wrapping
  EXPECT_EQ(opt[23], 1);  // text wrapping

  Options o;
  o.args = {"g.txt"};
  o.env = {{"HOME", first->home()}};
  Screen second(o);
  second.write_file("g.txt", "\tx\n");
  ASSERT_TRUE(second.start());
  EXPECT_SCREEN_ROW(second, 2, "        x");
  second.keys("<Esc>v");
  EXPECT_TRUE(status_shows(second, "(w)")) << second.dump();
}

TEST(OptionsMenu, ColoursAreAppliedOrRefused) {
  auto s = editor("abc\n");
  s->keys("<Esc>oc");
  EXPECT_SCREEN_ROW(*s, 2, "> Displayed foreground color is Default, background color is Default");
  s->keys("fBLUE<CR>bBLUE<CR>a");
  EXPECT_SCREEN_ROW(*s, 2, "> Foreground and Background colors must be different");
  s->keys("fDEFAULT<CR>bDEFAULT<CR>a");
  EXPECT_SCREEN_ROW(*s, 2, "> Displayed foreground color is Default, background color is Default");
  s->keys("fred<CR>bblue<CR>a<CR><CR>");
  EXPECT_SCREEN_ROW(*s, 2, "abc");
  kutest::Cell text = s->cell(2, 0), blank = s->cell(10, 40);
  EXPECT_EQ(text.fg, 1);
  EXPECT_EQ(text.bg, 4);
  EXPECT_EQ(blank.bg, 4);
}

TEST(OptionsMenu, ColoursOnTerminalsWithFewOrNoColours) {
  for (const char* term : {"linux", "vt100"}) {
    SCOPED_TRACE(term);
    Options o;
    o.term = term;
    o.args = {"f.txt"};
    Screen s(o);
    s.write_file("f.txt", "abc\n");
    ASSERT_TRUE(s.start());
    s.keys("<Esc>ocfred<CR>bblue<CR>a");
    EXPECT_SCREEN_ROW(s, 2, "> Displayed foreground color is Red, background color is Blue");
    s.keys("<CR><CR>xy");
    EXPECT_SCREEN_ROW(s, 2, "xyabc");
    EXPECT_TRUE(s.running());
  }
}

TEST(OptionsMenu, FileFormatAsWritten) {
  struct Case {
    const char* text;
    const char* keys;
    const char* written;
  } const cases[] = {
      {"a\r\nb\r\n", "", "a\r\nb\r\n"},
      {"a\nb\n", "", "a\nb\n"},
      {"a\r\nb\r\n", "x", "a\nb\n"},
      {"a\nb\n", "d", "a\r\nb\r\n"},
      {"a\nb\n", "dU", "a\nb\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    auto s = editor(c.text);
    s->keys(std::string("<Esc>of") + c.keys);
    EXPECT_SCREEN_ROW(*s, 0, "Select text file format - Unix or DOS/Win : ");
    s->keys("<CR><CR>");
    EXPECT_EQ(saved(*s), c.written);
  }
}

TEST(OptionsMenu, EnablingWrappingWrapsTheCurrentLineAtOnce) {
  const std::string words = "one two three four five six seven eight nine ten eleven twelve thirteen fourteen";
  auto s = editor(words + "\n\nafter\n");
  s->keys("<Esc>owr600<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "Invalid right margin");
  s->keys("r40<CR>e");
  EXPECT_SCREEN_ROW(*s, 2, "Text wrapping ON, Right Justify ON, Left margin: -1, Right margin: 40");
  s->keys("<CR><CR>");
  // Justified to the margin of 40, the last line left as it is.
  const char* const wrapped[] = {"one  two three four five six seven eight", "nine    ten   eleven   twelve   thirteen",
                                 "fourteen", "", "after"};
  EXPECT_SCREEN_ROWS(*s, 2, {wrapped[0], wrapped[1], wrapped[2], wrapped[3], wrapped[4], ""});
  EXPECT_TRUE(status_shows(*s, "(w)")) << s->dump();
  EXPECT_TRUE(status_shows(*s, "INS")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  std::string all;
  for (const char* l : wrapped) all += std::string(l) + "\n";
  EXPECT_EQ(saved(*s), all);
}

}  // namespace
