// Deletion and line joining seen from the terminal: Delete, Backspace in
// both typing modes, F10 and ESC-d, F9, joins and their limit, on short,
// long and empty lines and at both ends of the file; the stored text is
// checked by writing the file (F11).
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

// A line of n characters naming its columns: a letter at every tenth
// column, digits between.
std::string ruler(int n, char tag = 'a') {
  std::string s;
  for (int c = 0; c < n; c++) s.push_back(c % 10 == 0 ? static_cast<char>(tag + (c / 10) % 26) : static_cast<char>('0' + c % 10));
  return s;
}

struct DeleteCase {
  const char* name;
  std::string text;      // the file
  const char* keys;      // what is typed
  std::string result;    // the file written afterwards
  std::vector<std::string> rows;  // rows 2, 3, ... afterwards
  int cur_row, cur_col;  // the cursor afterwards
};

TEST(Delete, TableOfDeletions) {
  const std::string r100 = ruler(100);
  const DeleteCase cases[] = {
      {"Delete inside a short line", "abcdef\nxyz\n", "<Right><Right><Del>", "abdef\nxyz\n", {"abdef", "xyz"}, 2, 2},
      {"Delete at the end of the text joins the next line", "abc\nxyz\nend\n", "<End><Del>", "abcxyz\nend\n",
       {"abcxyz", "end", ""}, 2, 3},
      {"Delete beyond the end of the text does nothing", "abc\nxyz\n", "<Esc>5<Right><Del>", "abc\nxyz\n",
       {"abc", "xyz"}, 2, 5},
      {"Delete at the end of the last line does nothing", "abc\nxyz\n", "<Down><End><Del>", "abc\nxyz\n",
       {"abc", "xyz"}, 3, 3},
      {"Delete on an empty line joins the next", "\nxyz\n", "<Del>", "xyz\n", {"xyz", ""}, 2, 0},
      {"Delete the last character empties the line", "a\nb\n", "<Del>", "\nb\n", {"", "b"}, 2, 0},
      {"Delete emptying a line shortened by F10 empties the stored line", "abcdef\nb\n", "<Right><F10><S-Left><Del>",
       "\nb\n", {"", "b"}, 2, 0},
      {"Delete on a long line draws the column coming in at the right edge", r100 + "\n", "<Esc>5<Right><Del>",
       r100.substr(0, 5) + r100.substr(6) + "\n", {r100.substr(0, 5) + r100.substr(6, 75)}, 2, 5},
      {"Backspace in insert mode removes the character left of the cursor", "abcdef\n", "<Right><Right><BS>",
       "acdef\n", {"acdef"}, 2, 1},
      {"Backspace at column 0 joins the line to the previous one", "abc\nxyz\nend\n", "<Down><BS>", "abcxyz\nend\n",
       {"abcxyz", "end", ""}, 2, 3},
      {"Backspace at column 0 of the first line does nothing", "abc\n", "<BS>", "abc\n", {"abc"}, 2, 0},
      {"Backspace beyond the end only moves left", "abc\n", "<Esc>6<Right><BS>", "abc\n", {"abc"}, 2, 5},
      {"Backspace in overwrite mode only moves left", "abcdef\n", "<Ins><Right><Right><Right><BS><BS>", "abcdef\n",
       {"abcdef"}, 2, 1},
      {"F10 inside a line deletes to its end", "abcdef\nxyz\n", "<Right><Right><F10>", "ab\nxyz\n", {"ab", "xyz"}, 2, 2},
      {"F10 at column 0 empties the line, which stays", "abcdef\nxyz\n", "<F10>", "\nxyz\n", {"", "xyz"}, 2, 0},
      {"F10 at the end of the text does nothing", "abc\n", "<End><F10>", "abc\n", {"abc"}, 2, 3},
      {"F10 on a long line clears the rest of the row", r100 + "\n", "<Esc>30<Right><F10>", r100.substr(0, 30) + "\n",
       {r100.substr(0, 30)}, 2, 30},
      {"ESC d deletes left of the cursor", "abcdef\nxyz\n", "<Esc>3<Right><Esc>d", "def\nxyz\n", {"def", "xyz"}, 2, 0},
      {"ESC d at the end empties the line", "abc\n", "<End><Esc>d", "\n", {""}, 2, 0},
      {"ESC d beyond the end does nothing", "abc\n", "<Esc>4<Right><Esc>d", "abc\n", {"abc"}, 2, 4},
      {"ESC d on a long line draws the text moved into view", r100 + "\n", "<Esc>10<Right><Esc>d",
       r100.substr(10) + "\n", {r100.substr(10, 80)}, 2, 0},
      {"F9 on the first line", "one\ntwo\nthree\n", "<F9>", "two\nthree\n", {"two", "three", ""}, 2, 0},
      {"F9 in the middle keeps the row and column", "one\ntwo\nthree\n", "<Down><Right><F9>", "one\nthree\n",
       {"one", "three", ""}, 3, 1},
      {"F9 on the last line makes the line above current, one row higher", "one\ntwo\nthree\n", "<Down><Down><F9>",
       "one\ntwo\n", {"one", "two", ""}, 3, 0},
      {"F9 on the only line leaves one empty line", "only\n", "<F9>", "\n", {"", ""}, 2, 0},
      {"F9 twice on the only line still leaves one empty line", "only\n", "<F9><F9>", "\n", {""}, 2, 0},
      {"F9 on an empty line", "one\n\nthree\n", "<Down><F9>", "one\nthree\n", {"one", "three"}, 3, 0},
      {"a count larger than the file empties it to one line", "a\nb\nc\n", "<Esc>9<F9>", "\n", {"", ""}, 2, 0},
  };
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = editor(c.text);
    s->keys(c.keys);
    for (size_t i = 0; i < c.rows.size(); i++) EXPECT_SCREEN_ROW(*s, 2 + static_cast<int>(i), c.rows[i]);
    EXPECT_SCREEN_CURSOR(*s, c.cur_row, c.cur_col);
    EXPECT_EQ(saved(*s), c.result);
  }
}

