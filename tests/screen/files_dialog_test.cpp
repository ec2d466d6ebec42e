// The file selection dialogs seen from the terminal: listing and paging,
// wrap-around of the selection, typing a name, going up to "/", the paths
// handed back, the go-to-file list with its Changed column, a directory that
// cannot be entered, and mouse clicks.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

bool top_shows(const Screen& s, const std::string& text) { return s.row(0).find(text) != std::string::npos; }
bool named(const Screen& s, const std::string& name) { return s.row(0).rfind(name + " ", 0) == 0; }

std::string real(const std::string& p) {
  char buf[PATH_MAX];
  return realpath(p.c_str(), buf) ? std::string(buf) : p;
}

// A row of the open-file dialog on 80 columns: entries of width 39 from
// column 2, a marker cell then the name.
std::string entry_row(const std::string& left, const std::string& right = "", int marked = -1) {
  std::string r(80, ' ');
  if (marked == 0) r[2] = '>';
  if (marked == 1) r[41] = '>';
  r.replace(3, left.size(), left);
  if (!right.empty()) r.replace(42, right.size(), right);
  return r;
}

std::unique_ptr<Screen> editor(std::vector<std::pair<std::string, std::string>> files, int rows = 24, int cols = 80) {
  Options o;
  o.args = {"a.txt"};
  o.rows = rows;
  o.cols = cols;
  auto s = std::make_unique<Screen>(o);
  s->write_file("a.txt", "abc\n");
  for (auto& [name, text] : files) s->write_file(name, text);
  EXPECT_TRUE(s->start());
  return s;
}

TEST(FilesDialog, EmptyDirectoryStillListsDotAndDotDot) {
  auto s = editor({});
  ASSERT_EQ(mkdir(s->path("empty").c_str(), 0755), 0);
  s->keys("<Esc>ef");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: " + real(s->dir()));
  s->keys("empty<CR>");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: " + real(s->dir()) + "/empty");
  EXPECT_SCREEN_ROW(*s, 5, entry_row(".", "..", 0));
  EXPECT_SCREEN_ROW(*s, 6, "");
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  .");
  EXPECT_SCREEN_ROW(*s, 22, std::string(80, '-'));
  EXPECT_SCREEN_ROW(*s, 23, "CurUp/CurDn/CurLeft/CurRight, PgUp/PgDn, ENTER (select entry), ESC-q (Quit)");
  EXPECT_TRUE(top_shows(*s, "Page 1/1"));
  // Directories come first and are emphasised.
  EXPECT_TRUE(s->cell(5, 3).underline);
  s->keys("<Esc>q");
  EXPECT_TRUE(top_shows(*s, "No File Selected to Open")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "abc");
}

TEST(FilesDialog, SelectionWrapsAroundAtBothEnds) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 1; i < 30; i++) {
    char n[8];
    std::snprintf(n, sizeof n, "n%02d", i);
    files.emplace_back(n, "x\n");
  }
  auto s = editor(files);  // ".", "..", a.txt, n01..n29: 32 entries, 28 a page
  s->keys("<Esc>ef");
  EXPECT_TRUE(top_shows(*s, "Page 1/2")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 6, entry_row("a.txt", "n01"));
  // Up from the first entry: the last one, on the last page.
  s->keys("<Up>");
  EXPECT_TRUE(top_shows(*s, "Page 2/2")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 5, entry_row("n26", "n27"));
  EXPECT_SCREEN_ROW(*s, 6, entry_row("n28", "n29", 1));
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  n29");
  EXPECT_SCREEN_CURSOR(*s, 6, 41);
  // Down from the last row of the last page: back to the first entry.
  s->keys("<Down>");
  EXPECT_TRUE(top_shows(*s, "Page 1/2")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 5, entry_row(".", "..", 0));
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  .");
  // Left and right wrap too; page keys move a page.
  s->keys("<Left>");
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  n29");
  s->keys("<Right>");
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  .");
  s->keys("<PgDn>");
  EXPECT_TRUE(top_shows(*s, "Page 2/2"));
  EXPECT_SCREEN_ROW(*s, 5, entry_row("n26", "n27", 0));
  s->keys("<PgUp>");
  EXPECT_SCREEN_ROW(*s, 5, entry_row(".", "..", 0));
  s->keys("<Down><Down><Right><CR>");
  EXPECT_TRUE(named(*s, "n03")) << s->dump();
}

