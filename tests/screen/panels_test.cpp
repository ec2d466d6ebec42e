// The information panels and the small commands seen from the terminal: the
// help panel on short and tall screens and from the command line, the about
// and status panels, insert/overwrite, redraw, current line to the top,
// position, paste, execute, the mouse, and every key the help panel names
// reaching the command it names.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <functional>
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

// The help panel's key lines, as the user must see them.
const char* const kHelp[31] = {
    "F1=Again           F2=Block  F3=Column   F4=Jump         F5=Find     F6=Replace",
    "F7=Paste           F8=Edit   F9=DelLine  F10=DeleteEol   F11=Update  F12=Quit  ",
    " ",
    "SHFT-CurUp=Scroll-Up     :   also ESC--  SHFT-CurDn=ScrollDown     : also ESC-+",
    "SHFT-CurLeft=Scroll-Left :   also ESC-(  SHFT-CurRight=ScrollRight : also ESC-)",
    " ",
    "Keypad/=PickLine   Keypad+=NextFile      Keypad*=Info    Keypad-=SelectFile",
    "Keypad5=ExtMotion  Backspace=Rubout      ESC-#=Rubout",
    "CTL-c=CopyLine     CTL-x=CutLine         CTL-v=PasteLine CTL-z=Undo",
    " ",
    "Insert=Ins/Ovr     ESC-Insert=unused     Delete=DelChar  ESC-Delete=DeleteWord",
    "Home=StartOfLine   ESC-Home=unused       End=EndOfLine   ESC-End=unused",
    "PageUp=PageUp      ESC-PageUp=TopOfFile  PageDn=PageDn   ESC-PageDn=EndOfFile",
    "CurLeft=left       ESC-CurLeft=WordLeft  CurRight=right  ESC-CurRight=WordRight",
    "CurUp=up           ESC-CurUp=ParaUp      CurDown=down    ESC-CurDown=ParaDown",
    " ",
    "ESC-a=Again        ESC-b=Block           ESC-c=Column    ESC-d=DelLeft",
    "ESC-e=Edit         ESC-f=Find            ESC-g=GoToFile  ESC-h=Help",
    "ESC-i=Info         ESC-j=Jump            ESC-k=DelRight  ESC-l=DelLine",
    "ESC-m=Macro        ESC-n=NextFile        ESC-o=Option    ESC-p=Paste",
    "ESC-q=Quit         ESC-r=Replace         ESC-s=Status    ESC-t=Tags",
    "ESC-u=Undo         ESC-v=ViewScreen      ESC-w=WrapPara  ESC-x=eXecuteMacro",
    "ESC-y=unused       ESC-z=SelectLine",
    " ",
    "ESC-]=WordRight    ESC-[=WordLeft        ESC-{=ParaUp    ESC-}=ParaDown",
    "ESC-\\=TopOfFile    ESC-~=EndOfFile       ESC->=EndofLine ESC-<=StartOfLine",
    " ",
    "ESC-I=Insert       ESC-O=Overwrite       ESC-D=DelChar   ESC-W=DeleteWord",
    "ESC-B=PageUp       ESC-F=PageDown        ESC-A=AboutKU   ESC-;=ExtMotion",
    "ESC-H=Home         ESC-M=Middle          ESC-L=Last      ESC-U=Update",
    " ",
};

const std::string kRule(80, '-');
const std::string kMasthead = "MacOSX KU v3.5g";

// A title row: the masthead and the title centred on row 0.
std::string centred(const std::string& text, int width = 80) {
  return std::string(static_cast<size_t>((width - static_cast<int>(text.size())) / 2), ' ') + text;
}

std::string numbered(int n) {
  std::string t;
  for (int i = 1; i <= n; i++) t += "line " + std::to_string(i) + "\n";
  return t;
}

bool mode_shows(const Screen& s, const std::string& mode) { return s.row(0).substr(71) == "      " + mode; }

// ---------------------------------------------------------------- help ---

TEST(HelpPanel, TwentyFourRowsShowTwentyLinesThenTheRest) {
  auto s = editor("first line\nsecond\n");
  s->keys("<Down><Right><Right>");
  s->keys("<Esc>h");
  EXPECT_SCREEN_ROW(*s, 0, centred(kMasthead + " - KU Help Panel"));
  for (int i = 0; i < 20; i++) EXPECT_SCREEN_ROW(*s, 2 + i, kHelp[i]) << "help line " << i + 1;
  EXPECT_SCREEN_ROW(*s, 22, kRule);
  EXPECT_SCREEN_ROW(*s, 23, "more... press ENTER to view");
  EXPECT_SCREEN_CURSOR(*s, 0, 0);
  // Only ENTER turns the page.
  int bells = s->bells();
  s->keys("x");
  EXPECT_GT(s->bells(), bells);
  EXPECT_SCREEN_ROW(*s, 23, "more... press ENTER to view");

  s->keys("<CR>");
  for (int i = 20; i < 31; i++) EXPECT_SCREEN_ROW(*s, 2 + i - 20, kHelp[i]) << "help line " << i + 1;
  // The closing line says where to read more; the rows below it are clear.
  EXPECT_NE(s->row(13), std::string(80, ' ')) << s->dump();
  for (int r = 14; r < 22; r++) EXPECT_SCREEN_ROW(*s, r, "");
  EXPECT_SCREEN_ROW(*s, 22, kRule);
  EXPECT_SCREEN_ROW(*s, 23, "ENTER (return to editing)");
  bells = s->bells();
  s->keys("q");
  EXPECT_GT(s->bells(), bells);
  EXPECT_SCREEN_ROW(*s, 23, "ENTER (return to editing)");

  s->keys("<CR>");
  EXPECT_SCREEN_ROW(*s, 1, kRule);
  EXPECT_SCREEN_ROWS(*s, 2, {"first line", "second", ""});
  EXPECT_TRUE(status_shows(*s, "f.txt")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 3, 2);
  EXPECT_TRUE(mode_shows(*s, "INS")) << s->dump();
}

