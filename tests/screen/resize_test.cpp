// Resizing the terminal under the editor: the text, the status line and the
// cursor follow the new size, whatever owns the screen at that moment (the
// text, a menu, a prompt, the file dialog, a panel); below 80x20 a notice
// waits for a usable size; nothing typed or held is lost.
#include <signal.h>

#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Pos;
using kutest::Screen;

constexpr const char* kNotice = "KU requires at least 20 rows and 80 columns";

// Forty lines "line NN" followed by a run of distinct characters, and one
// long line (number 20) of 300 characters.
std::vector<std::string> sample_lines() {
  std::vector<std::string> v;
  for (int i = 1; i <= 40; i++) {
    std::string t = "line " + std::to_string(100 + i) + " ";
    if (i == 20)
      for (int c = 0; static_cast<int>(t.size()) < 300; c++) t.push_back(static_cast<char>('A' + c % 26));
    v.push_back(t);
  }
  return v;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& l : v) s += l + "\n";
  return s;
}

// The screen shows the status line (file name) and a full divider, and the
// cursor sits on `ch` on a text row.
void expect_editing_screen(const Screen& s, char ch, const char* where) {
  SCOPED_TRACE(where);
  EXPECT_TRUE(kufix::status_shows(s, "f.txt")) << s.dump();
  EXPECT_SCREEN_ROW(s, 1, std::string(static_cast<size_t>(std::min(s.width(), 511)), '-'));
  Pos p = s.cursor();
  EXPECT_GE(p.row, 2) << s.dump();
  EXPECT_LT(p.row, s.height()) << s.dump();
  EXPECT_EQ(s.cell(p.row, p.col).ch, ch) << s.dump();
}

// Whether the screen shows the too-small notice and nothing else of the editor.
// On a narrow terminal the notice is broken over rows.
bool shows_notice(const Screen& s) {
  if (s.width() >= 44) return s.row(0).rfind(kNotice, 0) == 0 && !s.contains("f.txt");
  return s.row(0).rfind("KU requires at least", 0) == 0 && !s.contains("f.txt");
}

TEST(Resize, TextFollowsEverySizeAndNothingIsLost) {
  std::vector<std::string> text = sample_lines();
  auto s = kufix::editor(joined(text));
  // To line 15, column 5: the cursor on row 16 at the '1' of "115".
  s->keys("<Down><Down><Down><Down><Down><Down><Down><Down><Down><Down><Down><Down><Down><Down>");
  s->keys("<Right><Right><Right><Right><Right>");
  expect_editing_screen(*s, '1', "80x24 start");
  EXPECT_SCREEN_CURSOR(*s, 16, 5);

  ASSERT_TRUE(s->resize(40, 132));
  expect_editing_screen(*s, '1', "132x40");
  EXPECT_SCREEN_ROW(*s, s->cursor().row, text[14]);
  EXPECT_SCREEN_ROW(*s, 2, text[0]);  // the window still starts at the top
  EXPECT_SCREEN_ROW(*s, 39, text[37]);
  s->keys("X");  // typed where the cursor shows
  text[14].insert(5, "X");
  EXPECT_SCREEN_ROW(*s, s->cursor().row, text[14]);

  ASSERT_TRUE(s->resize(20, 80));
  expect_editing_screen(*s, '1', "80x20");
  EXPECT_SCREEN_ROW(*s, s->cursor().row, text[14]);
  EXPECT_EQ(s->cursor().col, 6);

  ASSERT_TRUE(s->resize(15, 60));
  EXPECT_TRUE(shows_notice(*s)) << s->dump();
  int bells = s->bells();
  s->keys("zz<CR><Esc>q");  // refused while too small: only bells
  EXPECT_GE(s->bells(), bells + 4);
  EXPECT_TRUE(shows_notice(*s)) << s->dump();

  ASSERT_TRUE(s->resize(30, 100));
  expect_editing_screen(*s, '1', "100x30");
  EXPECT_SCREEN_ROW(*s, s->cursor().row, text[14]);
  EXPECT_EQ(s->cursor().col, 6);

  // Far into the long line: the aperture keeps the cursor's character in
  // view through each size, and what is typed lands there.
  s->keys("<Down><Down><Down><Down><Down><End>");
  char last = text[19].back();
  expect_editing_screen(*s, ' ', "long line end 100x30");
  for (auto [rows, cols] : std::vector<std::pair<int, int>>{{24, 80}, {40, 132}, {20, 80}}) {
    ASSERT_TRUE(s->resize(rows, cols));
    Pos p = s->cursor();
    EXPECT_EQ(s->cell(p.row, p.col - 1).ch, last) << rows << "x" << cols << "\n" << s->dump();
  }
  s->keys("Q");
  text[19] += "Q";
  EXPECT_EQ(kufix::saved(*s), joined(text));
}

