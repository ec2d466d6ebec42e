// Keyboard macros seen from the terminal: recording between ESC-m c and
// ESC-m s, the (m flag, the keys a recording keeps, the list page, writing a
// macro to a file and replaying it in another editor (function keys, arrows,
// ESC commands and prompt answers included), counts with one undo for the
// whole run, the again command, and files that are no macro files.
#include <memory>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

std::unique_ptr<Screen> editor(const std::string& text, int rows = 24, const std::string& macro_file = "") {
  Options o;
  o.args = {"f.txt"};
  o.rows = rows;
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", text);
  if (!macro_file.empty()) s->write_file("m.kum", macro_file);
  EXPECT_TRUE(s->start());
  return s;
}

using kufix::status_shows;

void create(Screen& s, const std::string& name) {
  s.keys("<Esc>mc");
  EXPECT_TRUE(status_shows(s, "Macro name: ")) << s.dump();
  s.keys(name + "<CR>");
  EXPECT_TRUE(status_shows(s, "Defining macro: " + name)) << s.dump();
}

void stop(Screen& s) { s.keys("<Esc>ms"); }

// The list page's entry row: index, name, and the size at column 32.
std::string entry(int i, const std::string& name, int size) {
  std::string e = std::to_string(i) + "       " + name;
  e.resize(32, ' ');
  return e + std::to_string(size);
}

using kufix::saved;

