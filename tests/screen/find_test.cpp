// Find and replace seen from the terminal: the prompts with the previous
// strings, the found line placed on the window, counts and the again key,
// the confirmation question, the messages and the bell, undo of a
// replacement, and the file as written afterwards.
#include <memory>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

using kufix::editor;

using kufix::status_shows;

using kufix::saved;

std::string numbered(int n, const std::string& word_every_tenth = "") {
  std::string t;
  for (int i = 1; i <= n; i++) {
    t += "line " + std::to_string(i);
    if (!word_every_tenth.empty() && i % 10 == 0) t += " " + word_every_tenth;
    t += "\n";
  }
  return t;
}

TEST(Find, PromptFindsAndPlacesTheCursorOnTheOccurrence) {
  auto s = editor("alpha\nbeta gamma\ndelta\n");
  s->keys("<F5>");
  EXPECT_SCREEN_ROW(*s, 0, "Find (F10 to clear): ");
  EXPECT_SCREEN_CURSOR(*s, 0, 21);
  s->keys("gam<CR>");
  EXPECT_SCREEN_CURSOR(*s, 3, 5);
  EXPECT_TRUE(status_shows(*s, "f.txt")) << s->dump();
  // The next find offers the previous string, cursor on its first character.
  s->keys("<F5>");
  EXPECT_SCREEN_ROW(*s, 0, "Find (F10 to clear): gam");
  EXPECT_SCREEN_CURSOR(*s, 0, 21);
  s->keys("<F10>del<CR>");
  EXPECT_SCREEN_CURSOR(*s, 4, 0);
}

TEST(Find, NotFoundRingsAndReportsAndLeavesTheCursor) {
  auto s = editor("one\ntwo\nthree\n");
  s->keys("<Down><Down><Right><Right>");
  int bells = s->bells();
  s->keys("<F5>zzz<CR>");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(status_shows(*s, "Not Found: zzz")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 4, 2);
  // The next key brings the usual message back.
  s->keys("<Left>");
  EXPECT_TRUE(status_shows(*s, "ESC-h for Help")) << s->dump();
}

TEST(Find, AgainStepsThroughAndStopsAtTheFirstOccurrence) {
  auto s = editor("x one\nx two\nx three\n");
  s->keys("<F5>x<CR>");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  s->keys("<F1>");
  EXPECT_SCREEN_CURSOR(*s, 3, 0);
  s->keys("<F1>");
  EXPECT_SCREEN_CURSOR(*s, 4, 0);
  int bells = s->bells();
  s->keys("<F1>");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(status_shows(*s, "No more occurances: x")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 4, 0);
}

TEST(Find, FoundLineBelowTheWindowIsShownOnRowEleven) {
  auto s = editor(numbered(100, "needle"));
  s->keys("<Esc>5<F5>needle<CR>");  // the fifth occurrence: line 50
  EXPECT_SCREEN_ROW(*s, 11, "line 50 needle");
  EXPECT_SCREEN_ROW(*s, 2, "line 41");
  EXPECT_SCREEN_CURSOR(*s, 11, 8);
  EXPECT_TRUE(status_shows(*s, "ESC-h for Help")) << s->dump();
}

TEST(Replace, StarReplacesEveryOccurrenceAndReportsTheCount) {
  auto s = editor(numbered(50, "old"));
  s->keys("<Esc>*<F6>");
  EXPECT_SCREEN_ROW(*s, 0, "Replace (F10 to clear): ");
  s->keys("old<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "With:");
  EXPECT_SCREEN_CURSOR(*s, 2, 6);
  s->keys("new<CR>");
  EXPECT_TRUE(status_shows(*s, "5 replacement(s) made")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 1, std::string(80, '-'));
  // The cursor is left on the last replacement, line 50, shown on row 11.
  EXPECT_SCREEN_ROW(*s, 11, "line 50 new");
  EXPECT_SCREEN_ROW(*s, 2, "line 41");
  EXPECT_SCREEN_CURSOR(*s, 11, 8);
  EXPECT_EQ(saved(*s), numbered(50, "new"));
}

TEST(Replace, AnchorsPrefixAndSuffixEveryLine) {
  auto s = editor("one\ntwo\n");
  s->keys("<Esc>*<F6>^<CR>> <CR>");
  EXPECT_TRUE(status_shows(*s, "2 replacement(s) made")) << s->dump();
  EXPECT_SCREEN_ROWS(*s, 2, {"> one", "> two"});
  s->keys("<Esc>*<F6><F10>$<CR><F10>;<CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"> one;", "> two;"});
  EXPECT_EQ(saved(*s), "> one;\n> two;\n");
}

TEST(Replace, VerifySuffixAsksAtEveryOccurrence) {
  auto s = editor("foo\nfoo\nfoo\n");
  s->keys("<Esc>*<F6>foo<CR>xyz v<CR>");
  EXPECT_SCREEN_ROW(*s, 0, "OK to replace ? ");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  s->keys("y");
  EXPECT_SCREEN_ROW(*s, 2, "xyz");
  EXPECT_SCREEN_CURSOR(*s, 3, 0);
  s->keys("n");
  EXPECT_SCREEN_CURSOR(*s, 4, 0);
  s->keys("Y");
  EXPECT_TRUE(status_shows(*s, "2 replacement(s) made")) << s->dump();
  EXPECT_EQ(saved(*s), "xyz\nfoo\nxyz\n");
}

TEST(Replace, TooLongLineIsRefusedAndAgainGoesOn) {
  std::string long_line = std::string(378, '.') + "ab";
  auto s = editor(long_line + "\nab\n");
  s->keys("<F6>ab<CR>abcde<CR>");
  EXPECT_TRUE(status_shows(*s, "Can't replace - makes line too long")) << s->dump();
  s->keys("<F1>");
  EXPECT_TRUE(status_shows(*s, "1 replacement(s) made")) << s->dump();
  EXPECT_EQ(saved(*s), long_line + "\nabcde\n");
}

TEST(Replace, UndoPutsTheTextBack) {
  auto s = editor("say abc now\nabc\n");
  s->keys("<Esc>*<F6>abc<CR>XYZW<CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"say XYZW now", "XYZW"});
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROWS(*s, 2, {"say XYZW now", "abc"});
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROWS(*s, 2, {"say abc now", "abc"});
  EXPECT_SCREEN_CURSOR(*s, 2, 4);
  EXPECT_EQ(saved(*s), "say abc now\nabc\n");
}

TEST(Find, AgainInAnotherFileStartsItsOwnRound) {
  Options o;
  o.args = {"a.txt", "b.txt"};
  Screen s(o);
  s.write_file("a.txt", "x a1\nx a2\n");
  s.write_file("b.txt", "b1\nx b2\n");
  ASSERT_TRUE(s.start());
  s.keys("<F5>x<CR>");
  EXPECT_SCREEN_CURSOR(s, 2, 0);
  s.keys("<Esc>n<F1>");
  EXPECT_SCREEN_ROW(s, 3, "x b2");
  EXPECT_SCREEN_CURSOR(s, 3, 0);
  s.keys("<F1>");
  EXPECT_TRUE(status_shows(s, "No more occurances: x")) << s.dump();
  EXPECT_SCREEN_CURSOR(s, 3, 0);
}

TEST(Replace, EnterOnAnEmptiedPromptKeepsThePreviousStrings) {
  auto s = editor("cat\ndog\ncat\n");
  s->keys("<F6>cat<CR>cow<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "cow");
  s->keys("<F6><F10><CR><F10><CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"cow", "dog", "cow"});
}

}  // namespace