TEST(HelpPanel, FortyRowsShowEveryLineAtOnce) {
  auto s = editor("text\n", 40);
  s->keys("<Esc>h");
  EXPECT_SCREEN_ROW(*s, 0, centred(kMasthead + " - KU Help Panel"));
  for (int i = 0; i < 31; i++) EXPECT_SCREEN_ROW(*s, 2 + i, kHelp[i]) << "help line " << i + 1;
  EXPECT_NE(s->row(33), std::string(80, ' ')) << s->dump();
  for (int r = 34; r < 38; r++) EXPECT_SCREEN_ROW(*s, r, "");
  EXPECT_SCREEN_ROW(*s, 38, kRule);
  EXPECT_SCREEN_ROW(*s, 39, "ENTER (return to editing)");
  s->keys("<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "text");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
}

// The lines are placed for the first line's width: centred on a wider screen.
TEST(HelpPanel, WideScreenCentresTheLines) {
  auto s = editor("text\n", 40, 100);
  s->keys("<Esc>h");
  EXPECT_SCREEN_ROW(*s, 2, std::string(10, ' ') + kHelp[0]);
  EXPECT_SCREEN_ROW(*s, 32, std::string(10, ' ') + kHelp[30]);
  s->keys("<CR>");
}

class HelpOption : public ::testing::TestWithParam<const char*> {};

TEST_P(HelpOption, StartsWithTheHelpPanelThenAnEmptyFile) {
  Options o;
  o.args = {GetParam()};
  Screen s(o);
  ASSERT_TRUE(s.start());
  EXPECT_SCREEN_ROW(s, 0, centred(kMasthead + " - KU Help Panel"));
  for (int i = 0; i < 20; i++) EXPECT_SCREEN_ROW(s, 2 + i, kHelp[i]) << "help line " << i + 1;
  EXPECT_SCREEN_ROW(s, 23, "more... press ENTER to view");
  s.keys("<CR>");
  EXPECT_SCREEN_ROW(s, 2, kHelp[20]);
  s.keys("<CR>");
  ASSERT_TRUE(s.running());
  EXPECT_EQ(s.row(0).rfind(kMasthead, 0), 0u) << s.dump();
  EXPECT_SCREEN_ROW(s, 1, kRule);
  EXPECT_SCREEN_ROW(s, 2, "");
  // The editor works on its empty file as usual.
  s.keys("typed");
  EXPECT_SCREEN_ROW(s, 2, "typed");
}

INSTANTIATE_TEST_SUITE_P(Flags, HelpOption, ::testing::Values("-h", "--help"),
                         [](const auto& info) { return std::string(info.index == 0 ? "Short" : "Long"); });

// --------------------------------------------------------------- about ---

TEST(AboutPanel, SeventeenLinesCentredThenBackToTheText) {
  auto s = editor("text\nmore\n");
  s->keys("<Down>");
  s->keys("<Esc>A");
  EXPECT_SCREEN_ROW(*s, 0, centred(kMasthead + " - About KU (2005)"));
  EXPECT_SCREEN_ROW(*s, 1, kRule);  // the divider stays
  for (int r = 2; r < 19; r++) {
    std::string row = s->row(r);
    EXPECT_EQ(row.substr(0, 3), "   ") << "row " << r;
    EXPECT_EQ(row.substr(76), "    ") << "row " << r;
    // A credits line, a blank line, then fifteen lines of history.
    if (r == 3)
      EXPECT_EQ(row, std::string(80, ' '));
    else
      EXPECT_NE(row[3], ' ') << "row " << r << "\n" << s->dump();
  }
  for (int r = 19; r < 22; r++) EXPECT_SCREEN_ROW(*s, r, "");
  EXPECT_SCREEN_ROW(*s, 22, kRule);
  EXPECT_SCREEN_ROW(*s, 23, "ENTER (return to editing)");
  s->keys("<CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"text", "more"});
  EXPECT_SCREEN_CURSOR(*s, 3, 0);
}

// -------------------------------------------------------------- status ---

TEST(StatusPanel, EveryRowOfAFreshUnixFile) {
  auto s = editor("alpha\nbeta\n");
  s->keys("<Esc>s");
  EXPECT_SCREEN_ROW(*s, 0, centred(kMasthead + " - KU Status Panel "));
  EXPECT_SCREEN_ROWS(*s, 2, {
                                "",
                                "Curr Filename:   f.txt",
                                "Size:            11 Chars, 2 Lines",
                                "File format:     Linux",
                                "",
                                "Block Line Buf:  0 Chars, 0 Lines",
                                "Single Line Buf: 0 Chars, 0 Lines",
                                "Column Buf:      0 Chars, 0 Lines",
                                "",
                                "Undo Actions:    0 Actions in 0 Undo Items",
                                "",
                                "Memory In Use:   43 Bytes",  // (5 + 1 + 16) + (4 + 1 + 16)
                                "",
                                "Files Open:      1",
                                "",
                                "Macros Defined:  0",
                            });
  EXPECT_SCREEN_ROW(*s, 22, kRule);
  EXPECT_SCREEN_ROW(*s, 23, "ENTER (return to editing)");
  s->keys("<CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"alpha", "beta"});
}

TEST(StatusPanel, DosFileWithEditsBuffersAndAMacro) {
  Options o;
  o.args = {"d.txt", "other.txt"};
  Screen s(o);
  s.write_file("d.txt", "one\r\ntwo\r\nthree\r\n");
  s.write_file("other.txt", "x\n");
  ASSERT_TRUE(s.start());
  s.keys("xy");                    // one insert record of two actions
  s.keys("<C-c>");                 // the line into the line delete buffer
  s.keys("<Down><F2>c");           // the second line into the line-block buffer
  s.keys("<Esc>mcm1<CR>z<Esc>ms"); // a macro typing "z"
  ASSERT_TRUE(status_shows(s, "Macro defined: m1")) << s.dump();
  s.keys("<Esc>s");
  EXPECT_SCREEN_ROW(s, 3, "Curr Filename:   d.txt");
  // "xyone", "ztwo", "three", each with CR LF.
  EXPECT_SCREEN_ROW(s, 4, "Size:            20 Chars, 3 Lines");
  EXPECT_SCREEN_ROW(s, 5, "File format:     DOS/Win");
  // The buffers' line counts; their character counts are checked over the
  // store itself (unit tests of the memory figure).
  EXPECT_EQ(s.row(7).rfind("Block Line Buf:  ", 0), 0u) << s.dump();
  EXPECT_NE(s.row(7).find(" Chars, 1 Lines"), std::string::npos) << s.dump();
  EXPECT_EQ(s.row(8).rfind("Single Line Buf: ", 0), 0u) << s.dump();
  EXPECT_NE(s.row(8).find(" Chars, 1 Lines"), std::string::npos) << s.dump();
  EXPECT_SCREEN_ROW(s, 9, "Column Buf:      0 Chars, 0 Lines");
  EXPECT_EQ(s.row(11).rfind("Undo Actions:    ", 0), 0u) << s.dump();
  EXPECT_NE(s.row(11).find(" Actions in "), std::string::npos) << s.dump();
  EXPECT_EQ(s.row(13).rfind("Memory In Use:   ", 0), 0u) << s.dump();
  EXPECT_SCREEN_ROW(s, 15, "Files Open:      2");
  EXPECT_SCREEN_ROW(s, 17, "Macros Defined:  1");
  s.keys("<CR>");
  // The other file is Unix-format.
  s.keys("<Esc>n<Esc>s");
  EXPECT_SCREEN_ROW(s, 3, "Curr Filename:   other.txt");
  EXPECT_SCREEN_ROW(s, 5, "File format:     Linux");
  s.keys("<CR>");
}

TEST(StatusPanel, UndoRowCountsActionsAndRecords) {
  auto s = editor("abc\n");
  s->keys("xyz");  // three characters, one record
  s->keys("<Down>");
  s->keys("<Esc>l");  // a deleted line, a second record
  s->keys("<Esc>s");
  EXPECT_SCREEN_ROW(*s, 11, "Undo Actions:    4 Actions in 2 Undo Items");
  s->keys("<CR>");
}

TEST(StatusPanel, LongNamesAreCutFromTheLeft) {
  std::string name(90, 'n');
  name += ".txt";
  Options o;
  o.args = {name};
  Screen s(o);
  s.write_file(name, "x\n");
  ASSERT_TRUE(s.start());
  s.keys("<Esc>s");
  std::string row = s.row(3);
  EXPECT_EQ(row.rfind("Curr Filename:   ", 0), 0u) << s.dump();
  // 62 characters of the name (the screen width less 18), its end kept.
  std::string shown = row.substr(17);
  while (!shown.empty() && shown.back() == ' ') shown.pop_back();
  EXPECT_EQ(shown.size(), 62u) << s.dump();
  EXPECT_EQ(shown.substr(shown.size() - 8), "nnnn.txt");
  s.keys("<CR>");
}

// ------------------------------------------------- insert and overwrite ---

TEST(TypingModes, InsertTwiceReturnsToTheFirstMode) {
  auto s = editor("abcd\n");
  s->keys("<Ins>");
  EXPECT_TRUE(mode_shows(*s, "OVR")) << s->dump();
  s->keys("X");
  EXPECT_SCREEN_ROW(*s, 2, "Xbcd");
  s->keys("<Ins>");
  EXPECT_TRUE(mode_shows(*s, "INS")) << s->dump();
  s->keys("Y");
  EXPECT_SCREEN_ROW(*s, 2, "XYbcd");
  // Ctrl-O and ESC-I are the same switch.
  s->keys("<C-o>");
  EXPECT_TRUE(mode_shows(*s, "OVR")) << s->dump();
  s->keys("<Esc>I");
  EXPECT_TRUE(mode_shows(*s, "INS")) << s->dump();
  EXPECT_EQ(kufix::saved(*s), "XYbcd\n");
}

TEST(TypingModes, OverwriteCommandAlwaysGivesOverwrite) {
  auto s = editor("abcd\n");
  s->keys("<Esc>O");
  EXPECT_TRUE(mode_shows(*s, "OVR")) << s->dump();
  s->keys("<Esc>O");
  EXPECT_TRUE(mode_shows(*s, "OVR")) << s->dump();
  s->keys("Q");
  EXPECT_SCREEN_ROW(*s, 2, "Qbcd");
  // From overwrite mode, Insert goes back to insert mode.
  s->keys("<Ins>R");
  EXPECT_TRUE(mode_shows(*s, "INS")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "QRbcd");
}

// A line edited in insert mode and then overwritten: the switch takes the
// edited text along.
TEST(TypingModes, SwitchKeepsTheLineBeingEdited) {
  auto s = editor("abc\n");
  s->keys("<End>12<Ins><Left><Left>ZZ");
  EXPECT_SCREEN_ROW(*s, 2, "abcZZ");
  EXPECT_EQ(kufix::saved(*s), "abcZZ\n");
}

// ---------------------------------------------------------- small ones ---

// Another program writing to the terminal (a message from the system, a
// background job) spoils the screen; the redraw command repairs it.
TEST(ViewScreen, RepairsASpoiltScreenAndKeepsTheCursorRow) {
  auto s = editor(numbered(60));
  s->keys("<Esc>7$<Right><Right>");  // line 8, row 9
  s->keys("<Left>");
  s->keys("<Right>");  // the position message is gone
  std::vector<std::string> before = s->rows();
  int fd = open(("/proc/" + std::to_string(s->pid()) + "/fd/1").c_str(), O_WRONLY | O_NOCTTY);
  ASSERT_GE(fd, 0);
  const std::string junk = "\x1b[5;1Hjunk from elsewhere\x1b[1;1Hmore junk";
  ASSERT_EQ(write(fd, junk.data(), junk.size()), static_cast<ssize_t>(junk.size()));
  close(fd);
  s->keys("<Esc>v");
  EXPECT_EQ(s->rows(), before) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 9, 2);
}

TEST(PickLine, CurrentLineGoesToTheTopKeepingTheColumn) {
  auto s = editor(numbered(60));
  s->keys("<Esc>9$<Right><Right><Right>");  // line 10, row 11
  s->keys("<Esc>z");
  EXPECT_SCREEN_ROWS(*s, 2, {"line 10", "line 11"});
  EXPECT_SCREEN_CURSOR(*s, 2, 3);
  // Near the end of a file the window still starts at the current line.
  s->keys("<Esc>~<KDiv>");
  EXPECT_SCREEN_ROW(*s, 2, "line 60");
  EXPECT_SCREEN_ROW(*s, 3, "");
  EXPECT_SCREEN_CURSOR(*s, 2, 3);
}

TEST(Info, ShowsLineColumnAndShare) {
  auto s = editor(numbered(100));
  s->keys("<Esc>9$<Right><Right>");
  s->keys("<Esc>i");
  EXPECT_TRUE(status_shows(*s, "ln:10 col:3  10% (100 lines)")) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 11, 2);
  s->keys("<Esc>~<KMul>");
  EXPECT_TRUE(status_shows(*s, "ln:100 col:3  100% (100 lines)")) << s->dump();
}

TEST(Paste, PutsTheLineBlockBufferAboveTheCurrentLine) {
  auto s = editor("one\ntwo\nthree\nfour\n");
  s->keys("<F7>");
  EXPECT_TRUE(status_shows(*s, "Line buffer empty - Nothing to paste")) << s->dump();
  s->keys("<F2>c");  // "one" into the buffer
  s->keys("<Down><Down><F7>");
  EXPECT_TRUE(status_shows(*s, "1 line(s) pasted")) << s->dump();
  EXPECT_SCREEN_ROWS(*s, 2, {"one", "two", "one", "three", "four"});
  s->keys("<Esc>p");
  EXPECT_SCREEN_ROWS(*s, 2, {"one", "two", "one", "one", "three", "four"});
  EXPECT_EQ(kufix::saved(*s), "one\ntwo\none\none\nthree\nfour\n");
}

TEST(Execute, AsksForTheNameAndRunsTheMacro) {
  auto s = editor("base\n");
  s->keys("<Esc>x");
  EXPECT_TRUE(status_shows(*s, "Macro name: ")) << s->dump();
  s->keys("none<CR>");
  EXPECT_TRUE(status_shows(*s, "No such macro")) << s->dump();
  EXPECT_TRUE(mode_shows(*s, "INS")) << s->dump();
  s->keys("<Esc>mcab<CR>AB<Esc>ms");
  s->keys("<Esc>xab<CR>");
  EXPECT_SCREEN_ROW(*s, 2, "ABABbase");
  // The status line is whole again afterwards.
  EXPECT_TRUE(status_shows(*s, "f.txt")) << s->dump();
  EXPECT_TRUE(mode_shows(*s, "INS")) << s->dump();
}

// --------------------------------------------------------------- mouse ---

// Mouse reports as xterm sends them in its extended mode: 1-based column
// and row, "M" for a press and "m" for a release.
std::string sgr_mouse(int button, int row, int col, bool press) {
  return "\x1b[<" + std::to_string(button) + ";" + std::to_string(col + 1) + ";" + std::to_string(row + 1) +
         (press ? "M" : "m");
}
std::string click(int row, int col) { return sgr_mouse(0, row, col, true) + sgr_mouse(0, row, col, false); }

TEST(Mouse, ClickPlacesTheCursorOnTheLineAndColumn) {
  auto s = editor("first\nsecond\nthird\n");
  s->raw(click(3, 4));
  EXPECT_SCREEN_CURSOR(*s, 3, 4);
  s->keys("X");
  EXPECT_SCREEN_ROW(*s, 3, "secoXnd");
  // Rows 0 and 1 count as the first text row.
  s->raw(click(0, 2));
  EXPECT_SCREEN_CURSOR(*s, 2, 2);
  s->raw(click(1, 1));
  EXPECT_SCREEN_CURSOR(*s, 2, 1);
  s->keys("Y");
  EXPECT_SCREEN_ROW(*s, 2, "fYirst");
}

TEST(Mouse, ClickBelowTheLastLineGoesToTheLastLine) {
  auto s = editor("first\nsecond\nthird\n");
  s->raw(click(15, 10));
  EXPECT_SCREEN_CURSOR(*s, 4, 10);
  s->keys("Z");
  EXPECT_SCREEN_ROW(*s, 4, "third     Z");
  EXPECT_EQ(kufix::saved(*s), "first\nsecond\nthird     Z\n");
}

TEST(Mouse, ClickOnAScrolledWindowCountsFromItsTopLine) {
  auto s = editor(numbered(100));
  s->keys("<PgDn>");
  std::string top = s->row(2);
  s->raw(click(5, 3));
  EXPECT_SCREEN_CURSOR(*s, 5, 3);
  s->keys("<Esc>i");
  // The line three below the window's top line.
  int top_num = std::stoi(top.substr(5));
  EXPECT_TRUE(status_shows(*s, "ln:" + std::to_string(top_num + 3) + " col:4")) << s->dump();
}

TEST(Mouse, OtherEventsAreRefused) {
  auto s = editor("first\nsecond\n");
  s->keys("<Down><Right>");
  int bells = s->bells();
  s->raw(sgr_mouse(64, 2, 3, true));  // wheel up
  EXPECT_TRUE(status_shows(*s, "Unsupported mouse event")) << s->dump();
  EXPECT_GT(s->bells(), bells);
  EXPECT_SCREEN_CURSOR(*s, 3, 1);
  EXPECT_SCREEN_ROWS(*s, 2, {"first", "second"});
}

// ------------------------------------------- the help panel's own keys ---

// Forty paragraphs of five lines: line n reads "line n alpha beta", every
// third line with a long tail, every sixth line empty.
std::string sample_text() {
  std::string t;
  for (int i = 1; i <= 120; i++) {
    if (i % 6 == 0) {
      t += "\n";
      continue;
    }
    t += "line " + std::to_string(i) + " alpha beta";
    if (i % 3 == 0) t += std::string(90, 'x');
    t += "\n";
  }
  return t;
}

struct Probe {
  Screen& s;
  std::string start_row0;
  bool row0_starts(const std::string& text) const { return s.row(0).rfind(text, 0) == 0; }
  bool row0_has(const std::string& text) const { return s.row(0).find(text) != std::string::npos; }
  bool screen_has(const std::string& text) const { return s.contains(text); }
  bool at(int r, int c) const { return s.cursor() == kutest::Pos{r, c}; }
  bool row_is(int r, const std::string& text) const {
    std::string want = text;
    want.resize(80, ' ');
    return s.row(r) == want;
  }
  bool mode(const std::string& m) const { return mode_shows(s, m); }
  bool row_starts(int r, const std::string& text) const { return s.row(r).rfind(text, 0) == 0; }
};

// One key of the help panel: the key as typed and what the command it names
// visibly does from the start state (line 40 on row 11, column 8; the file
// also has "other.txt" open behind it).
struct HelpKey {
  const char* entry;  // as the panel names it
  const char* keys;
  std::function<bool(const Probe&)> did;
};

const std::vector<HelpKey>& help_keys() {
  using P = const Probe&;
  static const std::vector<HelpKey> keys = {
      // Line 1.
      {"F1=Again", "<Esc>l<F1>", [](P p) { return p.row_is(11, "") && p.row_is(12, "line 43 alpha beta"); }},  // two lines gone
      {"F2=Block", "<F2>", [](P p) { return p.row0_starts("Copy  Append  Kill"); }},
      {"F3=Column", "<F3>", [](P p) { return p.row0_starts("Insert  Kill  Delete  Copy"); }},
      {"F4=Jump", "<F4>", [](P p) { return p.row0_starts("Start  End  Line  Tag : "); }},
      {"F5=Find", "<F5>", [](P p) { return p.row0_starts("Find (F10 to clear): "); }},
      {"F6=Replace", "<F6>", [](P p) { return p.row0_starts("Replace (F10 to clear): "); }},
      // Line 2.
      {"F7=Paste", "<F2>c<F7>", [](P p) { return p.row0_has("1 line(s) pasted") && p.row_is(12, "line 40 alpha beta"); }},
      {"F8=Edit", "<F8>", [](P p) { return p.row0_starts("File  New  Menu  + : "); }},
      {"F9=DelLine", "<F9>", [](P p) { return p.row_is(11, "line 41 alpha beta"); }},
      {"F10=DeleteEol", "<F10>", [](P p) { return p.row_is(11, "line 40 "); }},
      {"F11=Update", "<F11>", [](P p) { return p.row0_has("File has been written"); }},
      {"F12=Quit", "<F12>", [](P p) { return p.row0_starts("Abs/All  Save  Discard/Quit"); }},
      // Lines 4 and 5: half-page and half-screen scrolls.
      // A half-screen scroll moves 11 lines on 24 rows, the cursor keeping its place.
      {"SHFT-CurUp=Scroll-Up", "<S-Up>", [](P p) { return p.row_is(11, "line 29 alpha beta") && p.at(11, 8); }},
      {"ESC--", "<Esc>-", [](P p) { return p.row_is(11, "line 29 alpha beta") && p.at(11, 8); }},
      {"SHFT-CurDn=ScrollDown", "<S-Down>", [](P p) { return p.row_starts(11, "line 51 alpha betaxxx") && p.at(11, 8); }},
      {"ESC-+", "<Esc>+", [](P p) { return p.row_starts(11, "line 51 alpha betaxxx") && p.at(11, 8); }},
      {"SHFT-CurLeft=Scroll-Left", "<Esc>)<S-Left>", [](P p) { return p.row_is(11, "line 40 alpha beta"); }},
      {"ESC-(", "<Esc>)<Esc>(", [](P p) { return p.row_is(11, "line 40 alpha beta"); }},
      {"SHFT-CurRight=ScrollRight", "<S-Right>", [](P p) { return !p.screen_has("line 40 alpha beta"); }},
      {"ESC-)", "<Esc>)", [](P p) { return !p.screen_has("line 40 alpha beta"); }},
      // Line 7.
      {"Keypad/=PickLine", "<KDiv>", [](P p) { return p.row_is(2, "line 40 alpha beta") && p.at(2, 8); }},
      {"Keypad+=NextFile", "<KPlus>", [](P p) { return p.row_is(2, "other file") && p.row0_has("other.txt"); }},
      {"Keypad*=Info", "<KMul>", [](P p) { return p.row0_has("ln:40 col:9"); }},
      {"Keypad-=SelectFile", "<KMinus>", [](P p) { return p.screen_has(" - Select File to Switch To"); }},
      // Line 8.
      {"Keypad5=ExtMotion", "<K5>", [](P p) { return p.at(11, 79); }},  // after moving right: the right edge
      {"Backspace=Rubout", "<BS>", [](P p) { return p.row_is(11, "line 40alpha beta") && p.at(11, 7); }},
      {"ESC-#=Rubout", "<Esc>#", [](P p) { return p.row_is(11, "line 40alpha beta") && p.at(11, 7); }},
      // Line 9.
      {"CTL-c=CopyLine", "<C-c><Down><C-v>", [](P p) { return p.row_is(12, "line 40 alpha beta") && p.row_is(13, "line 41 alpha beta"); }},
      {"CTL-x=CutLine", "<C-x>", [](P p) { return p.row_is(11, "line 41 alpha beta"); }},
      {"CTL-v=PasteLine", "<C-x><C-v><C-v>", [](P p) { return p.row_is(11, "line 40 alpha beta") && p.row_is(12, "line 40 alpha beta"); }},
      {"CTL-z=Undo", "<C-x><C-z>", [](P p) { return p.row_is(11, "line 40 alpha beta") && p.row_is(12, "line 41 alpha beta"); }},
      // Line 11.
      {"Insert=Ins/Ovr", "<Ins>", [](P p) { return p.mode("OVR"); }},
      {"ESC-Insert=unused", "<Esc><Ins>", [](P p) { return p.mode("OVR"); }},  // the same switch
      {"Delete=DelChar", "<Del>", [](P p) { return p.row_is(11, "line 40 lpha beta") && p.at(11, 8); }},
      {"ESC-Delete=DeleteWord", "<Esc><Del>", [](P p) { return p.row_is(11, "line 40  beta") && p.at(11, 8); }},
      // Line 12.
      {"Home=StartOfLine", "<Home>", [](P p) { return p.at(11, 0); }},
      {"ESC-Home=unused", "<Esc><Home>", [](P p) { return p.at(11, 0); }},  // as Home
      {"End=EndOfLine", "<End>", [](P p) { return p.at(11, 18); }},
      {"ESC-End=unused", "<Esc><End>", [](P p) { return p.at(11, 18); }},  // as End
      // Line 13.
      {"PageUp=PageUp", "<PgUp>", [](P p) { return p.row_is(11, "line 19 alpha beta") && p.at(11, 8); }},
      {"ESC-PageUp=TopOfFile", "<Esc><PgUp>", [](P p) { return p.row_is(2, "line 1 alpha beta") && p.at(2, 8); }},
      {"PageDn=PageDn", "<PgDn>", [](P p) { return p.row_is(11, "line 61 alpha beta") && p.at(11, 8); }},
      {"ESC-PageDn=EndOfFile", "<Esc><PgDn>", [](P p) { return p.screen_has("line 119 alpha beta"); }},
      // Line 14.
      {"CurLeft=left", "<Left>", [](P p) { return p.at(11, 7); }},
      {"ESC-CurLeft=WordLeft", "<Esc><Left>", [](P p) { return p.at(11, 5); }},
      {"CurRight=right", "<Right>", [](P p) { return p.at(11, 9); }},
      {"ESC-CurRight=WordRight", "<Esc><Right>", [](P p) { return p.at(11, 14); }},
      // Line 15.
      {"CurUp=up", "<Up>", [](P p) { return p.at(10, 8); }},
      {"ESC-CurUp=ParaUp", "<Esc><Up>", [](P p) { return p.at(8, 0); }},  // line 37 starts the paragraph
      {"CurDown=down", "<Down>", [](P p) { return p.at(12, 8); }},
      {"ESC-CurDown=ParaDown", "<Esc><Down>", [](P p) { return p.at(13, 0); }},  // line 43 starts the next
      // Line 17.
      {"ESC-a=Again", "<Esc>l<Esc>a", [](P p) { return p.row_is(11, "") && p.row_is(12, "line 43 alpha beta"); }},
      {"ESC-b=Block", "<Esc>b", [](P p) { return p.row0_starts("Copy  Append  Kill"); }},
      {"ESC-c=Column", "<Esc>c", [](P p) { return p.row0_starts("Insert  Kill  Delete  Copy"); }},
      {"ESC-d=DelLeft", "<Esc>d", [](P p) { return p.row_is(11, "alpha beta") && p.at(11, 0); }},
      // Line 18.
      {"ESC-e=Edit", "<Esc>e", [](P p) { return p.row0_starts("File  New  Menu  + : "); }},
      {"ESC-f=Find", "<Esc>f", [](P p) { return p.row0_starts("Find (F10 to clear): "); }},
      {"ESC-g=GoToFile", "<Esc>g", [](P p) { return p.screen_has(" - Select File to Switch To"); }},
      {"ESC-h=Help", "<Esc>h", [](P p) { return p.screen_has(" - KU Help Panel"); }},
      // Line 19.
      {"ESC-i=Info", "<Esc>i", [](P p) { return p.row0_has("ln:40 col:9"); }},
      {"ESC-j=Jump", "<Esc>j", [](P p) { return p.row0_starts("Start  End  Line  Tag : "); }},
      {"ESC-k=DelRight", "<Esc>k", [](P p) { return p.row_is(11, "line 40 "); }},
      {"ESC-l=DelLine", "<Esc>l", [](P p) { return p.row_is(11, "line 41 alpha beta"); }},
      // Line 20.
      {"ESC-m=Macro", "<Esc>m", [](P p) { return p.row0_starts("Create  Stop  Delete  Write  Read"); }},
      {"ESC-n=NextFile", "<Esc>n", [](P p) { return p.row_is(2, "other file") && p.row0_has("other.txt"); }},
      {"ESC-o=Option", "<Esc>o", [](P p) { return p.row0_starts("Tabs  Indent  Wrap"); }},
      {"ESC-p=Paste", "<F2>c<Esc>p", [](P p) { return p.row0_has("1 line(s) pasted"); }},
      // Line 21.
      {"ESC-q=Quit", "<Esc>q", [](P p) { return p.row0_starts("Abs/All  Save  Discard/Quit"); }},
      {"ESC-r=Replace", "<Esc>r", [](P p) { return p.row0_starts("Replace (F10 to clear): "); }},
      {"ESC-s=Status", "<Esc>s", [](P p) { return p.screen_has(" - KU Status Panel"); }},
      {"ESC-t=Tags", "<Esc>t", [](P p) { return p.row0_starts("0-9  Clear  List  Jump : "); }},
      // Line 22.
      {"ESC-u=Undo", "<Esc>l<Esc>u", [](P p) { return p.row_is(11, "line 40 alpha beta"); }},
      {"ESC-v=ViewScreen", "<Esc>v", [](P p) { return p.row_is(11, "line 40 alpha beta") && p.at(11, 8); }},
      {"ESC-w=WrapPara", "<Esc>w", [](P p) { return p.row_is(10, "line 40 alpha beta line 41 alpha beta"); }},
      {"ESC-x=eXecuteMacro", "<Esc>x", [](P p) { return p.row0_has("Macro name: "); }},
      // Line 23.
      {"ESC-y=unused", "<Esc>y", [](P p) { return p.row0_has("Unknown command") && p.at(11, 8); }},
      {"ESC-z=SelectLine", "<Esc>z", [](P p) { return p.row_is(2, "line 40 alpha beta") && p.at(2, 8); }},
      // Line 25.
      {"ESC-]=WordRight", "<Esc>]", [](P p) { return p.at(11, 14); }},
      {"ESC-[=WordLeft", "<Esc>[", [](P p) { return p.at(11, 5); }},
      {"ESC-{=ParaUp", "<Esc>{", [](P p) { return p.at(8, 0); }},
      {"ESC-}=ParaDown", "<Esc>}", [](P p) { return p.at(13, 0); }},
      // Line 26.
      {"ESC-\\=TopOfFile", "<Esc>\\", [](P p) { return p.row_is(2, "line 1 alpha beta"); }},
      {"ESC-~=EndOfFile", "<Esc>~", [](P p) { return p.screen_has("line 119 alpha beta"); }},
      {"ESC->=EndofLine", "<Esc>>", [](P p) { return p.at(11, 18); }},
      {"ESC-<=StartOfLine", "<Esc><lt>", [](P p) { return p.at(11, 0); }},
      // Line 28.
      {"ESC-I=Insert", "<Esc>I", [](P p) { return p.mode("OVR"); }},
      {"ESC-O=Overwrite", "<Esc>O", [](P p) { return p.mode("OVR"); }},
      {"ESC-D=DelChar", "<Esc>D", [](P p) { return p.row_is(11, "line 40 lpha beta"); }},
      {"ESC-W=DeleteWord", "<Esc>W", [](P p) { return p.row_is(11, "line 40  beta"); }},
      // Line 29.
      {"ESC-B=PageUp", "<Esc>B", [](P p) { return p.row_is(11, "line 19 alpha beta") && p.at(11, 8); }},
      {"ESC-F=PageDown", "<Esc>F", [](P p) { return p.row_is(11, "line 61 alpha beta") && p.at(11, 8); }},
      {"ESC-A=AboutKU", "<Esc>A", [](P p) { return p.screen_has(" - About KU (2005)"); }},
      {"ESC-;=ExtMotion", "<Esc>;", [](P p) { return p.at(11, 18); }},  // after moving right: the line's end
      // Line 30.
      {"ESC-H=Home", "<Esc>H", [](P p) { return p.at(2, 8); }},
      {"ESC-M=Middle", "<Esc>M", [](P p) { return p.at(12, 8); }},  // half a page below the top row
      {"ESC-L=Last", "<Esc>L", [](P p) { return p.at(23, 8); }},
      {"ESC-U=Update", "<Esc>U", [](P p) { return p.row0_has("File has been written"); }},
  };
  return keys;
}

// The start state: f.txt on line 40 (row 11), column 8, with other.txt open
// behind it.
std::unique_ptr<Screen> help_key_editor() {
  Options o;
  o.args = {"f.txt", "other.txt"};
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", sample_text());
  s->write_file("other.txt", "other file\n");
  if (!s->start()) return nullptr;
  s->keys("<Esc>jL40<CR>");
  s->keys("<Esc>8.");
  return s;
}

class HelpPanelKey : public ::testing::TestWithParam<size_t> {};

TEST_P(HelpPanelKey, DoesWhatThePanelSays) {
  const HelpKey& k = help_keys()[GetParam()];
  auto s = help_key_editor();
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->row_is(11, "line 40 alpha beta")) << s->dump();
  ASSERT_TRUE(s->cursor_is(11, 8));
  ASSERT_TRUE(s->keys(k.keys));
  Probe p{*s, ""};
  EXPECT_TRUE(k.did(p)) << k.entry << " typed as " << k.keys << "\n" << s->dump();
}

// Every entry of the panel is in the table (the blank lines name none).
TEST(HelpPanelKey, TableCoversEveryEntryOfThePanel) {
  std::vector<std::string> named;
  for (const char* line : kHelp) {
    std::string l = line;
    for (size_t at = 0; (at = l.find('=', at)) != std::string::npos; at++) {
      size_t from = l.rfind(' ', at);
      named.push_back(l.substr(from == std::string::npos ? 0 : from + 1, at - (from == std::string::npos ? 0 : from + 1)));
    }
  }
  std::vector<std::string> tested;
  for (const HelpKey& k : help_keys()) tested.push_back(std::string(k.entry).substr(0, std::string(k.entry).find('=')));
  for (const std::string& n : named)
    EXPECT_NE(std::find(tested.begin(), tested.end(), n), tested.end()) << n << " is not tested";
}

INSTANTIATE_TEST_SUITE_P(Entries, HelpPanelKey, ::testing::Range<size_t>(0, help_keys().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           std::string n;
                           for (const char* c = help_keys()[info.param].entry; *c && *c != '='; c++)
                             n += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           return n + "_" + std::to_string(info.param);
                         });

}  // namespace