TEST(Resize, CurrentLineStaysOnScreenWhenRowsGo) {
  std::vector<std::string> text = sample_lines();
  auto s = kufix::editor(joined(text), 40, 132);
  for (int i = 0; i < 30; i++) s->keys("<Down>", false);
  s->settle();
  EXPECT_SCREEN_CURSOR(*s, 32, 0);
  ASSERT_TRUE(s->resize(20, 80));
  // Line 31 is on the last row now, the lines above it fill the window.
  EXPECT_SCREEN_CURSOR(*s, 19, 0);
  EXPECT_SCREEN_ROW(*s, 19, text[30]);
  EXPECT_SCREEN_ROW(*s, 2, text[13]);
  s->keys("<Down>");
  EXPECT_EQ(s->row(s->cursor().row).substr(0, 8), "line 132");
}

TEST(Resize, QuitMenuIsRedrawnAndStillAnswers) {
  auto s = kufix::editor("abc\n");
  s->keys("x<Esc>q");
  ASSERT_TRUE(kufix::status_shows(*s, "Abs/All  Save")) << s->dump();
  ASSERT_TRUE(s->resize(40, 132));
  EXPECT_EQ(s->row(0).rfind("Abs/All  Save  Discard/Quit  Replace  Write  Update : ", 0), 0u) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "xabc");
  EXPECT_EQ(s->cursor().row, 0);
  ASSERT_TRUE(s->resize(15, 60));
  EXPECT_TRUE(shows_notice(*s)) << s->dump();
  ASSERT_TRUE(s->resize(24, 80));
  EXPECT_EQ(s->row(0).rfind("Abs/All  Save", 0), 0u) << s->dump();
  s->keys("s");  // save and quit
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
  EXPECT_EQ(s->read_file("f.txt"), "xabc\n");
}

TEST(Resize, FindPromptKeepsItsAnswer) {
  auto s = kufix::editor("one\ntwo\nthree needle\nfour\n");
  s->keys("<Esc>fnee");
  ASSERT_EQ(s->row(0).rfind("Find (F10 to clear): nee", 0), 0u) << s->dump();
  ASSERT_TRUE(s->resize(40, 132));
  EXPECT_EQ(s->row(0).rfind("Find (F10 to clear): nee", 0), 0u) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 0, 24);
  EXPECT_SCREEN_ROW(*s, 4, "three needle");
  ASSERT_TRUE(s->resize(15, 60));
  s->keys("xx");  // refused: not part of the answer
  ASSERT_TRUE(s->resize(20, 80));
  EXPECT_EQ(s->row(0).rfind("Find (F10 to clear): nee", 0), 0u) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 0, 24);
  s->keys("dle<CR>");
  EXPECT_SCREEN_CURSOR(*s, 4, 6);
  EXPECT_TRUE(kufix::status_shows(*s, "f.txt")) << s->dump();
}

TEST(Resize, FileDialogIsLaidOutForTheNewSize) {
  Options o;
  o.args = {"f.txt"};
  Screen s(o);
  s.write_file("f.txt", "abc\n");
  s.write_file("other.txt", "other\n");
  ASSERT_TRUE(s.start());
  s.keys("<Esc>ef");
  ASSERT_EQ(s.row(23).rfind("CurUp/CurDn", 0), 0u) << s.dump();
  ASSERT_TRUE(s.resize(40, 132));
  EXPECT_EQ(s.row(39).rfind("CurUp/CurDn", 0), 0u) << s.dump();
  EXPECT_SCREEN_ROW(s, 38, std::string(132, '-'));
  EXPECT_EQ(s.row(36).rfind("  Curr File:  .", 0), 0u) << s.dump();
  EXPECT_TRUE(s.row(0).find("Page 1/1") != std::string::npos) << s.dump();
  EXPECT_EQ(s.cell(5, 2).ch, '>');
  EXPECT_SCREEN_CURSOR(s, 5, 2);
  // A name half typed survives a resize, with its cursor.
  s.keys("oth");
  ASSERT_TRUE(s.resize(20, 80));
  EXPECT_EQ(s.row(16).rfind("  Curr File:  oth", 0), 0u) << s.dump();
  EXPECT_SCREEN_CURSOR(s, 16, 17);
  EXPECT_EQ(s.row(19).rfind("CurUp/CurDn", 0), 0u) << s.dump();
  s.keys("er.txt<CR>");
  EXPECT_SCREEN_ROW(s, 2, "other");
  EXPECT_TRUE(kufix::status_shows(s, "other.txt")) << s.dump();
}

