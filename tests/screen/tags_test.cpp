// Jumps and tags seen from the terminal: the jump menu with its line-number
// prompt, the tags menu, the direct jump to a tag, the listing page, tags
// kept per open file, and tags that outlive lines deleted under them.
#include <memory>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

std::string numbered(int n) {
  std::string t;
  for (int i = 1; i <= n; i++) t += "line " + std::to_string(i) + "\n";
  return t;
}

std::unique_ptr<Screen> editor(std::vector<std::string> args, std::vector<std::pair<std::string, std::string>> files) {
  Options o;
  o.args = std::move(args);
  auto s = std::make_unique<Screen>(o);
  for (auto& [name, text] : files) s->write_file(name, text);
  EXPECT_TRUE(s->start());
  return s;
}

using kufix::status_shows;

TEST(Jump, LinePromptTakesANumberAndForgivesTheRest) {
  auto s = editor({"f.txt"}, {{"f.txt", numbered(50)}});
  s->keys("<F4>");
  EXPECT_SCREEN_ROW(*s, 0, "Start  End  Line  Tag : ");
  s->keys("l");
  EXPECT_SCREEN_ROW(*s, 0, "Line: ");
  EXPECT_SCREEN_CURSOR(*s, 0, 6);
  s->keys("30<CR>");
  EXPECT_SCREEN_ROW(*s, 11, "line 30");
  EXPECT_SCREEN_CURSOR(*s, 11, 0);
  EXPECT_TRUE(status_shows(*s, "ln:30 col:1  60% (50 lines)")) << s->dump();
  const struct {
    const char* answer;
    const char* position;
  } cases[] = {
      {"0", "ln:1 col:1"},
      {"", "ln:1 col:1"},
      {"word", "ln:1 col:1"},
      {"999", "ln:50 col:1  100% (50 lines)"},
  };
  for (const auto& c : cases) {
    s->keys("<F4>l" + std::string(c.answer) + "<CR>");
    EXPECT_TRUE(status_shows(*s, c.position)) << "answer '" << c.answer << "'\n" << s->dump();
  }
  EXPECT_SCREEN_ROW(*s, 2, "line 41");
  EXPECT_SCREEN_CURSOR(*s, 11, 0);
  // Start and End; another key only rings.
  s->keys("<F4>s");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  s->keys("<F4>e");
  EXPECT_TRUE(status_shows(*s, "ln:50")) << s->dump();
  int bells = s->bells();
  s->keys("<F4>q");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(status_shows(*s, "ESC-h for Help")) << s->dump();
}

TEST(Tags, SetJumpListAndClear) {
  auto s = editor({"f.txt"}, {{"f.txt", numbered(60)}});
  s->keys("<F4>l40<CR>");
  s->keys("<Esc>t");
  EXPECT_SCREEN_ROW(*s, 0, "0-9  Clear  List  Jump : ");
  s->keys("5");
  EXPECT_TRUE(status_shows(*s, "Tag 5 set")) << s->dump();
  s->keys("<F4>s<Esc>`");
  EXPECT_SCREEN_ROW(*s, 0, "Enter tag number: ");
  s->keys("5");
  EXPECT_TRUE(status_shows(*s, "ln:40 col:1")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 11, "line 40");
  s->keys("<Esc>`3");
  EXPECT_TRUE(status_shows(*s, "Tag 3 not defined")) << s->dump();
  s->keys("<Esc>`x");
  EXPECT_TRUE(status_shows(*s, "Not a valid tag number")) << s->dump();
  int bells = s->bells();
  s->keys("<Esc>t?");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(status_shows(*s, "Invalid menu selection")) << s->dump();

  s->keys("<Esc>tl");
  EXPECT_TRUE(status_shows(*s, " - Tags Listing")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 3, "Tag     LineNum");
  EXPECT_SCREEN_ROW(*s, 5, " 0      Undefined");
  EXPECT_SCREEN_ROW(*s, 10, " 5      40");
  EXPECT_SCREEN_ROW(*s, 14, " 9      Undefined");
  EXPECT_SCREEN_ROW(*s, 23, "ENTER (return to editing)");
  s->keys("<CR>");
  EXPECT_SCREEN_ROW(*s, 11, "line 40");

  s->keys("<Esc>tc");
  EXPECT_TRUE(status_shows(*s, "All tags cleared")) << s->dump();
  s->keys("<Esc>tl");
  for (int t = 0; t < 10; t++) EXPECT_SCREEN_ROW(*s, 5 + t, " " + std::to_string(t) + "      Undefined");
  s->keys("<CR>");
}

TEST(Tags, KeptPerFileAcrossSwitches) {
  auto s = editor({"a.txt", "b.txt"}, {{"a.txt", numbered(30)}, {"b.txt", numbered(30)}});
  s->keys("<F4>l12<CR><Esc>t5");
  s->keys("<Esc>n<Esc>`5");
  EXPECT_TRUE(status_shows(*s, "Tag 5 not defined")) << s->dump();
  s->keys("<Esc>tl");
  EXPECT_SCREEN_ROW(*s, 10, " 5      Undefined");
  s->keys("<CR><Esc>n<F4>s<Esc>`5");
  EXPECT_TRUE(status_shows(*s, "ln:12 col:1")) << s->dump();
  EXPECT_EQ(s->row(0).rfind("a.txt ", 0), 0u) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 13, 0);
}

TEST(Tags, TagPastTheEndOfAShortenedFileJumpsToTheLastLine) {
  auto s = editor({"f.txt"}, {{"f.txt", numbered(40)}});
  s->keys("<F4>l40<CR><Esc>t5");
  // Cut the file to 30 lines: delete lines 31 to 40.
  s->keys("<F4>l31<CR><Esc>10<F9>");
  s->keys("<F4>s<Esc>`5");
  EXPECT_TRUE(status_shows(*s, "ln:30 col:1  100% (30 lines)")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 11, 0);
  EXPECT_SCREEN_ROW(*s, 11, "line 30");
}

}  // namespace