TEST(FilesDialog, TypingAfterSelectingStartsAFreshNameEditedInPlace) {
  auto s = editor({{"b.txt", "bee\n"}});
  s->keys("<Esc>ef<Down>");
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  a.txt");
  s->keys("b.xt");
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  b.xt");
  EXPECT_SCREEN_CURSOR(*s, 20, 18);
  s->keys("<Left><Left>t");
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  b.txt");
  EXPECT_SCREEN_CURSOR(*s, 20, 17);
  s->keys("<End>");
  EXPECT_SCREEN_CURSOR(*s, 20, 19);
  s->keys("<CR>");
  EXPECT_TRUE(named(*s, "b.txt")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "bee");
}

TEST(FilesDialog, ParentOfTheRootIsTheRoot) {
  auto s = editor({});
  s->keys("<Esc>ef");
  // Up the tree one directory per shifted up arrow, and once more at "/".
  std::string d = real(s->dir());
  int levels = 0;
  for (char c : d) levels += c == '/';
  for (int i = 0; i < levels; i++) s->keys("<S-Up>");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: /");
  s->keys("<S-Up>");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: /");
  EXPECT_SCREEN_ROW(*s, 5, entry_row(".", "..", 0));
  s->keys("<Right><CR>");  // ".." chosen from the list
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: /");
  s->keys("<Esc>q");
  // The working directory is the starting one again.
  s->keys("<Esc>ef");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: " + d);
  s->keys("<Esc>q");
}

// Names of the open files as the go-to-file dialog lists them.
std::vector<std::string> open_names(Screen& s) {
  s.keys("<Esc>g");
  std::vector<std::string> v;
  for (int r = 5; r < 17; r++) {
    std::string name = s.row(r).substr(3, 52);
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty()) v.push_back(name);
  }
  s.keys("<Esc>q");
  return v;
}

