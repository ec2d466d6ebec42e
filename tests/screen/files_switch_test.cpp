// Open files seen from the terminal: next file, the edit menu (open, new,
// go to, cycling with +), switching back to the same place, a rejected
// file, and the limit of 256 open files.
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

bool top_shows(const Screen& s, const std::string& text) { return s.row(0).find(text) != std::string::npos; }
bool named(const Screen& s, const std::string& name) { return s.row(0).rfind(name + " ", 0) == 0; }

std::unique_ptr<Screen> editor(std::vector<std::string> args, std::vector<std::pair<std::string, std::string>> files,
                               int rows = 24, int cols = 80) {
  Options o;
  o.args = std::move(args);
  o.rows = rows;
  o.cols = cols;
  auto s = std::make_unique<Screen>(o);
  for (auto& [name, text] : files) s->write_file(name, text);
  EXPECT_TRUE(s->start());
  return s;
}

const char* const edit_menu = "File  New  Menu  + : ";

TEST(FilesNext, WrapsFromTheLastFileToTheFirst) {
  auto s = editor({"a", "b", "c"}, {{"a", "alpha\n"}, {"b", "beta\n"}, {"c", "gamma\n"}});
  const char* order[] = {"b", "c", "a", "b"};
  const char* text[] = {"beta", "gamma", "alpha", "beta"};
  for (int i = 0; i < 4; i++) {
    s->keys("<Esc>n");
    EXPECT_TRUE(named(*s, order[i])) << s->dump();
    EXPECT_SCREEN_ROW(*s, 2, text[i]);
  }
}

TEST(FilesNext, OneFileOpenBeepsAndChangesNothing) {
  auto s = editor({"a"}, {{"a", "alpha\n"}});
  s->keys("l");
  int bells = s->bells();
  s->keys("<Esc>n");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(top_shows(*s, "Only 1 file open")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "lalpha");
  EXPECT_SCREEN_CURSOR(*s, 2, 1);
}

TEST(FilesNext, SwitchingAwayAndBackRestoresLineColumnRowAndScroll) {
  std::string text;
  for (int i = 1; i <= 60; i++) text += "line " + std::to_string(i) + " " + std::string(150, static_cast<char>('a' + i % 26)) + "\n";
  auto s = editor({"long.txt", "b.txt"}, {{"long.txt", text}, {"b.txt", "short\n"}});
  // Page down, a few lines down, then to the end of the line: scrolled right.
  s->keys("<PgDn><Down><Down><Down><End>");
  std::vector<std::string> before = s->rows();
  kutest::Pos at = s->cursor();
  ASSERT_GT(at.row, 2);
  ASSERT_EQ(s->row(5).find("line"), std::string::npos) << "not scrolled:\n" << s->dump();
  s->keys("<Esc>n");
  EXPECT_SCREEN_ROW(*s, 2, "short");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  s->keys("<Esc>n");
  EXPECT_EQ(s->cursor(), at) << s->dump();
  for (int r = 1; r < s->height(); r++) EXPECT_EQ(s->row(r), before[static_cast<size_t>(r)]) << "row " << r;
  // Typing lands where the cursor was left: at the end of that line.
  s->keys("Z<F11>");
  std::string saved = s->read_file("long.txt");
  size_t z = saved.find('Z');
  ASSERT_NE(z, std::string::npos);
  EXPECT_EQ(saved[z + 1], '\n');
  EXPECT_EQ(saved[z - 1], saved[z - 150]);
}

TEST(FilesEditMenu, OpensAFileFromTheDialogAndShowsItsSize) {
  auto s = editor({"a.txt"}, {{"a.txt", "a\n"}, {"d.txt", "one\r\ntwo\r\n"}});
  s->keys("<Esc>e");
  EXPECT_TRUE(top_shows(*s, edit_menu)) << s->dump();
  EXPECT_TRUE(top_shows(*s, "a.txt")) << s->dump();
  s->keys("f");
  EXPECT_TRUE(top_shows(*s, "Select/Type Filename to Open")) << s->dump();
  s->keys("d.txt<CR>");
  EXPECT_TRUE(named(*s, "d.txt")) << s->dump();
  EXPECT_TRUE(top_shows(*s, "10 Chars 2 Lines [DOS/Win]")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "one");
  EXPECT_SCREEN_ROW(*s, 3, "two");
}

TEST(FilesEditMenu, FileAlreadyOpenIsSwitchedToNotReadAgain) {
  auto s = editor({"a.txt", "b.txt"}, {{"a.txt", "a\n"}, {"b.txt", "b\n"}});
  s->keys("edited ");
  s->keys("<Esc>n");
  ASSERT_TRUE(named(*s, "b.txt"));
  s->write_file("a.txt", "changed on disk\n");
  s->keys("<Esc>efa.txt<CR>");
  EXPECT_TRUE(named(*s, "a.txt")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "edited a");
  // Still two files open.
  s->keys("<Esc>g");
  EXPECT_TRUE(s->contains("b.txt")) << s->dump();
  EXPECT_TRUE(top_shows(*s, "Page 1/1"));
  s->keys("<Esc>q");
}