TEST(Resize, HelpPanelIsRedrawnThenTextComesBack) {
  auto s = kufix::editor("abc\ndef\n");
  s->keys("<Esc>h");
  ASSERT_EQ(s->row(23).rfind("more... press ENTER to view", 0), 0u) << s->dump();
  // 40 rows hold the whole help: one page.
  ASSERT_TRUE(s->resize(40, 132));
  EXPECT_TRUE(s->row(0).find("KU Help Panel") != std::string::npos) << s->dump();
  EXPECT_EQ(s->row(39).rfind("ENTER (return to editing)", 0), 0u) << s->dump();
  EXPECT_TRUE(s->contains("The user manual")) << s->dump();
  EXPECT_EQ(s->find("F1=Again")->col, 26);  // centred on 132 columns
  // Back to 24 rows: two pages again.
  ASSERT_TRUE(s->resize(24, 80));
  EXPECT_EQ(s->row(23).rfind("more... press ENTER to view", 0), 0u) << s->dump();
  s->keys("<CR>");
  EXPECT_EQ(s->row(23).rfind("ENTER (return to editing)", 0), 0u) << s->dump();
  EXPECT_TRUE(s->contains("The user manual")) << s->dump();
  ASSERT_TRUE(s->resize(30, 100));
  EXPECT_EQ(s->row(29).rfind("ENTER (return to editing)", 0), 0u) << s->dump();
  s->keys("<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "abc");
  EXPECT_SCREEN_ROW(*s, 3, "def");
  EXPECT_TRUE(kufix::status_shows(*s, "f.txt")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
}

// Wider than 511 columns the editor uses the first 511 and leaves the rest
// blank: text columns always fit the aperture.
TEST(Resize, WiderThan511ColumnsUsesTheFirst511) {
  std::string long_line;
  for (int i = 0; i < 380; i++) long_line.push_back(static_cast<char>('a' + i % 26));
  auto s = kufix::editor(long_line + "\nshort\n");
  ASSERT_TRUE(s->resize(30, 520));
  EXPECT_SCREEN_ROW(*s, 1, std::string(511, '-'));
  EXPECT_SCREEN_ROW(*s, 2, long_line);
  s->keys("<End>Z");
  EXPECT_SCREEN_ROW(*s, 2, long_line + "Z");
  EXPECT_SCREEN_CURSOR(*s, 2, 381);
  ASSERT_TRUE(s->resize(24, 80));
  Pos p = s->cursor();
  EXPECT_EQ(s->cell(p.row, p.col - 1).ch, 'Z') << s->dump();
  EXPECT_EQ(kufix::saved(*s), long_line + "Z\nshort\n");
}

// The terminal going away while the notice waits still saves the text.
TEST(Resize, LostTerminalWhileTooSmallSavesTheText) {
  auto s = kufix::editor("abc\n");
  s->keys("x");
  ASSERT_TRUE(s->resize(10, 40));
  ASSERT_TRUE(shows_notice(*s)) << s->dump();
  EXPECT_SCREEN_ROWS(*s, 0, {"KU requires at least 20 rows and 80", "columns", "Enlarge the terminal to continue"});
  s->close_pty();
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 128 + SIGHUP);
  EXPECT_EQ(s->read_file("f.txt.save"), "xabc\n");
  EXPECT_EQ(s->read_file("f.txt"), "abc\n");
}

// A macro recorded across a resize holds only the keys typed; the list of
// macros (a plain information page) is redrawn with its rows at a new size.
TEST(Resize, MacroRecordedAcrossAResizeHoldsOnlyTheKeys) {
  auto s = kufix::editor("abc\n");
  s->keys("<Esc>mcr<CR>");
  ASSERT_TRUE(kufix::status_shows(*s, "Defining macro: r")) << s->dump();
  s->keys("12");
  ASSERT_TRUE(s->resize(30, 100));
  s->keys("3<Esc>ms");
  EXPECT_SCREEN_ROW(*s, 2, "123abc");
  s->keys("<Esc>ml");
  std::string entry = "0       r";
  entry.resize(32, ' ');
  ASSERT_SCREEN_ROW(*s, 5, entry + "3");
  ASSERT_TRUE(s->resize(24, 80));
  EXPECT_TRUE(kufix::status_shows(*s, "Available Macros")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 3, "Idx     Macro Name              Macro Size");
  EXPECT_SCREEN_ROW(*s, 5, entry + "3");
  EXPECT_SCREEN_ROW(*s, 22, std::string(80, '-'));
  EXPECT_SCREEN_ROW(*s, 23, "ENTER (return to editing)");
  s->keys("<CR><Esc>xr<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "123123abc") << s->dump();
}

}  // namespace