TEST(MacrosScreen, RecordingAbcKeepsExactlyThreeKeys) {
  auto s = editor("base\n");
  EXPECT_FALSE(status_shows(*s, "(m"));
  create(*s, "abc");
  EXPECT_TRUE(status_shows(*s, "(m")) << s->dump();
  s->keys("abc");
  EXPECT_SCREEN_ROW(*s, 2, "abcbase");
  stop(*s);
  EXPECT_TRUE(status_shows(*s, "Macro defined: abc")) << s->dump();
  EXPECT_FALSE(status_shows(*s, "(m")) << s->dump();
  s->keys("<Esc>ml");
  EXPECT_TRUE(status_shows(*s, "MacOSX KU v3.5g - Available Macros")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 3, "Idx     Macro Name              Macro Size");
  EXPECT_SCREEN_ROW(*s, 5, entry(0, "abc", 3));
  EXPECT_SCREEN_ROW(*s, 6, "");
  s->keys("x<CR>");  // the page waits for ENTER
  EXPECT_SCREEN_ROW(*s, 2, "abcbase");
  // Replayed, the three keys type the text once more.
  s->keys("<Esc>xabc<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "abcabcbase");
  EXPECT_EQ(saved(*s), "abcabcbase\n");
}

TEST(MacrosScreen, StoppingAtOnceDeletesTheMacro) {
  auto s = editor("base\n");
  create(*s, "nothing");
  stop(*s);
  EXPECT_TRUE(status_shows(*s, "Empty macro - deleted")) << s->dump();
  EXPECT_FALSE(status_shows(*s, "(m"));
  s->keys("<Esc>xnothing<CR>");
  EXPECT_TRUE(status_shows(*s, "No such macro")) << s->dump();
  s->keys("<Esc>ms");
  EXPECT_TRUE(status_shows(*s, "Not creating a macro")) << s->dump();
}

TEST(MacrosScreen, SixHundredKeysKeepTheFirst511) {
  auto s = editor("\n");
  create(*s, "long");
  std::string keys;
  for (int i = 0; i < 60; i++) keys += "abcdefghi<CR>";
  s->keys(keys);
  stop(*s);
  EXPECT_TRUE(status_shows(*s, "Macro defined: long")) << s->dump();
  s->keys("<Esc>ml");
  EXPECT_SCREEN_ROW(*s, 5, entry(0, "long", 511));
  s->keys("<CR>");
}

TEST(MacrosScreen, OtherMenuEntriesAreRefusedWhileRecording) {
  auto s = editor("base\n");
  create(*s, "rec");
  s->keys("a<Esc>ml");
  EXPECT_TRUE(status_shows(*s, "Cannot nest macros")) << s->dump();
  s->keys("b<Esc>x");
  EXPECT_TRUE(status_shows(*s, "Cannot nest macros")) << s->dump();
  s->keys("rec<CR>");  // no prompt came: typed into the text
  stop(*s);
  EXPECT_SCREEN_ROW(*s, 2, "abrec");
  s->keys("<Esc>ml");
  // a, b and the "rec" typed after the refused execute.
  EXPECT_SCREEN_ROW(*s, 5, entry(0, "rec", 6));
  s->keys("<CR>");
}

// The keys of the macro: arrows, typing, a find with its prompt answer, an
// ESC command, a function-key delete and the update key.
const char* const kBody = "<Down><End>XY<F5>gam<CR><Esc>lQ<Home>Z<Up><F9><F11>";
const char* const kText = "alpha\nbeta\ngamma\ndelta\nomega\n";

TEST(MacrosScreen, AMacroFileReplaysExactlyWhatWasTyped) {
  auto first = editor(kText);
  create(*first, "edit");
  first->keys(kBody);
  stop(*first);
  std::string by_hand = first->read_file("f.txt");
  EXPECT_NE(by_hand, kText);
  first->keys("<Esc>mwedit<CR>");
  EXPECT_TRUE(status_shows(*first, "Select/Type Filename to Write")) << first->dump();
  first->keys("m.kum<CR>");
  EXPECT_TRUE(status_shows(*first, "m.kum written")) << first->dump();
  std::string image = first->read_file("m.kum");
  ASSERT_EQ(image.size(), 2092u);
  EXPECT_EQ(image.substr(8, 3), "35g");
  EXPECT_EQ(image.substr(12, 8), std::string("\x00\x00\x55\xAA\x00\x00\xAA\x55", 8));

  // Another editor on the same text reads the file and runs it.
  auto second = editor(kText, 24, image);
  second->keys("<Esc>mr");
  EXPECT_TRUE(status_shows(*second, "Select/Type Filename to Read")) << second->dump();
  second->keys("m.kum<CR>");
  EXPECT_TRUE(status_shows(*second, "m.kum read")) << second->dump();
  second->keys("<Esc>xedit<CR>");
  EXPECT_EQ(second->read_file("f.txt"), by_hand);
  for (int r = 1; r < 24; r++) EXPECT_EQ(second->row(r), first->row(r)) << "row " << r;

  // Written again, the file read is the same file.
  second->keys("<Esc>mwedit<CR>again.kum<CR>");
  EXPECT_EQ(second->read_file("again.kum"), image);
}

TEST(MacrosScreen, ACountOfThreeIsUndoneByOneUndo) {
  auto s = editor("base\nnext\n");
  create(*s, "ins");
  s->keys("xy<Right>");
  stop(*s);
  EXPECT_SCREEN_ROW(*s, 2, "xybase");
  s->keys("<Esc>3xins<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "xybxyaxysxye");
  EXPECT_SCREEN_CURSOR(*s, 2, 12);
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROW(*s, 2, "xybase");
  EXPECT_EQ(saved(*s), "xybase\nnext\n");
}

// The edits made while recording are ordinary edits, undone one by one; the
// run that replays them is one group, undone with one undo.
TEST(MacrosScreen, RecordedEditsAndTheRunAreUndoneExactly) {
  auto s = editor("alpha one\nbeta two\ngamma three\ndelta four\nepsilon five\nzeta\n");
  create(*s, "q");
  s->keys("<CR><Esc>l<Esc>l");
  stop(*s);
  EXPECT_SCREEN_ROWS(*s, 2, {"", "gamma three", "delta four"});
  s->keys("<Esc>xq<CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"", "", "epsilon five", "zeta"});
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROWS(*s, 2, {"", "gamma three", "delta four", "epsilon five"});
  s->keys("<Esc>u<Esc>u<Esc>u");
  EXPECT_SCREEN_ROWS(*s, 2, {"alpha one", "beta two", "gamma three", "delta four", "epsilon five", "zeta"});
  s->keys("<Esc>u");
  EXPECT_TRUE(status_shows(*s, "No undo actions available")) << s->dump();
  EXPECT_EQ(saved(*s), "alpha one\nbeta two\ngamma three\ndelta four\nepsilon five\nzeta\n");
}

TEST(MacrosScreen, AgainRunsTheLastMacroWithoutAsking) {
  auto s = editor("base\n");
  create(*s, "one");
  s->keys("1");
  stop(*s);
  s->keys("<Esc>xone<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "11base");
  s->keys("<F1>");
  EXPECT_SCREEN_ROW(*s, 2, "111base");
  EXPECT_FALSE(status_shows(*s, "Macro name"));
  // The again run is one undo of its own.
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROW(*s, 2, "11base");
}

TEST(MacrosScreen, TheListStopsAboveItsDivider) {
  auto s = editor("\n", 20);
  for (int i = 0; i < 15; i++) {
    std::string name = "m" + std::to_string(i);
    create(*s, name);
    s->keys("k");
    stop(*s);
  }
  s->keys("<Esc>ml");
  // 20 rows: entries on rows 5 to 17, the divider on 18, ENTER on 19.
  for (int i = 0; i < 13; i++) EXPECT_SCREEN_ROW(*s, 5 + i, entry(i, "m" + std::to_string(i), 1));
  EXPECT_SCREEN_ROW(*s, 18, std::string(80, '-'));
  EXPECT_SCREEN_ROW(*s, 19, "ENTER (return to editing)");
  s->keys("<CR>");
  EXPECT_SCREEN_ROW(*s, 2, std::string(15, 'k'));
}

TEST(MacrosScreen, FilesThatAreNoMacroFilesAreRefused) {
  std::string image(2092, '\0');
  image.replace(12, 8, std::string("\x00\x00\x55\xAA\x00\x00\xAA\x55", 8));
  image.replace(20, 4, std::string("\x00\x01\x86\xA0", 4));  // 100000 keys
  image.replace(24, 3, "big");
  auto s = editor("base\n", 24, image);
  s->write_file("short.kum", image.substr(0, 2091));
  for (const char* name : {"m.kum", "short.kum", "f.txt"}) {
    s->keys(std::string("<Esc>mr") + name + "<CR>");
    EXPECT_TRUE(status_shows(*s, "Not a KU macro file")) << name << "\n" << s->dump();
  }
  s->keys("<Esc>mrmissing.kum<CR>");
  EXPECT_TRUE(status_shows(*s, "Could not open requested file")) << s->dump();
  s->keys("<Esc>xbig<CR>");
  EXPECT_TRUE(status_shows(*s, "No such macro")) << s->dump();
  EXPECT_EQ(saved(*s), "base\n");
}

}  // namespace