// Joins are refused when the joined line would pass 381 characters.
TEST(Delete, JoinLimit) {
  struct Case {
    int a, b;
    bool joins;
  };
  for (Case c : {Case{200, 181, true}, Case{200, 182, false}}) {
    SCOPED_TRACE(std::to_string(c.a) + "+" + std::to_string(c.b));
    const std::string first(static_cast<size_t>(c.a), 'a'), second(static_cast<size_t>(c.b), 'b');
    const std::string text = first + "\n" + second + "\n";
    for (const char* keys : {"<End><Del>", "<Down><BS>"}) {
      SCOPED_TRACE(keys);
      auto s = editor(text);
      s->keys(keys);
      EXPECT_EQ(status_shows(*s, "Can't join lines - lines too long"), !c.joins) << s->dump();
      // Either way the cursor stands after the first line's text (column
      // 200, which the aperture shows at terminal column 69).
      EXPECT_SCREEN_CURSOR(*s, 2, 69);
      EXPECT_EQ(saved(*s), c.joins ? first + second + "\n" : text);
    }
  }
}

// Deleting a line in a full window closes the gap and draws the line that
// comes up at the foot of the window, without redrawing the rest.
TEST(Delete, LineDeleteFillsTheFootOfTheWindow) {
  std::string text;
  for (int i = 1; i <= 60; i++) text += "line " + std::to_string(i) + "\n";
  auto s = editor(text);
  s->keys("<Esc>5<Down>");
  size_t before = s->output().size();
  s->keys("<F9>");
  std::string out = s->output().substr(before);
  EXPECT_SCREEN_ROW(*s, 7, "line 7");
  EXPECT_SCREEN_ROW(*s, 23, "line 23");
  EXPECT_NE(out.find("line 23"), std::string::npos);
  EXPECT_EQ(out.find("line 12"), std::string::npos) << "the window was redrawn";
  EXPECT_SCREEN_CURSOR(*s, 7, 0);
}

// Deleting the last line while it is on row 2 scrolls back so that the
// line above is shown.
TEST(Delete, LastLineOnTheTopRow) {
  std::string text, kept;
  for (int i = 1; i <= 30; i++) text += "line " + std::to_string(i) + "\n";
  for (int i = 1; i <= 11; i++) kept += "line " + std::to_string(i) + "\n";
  auto s = editor(text);
  // The end of the file shows lines 12 to 30; deleting 12 to 29 from the
  // top row leaves line 30 alone on row 2.
  s->keys("<Esc><PgDn><Esc>H<Esc>18<F9>");
  ASSERT_SCREEN_ROW(*s, 2, "line 30");
  s->keys("<F9>");
  EXPECT_SCREEN_ROW(*s, 2, "line 11");
  EXPECT_SCREEN_ROW(*s, 3, "");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  EXPECT_EQ(saved(*s), kept);
}

// A repeated or again-repeated deletion can be undone like a single one.
TEST(Delete, UndoOfRepeatedDeletions) {
  const std::string text = "one\ntwo\nthree\nfour\nfive\n";
  struct Case {
    const char* keys;
    std::string after;
  };
  for (const Case& c : {Case{"<F9><F1>", "three\nfour\nfive\n"}, Case{"<Esc>3<F9>", "four\nfive\n"},
                        Case{"<Del><F1>", "e\ntwo\nthree\nfour\nfive\n"},
                        Case{"<End><BS><F1>", "o\ntwo\nthree\nfour\nfive\n"}, Case{"<Esc>2D", "e\ntwo\nthree\nfour\nfive\n"},
                        Case{"<Esc>4<Down><F9><F9>", "one\ntwo\nthree\n"}, Case{"<Down>a<F10>", "one\na\nthree\nfour\nfive\n"},
                        Case{"<Down><Right><Right><Esc>d", "one\no\nthree\nfour\nfive\n"}}) {
    SCOPED_TRACE(c.keys);
    auto s = editor(text);
    s->keys(c.keys);
    EXPECT_EQ(saved(*s), c.after);
    s->keys("<Esc>*u");
    EXPECT_EQ(saved(*s), text);
  }
}

}  // namespace