TEST(FilesDialog, ChosenPathsAreRelativeToTheWorkingDirectoryWherePossible) {
  auto s = editor({});
  ASSERT_EQ(mkdir(s->path("src").c_str(), 0755), 0);
  s->write_file("src/b.c", "int b;\n");
  std::string start = real(s->dir());
  std::string parent = start.substr(0, start.rfind('/'));
  // A sibling of the working directory and a directory elsewhere.
  std::string sib = parent + "/ku-files-sib-XXXXXX";
  ASSERT_NE(mkdtemp(sib.data()), nullptr);
  std::string other = parent + "/ku-files-abs-XXXXXX";
  ASSERT_NE(mkdtemp(other.data()), nullptr);
  ASSERT_EQ(mkdir((other + "/deep").c_str(), 0755), 0);
  for (const std::string& f : {sib + "/v.txt", other + "/deep/d.txt"}) {
    FILE* fp = std::fopen(f.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    std::fputs("x\n", fp);
    std::fclose(fp);
  }
  std::string sib_name = sib.substr(sib.rfind('/') + 1);

  // Below: into src by the list, then b.c.
  s->keys("<Esc>ef");
  s->keys("src<CR>");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: " + start + "/src");
  s->keys("b.c<CR>");
  EXPECT_TRUE(named(*s, "src/b.c")) << s->dump();
  // Beside: up, into the sibling, the file.
  s->keys("<Esc>ef<S-Up>" + sib_name + "<CR>v.txt<CR>");
  // Elsewhere: a typed absolute path.
  s->keys("<Esc>ef" + other + "/deep/d.txt<CR>");
  // The same directory: the name alone.
  s->keys("<Esc>ef../" + start.substr(start.rfind('/') + 1) + "/a.txt<CR>");
  EXPECT_TRUE(named(*s, "a.txt")) << s->dump();
  EXPECT_EQ(open_names(*s),
            (std::vector<std::string>{"a.txt", "src/b.c", "../" + sib_name + "/v.txt", other + "/deep/d.txt"}));
  std::system(("rm -rf '" + sib + "' '" + other + "'").c_str());
}

TEST(FilesDialog, GotoListShowsSizesAndTheChangedColumn) {
  auto s = editor({{"b.txt", "one\r\ntwo\r\n"}, {"c.txt", "c\n"}});
  s->keys("<Esc>efb.txt<CR><Esc>efc.txt<CR>");
  // a.txt: an edit undone by hand (same text again); b.txt: really changed.
  s->keys("<Esc>n");
  ASSERT_TRUE(named(*s, "a.txt")) << s->dump();
  s->keys("q<BS>");
  s->keys("<Esc>n!");
  ASSERT_TRUE(named(*s, "b.txt")) << s->dump();
  s->keys("<Esc>g");
  EXPECT_TRUE(top_shows(*s, "Select File to Switch To")) << s->dump();
  auto row = [](const char* name, const char* lines, const char* chars, const char* changed, bool marked) {
    std::string r(80, ' ');
    if (marked) r[2] = '>';
    r.replace(3, std::string(name).size(), name);
    r.replace(55, std::string(lines).size(), lines);
    r.replace(63, std::string(chars).size(), chars);
    r.replace(72, std::string(changed).size(), changed);
    return r;
  };
  EXPECT_SCREEN_ROW(*s, 3, "  Filename                                             Lines   Chars    Changed");
  EXPECT_SCREEN_ROW(*s, 5, row("a.txt", "1", "4", "No", false));
  EXPECT_SCREEN_ROW(*s, 6, row("b.txt", "2", "11", "Yes", true));
  EXPECT_SCREEN_ROW(*s, 7, row("c.txt", "1", "2", "No", false));
  EXPECT_SCREEN_ROW(*s, 19, "  Curr Dir:   " + real(s->dir()));
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  b.txt");
  // A typed name that is not open: the message, the bell, no switch.
  int bells = s->bells();
  s->keys("zz.txt<CR>");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(named(*s, "b.txt")) << s->dump();
  EXPECT_TRUE(top_shows(*s, "Could not open requested file")) << s->dump();
  // A typed name that is open: switched to it.
  s->keys("<Esc>gc.txt<CR>");
  EXPECT_TRUE(named(*s, "c.txt")) << s->dump();
}

TEST(FilesDialog, DirectoryThatCannotBeEnteredEndsTheDialog) {
  auto s = editor({});
  ASSERT_EQ(mkdir(s->path("sub").c_str(), 0755), 0);
  s->keys("<Esc>efsub<CR>");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: " + real(s->dir()) + "/sub");
  // The directory goes away under the dialog; "." lists it again.
  ASSERT_EQ(rmdir(s->path("sub").c_str()), 0);
  s->keys("<CR>");
  EXPECT_TRUE(top_shows(*s, "No File Selected to Open")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "abc");
  EXPECT_TRUE(s->running());
  // Back in the starting directory.
  s->keys("<Esc>ef");
  EXPECT_SCREEN_ROW(*s, 3, "  Curr Dir: " + real(s->dir()));
  s->keys("<Esc>q");
}

TEST(FilesDialog, MouseClickSelectsTheEntryClicked) {
  auto s = editor({{"b.txt", "b\n"}, {"c.txt", "c\n"}});
  s->keys("<Esc>ef");
  // Button 1 pressed and released on "b.txt" (row 6, second column), in the
  // SGR mouse encoding (1-based column and row).
  s->raw("\x1b[<0;46;7M\x1b[<0;46;7m");
  EXPECT_SCREEN_ROW(*s, 6, entry_row("a.txt", "b.txt", 1));
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  b.txt");
  // A click below the entries, or on an empty place of the page, changes nothing.
  s->raw("\x1b[<0;10;21M\x1b[<0;10;21m");
  s->raw("\x1b[<0;46;8M\x1b[<0;46;8m");
  EXPECT_SCREEN_ROW(*s, 20, "  Curr File:  b.txt");
  // Button 3 on "c.txt" (row 7, first column, past the name).
  s->raw("\x1b[<2;30;8M\x1b[<2;30;8m");
  EXPECT_SCREEN_ROW(*s, 7, entry_row("c.txt", "", 0));
  s->keys("<CR>");
  EXPECT_TRUE(named(*s, "c.txt")) << s->dump();
}

TEST(FilesDialog, WiderScreenShowsMoreColumns) {
  auto s = editor({{"b.txt", "b\n"}, {"c.txt", "c\n"}}, 40, 132);
  s->keys("<Esc>ef");
  std::string r(132, ' ');
  r.replace(2, 2, ">.");
  r.replace(35, 2, "..");
  r.replace(67, 5, "a.txt");
  r.replace(99, 5, "b.txt");
  EXPECT_SCREEN_ROW(*s, 5, r);
  EXPECT_TRUE(s->row(6).rfind("   c.txt", 0) == 0) << s->dump();
  EXPECT_SCREEN_ROW(*s, 36, "  Curr File:  .");
  s->keys("<Esc>q");
}

}  // namespace