TEST(FilesEditMenu, PlusCyclesInTheMenuAndEnterLeaves) {
  auto s = editor({"a", "b", "c", "d"}, {{"a", "1\n"}, {"b", "2\n"}, {"c", "3\n"}, {"d", "4\n"}});
  s->keys("<Esc>e+=+");
  EXPECT_TRUE(top_shows(*s, edit_menu)) << s->dump();
  EXPECT_EQ(s->row(0).substr(77), " d ") << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "4");
  s->keys("<CR>");
  EXPECT_TRUE(named(*s, "d")) << s->dump();
  EXPECT_FALSE(top_shows(*s, edit_menu));
}

TEST(FilesEditMenu, NewUnnamedFileAndUnknownKeys) {
  auto s = editor({"a"}, {{"a", "1\n"}});
  s->keys("<Esc>e");
  int bells = s->bells();
  s->keys("x");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(top_shows(*s, edit_menu)) << s->dump();
  s->keys("n");
  EXPECT_TRUE(named(*s, "Unnamed File")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "");
  s->keys("<Esc>em");
  EXPECT_TRUE(top_shows(*s, "Select File to Switch To")) << s->dump();
  EXPECT_TRUE(s->contains("Unnamed File"));
  s->keys("<Up><CR>");
  EXPECT_TRUE(named(*s, "a")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "1");
}

TEST(FilesEditMenu, NoNameChosenAndAFileThatCannotBeOpened) {
  auto s = editor({"a"}, {{"a", "1\n"}});
  s->keys("<Esc>ef<Esc>q");
  EXPECT_TRUE(top_shows(*s, "No File Selected to Open")) << s->dump();
  s->keys("<Esc>efnothere<CR>");
  EXPECT_TRUE(top_shows(*s, "Could not open requested file")) << s->dump();
  EXPECT_TRUE(named(*s, "a")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "1");
}

TEST(FilesEditMenu, FileWithAControlByteIsRejectedAndThePreviousFileReturns) {
  auto s = editor({"good.txt", "other.txt"}, {{"good.txt", "good\n"}, {"other.txt", "other\n"}, {"bad.txt", "ok\n\x01\n"}});
  s->keys("<Esc>efbad.txt<CR>");
  EXPECT_TRUE(top_shows(*s, "Bad char at line  2 value is  1")) << s->dump();
  s->keys("x");
  EXPECT_TRUE(top_shows(*s, "Not a text file (ENTER to continue)")) << s->dump();
  int bells = s->bells();
  s->keys("y");  // only ENTER continues
  EXPECT_GT(s->bells(), bells);
  s->keys("<CR>");
  EXPECT_TRUE(named(*s, "good.txt")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "good");
  s->keys("<Esc>g");
  EXPECT_FALSE(s->contains("bad.txt")) << s->dump();
  EXPECT_TRUE(s->contains("other.txt"));
  s->keys("<Esc>q");
  EXPECT_TRUE(s->running());
}

TEST(FilesLimit, ThreeHundredNamesOpen256AndNoMore) {
  Options o;
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 300; i++) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d", i);
    o.args.push_back(name);
    files.emplace_back(name, std::string("text of ") + name + "\n");
  }
  Screen s(o);
  for (auto& [n, t] : files) s.write_file(n, t);
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(top_shows(s, "KU: Too many files - not all will be opened")) << s.dump();
  EXPECT_TRUE(s.contains("> Any key to continue")) << s.dump();
  s.keys(" ");
  EXPECT_TRUE(named(s, "f000")) << s.dump();
  // The go-to list holds 256 entries: 22 pages of 12.
  s.keys("<Esc>g");
  EXPECT_TRUE(top_shows(s, "Page 1/22")) << s.dump();
  s.keys("<PgUp>");
  EXPECT_TRUE(top_shows(s, "Page 22/22")) << s.dump();
  EXPECT_TRUE(s.contains(">f255")) << s.dump();
  EXPECT_FALSE(s.contains("f256"));
  s.keys("<CR>");
  EXPECT_TRUE(named(s, "f255")) << s.dump();
  // No 257th file, new or named.
  s.keys("<Esc>en");
  EXPECT_TRUE(top_shows(s, "Cannot open any more files")) << s.dump();
  s.keys("<Esc>ef");
  EXPECT_TRUE(top_shows(s, "Cannot open any more files")) << s.dump();
  // Through all of them in turn, back to where it started.
  for (int i = 0; i < 256; i++) s.keys("<Esc>n", false);
  ASSERT_TRUE(s.settle());
  EXPECT_TRUE(named(s, "f255")) << s.dump();
  s.keys("<Esc>n");
  EXPECT_TRUE(named(s, "f000")) << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "text of f000");
}

}  // namespace
