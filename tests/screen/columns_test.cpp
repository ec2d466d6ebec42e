// Column blocks seen from the terminal: choosing lines then columns with the
// markers and the column display, copying over short lines, deleting and
// killing with undo, pasting beyond line ends and where lines would grow too
// long, blank columns, column files written and read back, the buffer
// exchange, and the again command.  The stored text is checked by writing
// the file with F11.
#include <memory>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

std::unique_ptr<Screen> editor(const std::string& text, std::vector<std::pair<std::string, std::string>> files = {}) {
  Options o;
  o.args = {"f.txt"};
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", text);
  for (auto& [name, body] : files) s->write_file(name, body);
  EXPECT_TRUE(s->start());
  return s;
}

using kufix::status_shows;

using kufix::saved;

// Three lines, the middle one ending before column 10.
const std::string three = "0123456789abcdefghij\n01234567\n0123456789ABCDEFGHIJ\n";
// Keys choosing columns 10-14 of all three lines from the top of the file.
const char* const area_10_14 = "<Esc>10<Right><F3><Down><Down><Right><Right><Right><Right><Right>";

TEST(Columns, ChoosingShowsMarkersAndTheColumns) {
  auto s = editor(three);
  s->keys("<Esc>10<Right><F3><Down><Down>");
  EXPECT_SCREEN_ROW(*s, 0, "Insert  Kill  Delete  Copy  Paste  Read  SaveAs  Xchng  Erase :");
  EXPECT_EQ(s->cell(2, 10).ch, '>');
  EXPECT_EQ(s->cell(4, 10).ch, '>');
  s->keys("<Right><Right><Right>");
  EXPECT_TRUE(status_shows(*s, "[Start Col: 10, End Col : 12]")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "0123456789VbVdefghij");
  EXPECT_SCREEN_ROW(*s, 4, "0123456789VBVDEFGHIJ");
  // The end moves back over the start.
  s->keys("<Left><Left><Left>");
  EXPECT_TRUE(status_shows(*s, "[Start Col: 10, End Col :  9]")) << s->dump();
  s->keys("<CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"0123456789abcdefghij", "01234567", "0123456789ABCDEFGHIJ"});
  EXPECT_EQ(saved(*s), three);
}

TEST(Columns, CopyOverAShortLineGivesAnEmptyRowAndFilesRoundTrip) {
  auto s = editor(three);
  s->keys(area_10_14);
  EXPECT_TRUE(status_shows(*s, "[Start Col: 10, End Col : 14]")) << s->dump();
  s->keys("c");
  EXPECT_TRUE(status_shows(*s, "5 columns x 3 lines copied")) << s->dump();
  EXPECT_EQ(saved(*s), three);
  // A single position writes the buffer.
  s->keys("<F3><Right>s");
  s->keys("cols.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "cols.txt has been written")) << s->dump();
  EXPECT_EQ(s->read_file("cols.txt"), "abcde\n\nABCDE\n");
  // Read back (and pasted at the cursor), then written again: unchanged.
  s->keys("<F3>r");
  s->keys("cols.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "5 columns x 3 lines pasted")) << s->dump();
  s->keys("<F3><Right>s");
  s->keys("again.txt<CR>");
  EXPECT_EQ(s->read_file("again.txt"), "abcde\n\nABCDE\n");
  EXPECT_EQ(saved(*s), "0123456789abcdeabcdefghij\n01234567\n0123456789ABCDEABCDEFGHIJ\n");
}

TEST(Columns, DeleteAndKillWithUndo) {
  struct Case {
    const char* letter;
    const char* msg;
    bool fills_buffer;
  };
  const Case cases[] = {{"d", "5 columns x 3 lines copied, deleted", true},
                        {"k", "5 columns x 3 lines deleted", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.letter);
    auto s = editor(three);
    s->keys(std::string(area_10_14) + c.letter);
    EXPECT_TRUE(status_shows(*s, c.msg)) << s->dump();
    EXPECT_SCREEN_ROWS(*s, 2, {"0123456789fghij", "01234567", "0123456789FGHIJ"});
    EXPECT_EQ(saved(*s), "0123456789fghij\n01234567\n0123456789FGHIJ\n");
    s->keys("<C-z>");
    EXPECT_SCREEN_ROWS(*s, 2, {"0123456789abcdefghij", "01234567", "0123456789ABCDEFGHIJ"});
    EXPECT_EQ(saved(*s), three);
    s->keys("<Esc><PgUp><F3>p");
    if (c.fills_buffer) {
      EXPECT_TRUE(status_shows(*s, "5 columns x 3 lines pasted")) << s->dump();
    } else {
      EXPECT_TRUE(status_shows(*s, "Column buffer empty - Nothing to paste")) << s->dump();
    }
  }
}

TEST(Columns, PasteBeyondLineEndsFillsOutAndUndoRestoresEveryLineExactly) {
  const std::string text = "abcdefghij\nabc\nabc   \nxyz\n";
  auto s = editor(text, {{"rows.txt", "XY\nXY\nXY\n"}});
  s->keys("<Esc>6<Right><F3>r");
  s->keys("rows.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "2 columns x 3 lines pasted")) << s->dump();
  EXPECT_SCREEN_ROWS(*s, 2, {"abcdefXYghij", "abc   XY", "abc   XY", "xyz"});
  EXPECT_EQ(saved(*s), "abcdefXYghij\nabc   XY\nabc   XY\nxyz\n");
  s->keys("<C-z>");
  EXPECT_TRUE(status_shows(*s, "2 columns x 3 lines deleted")) << s->dump();
  EXPECT_EQ(saved(*s), text);
}

TEST(Columns, PasteNeedsAsManyLinesAsRows) {
  auto s = editor("a\nb\nc\n", {{"rows.txt", "1\n2\n3\n"}});
  // One-line area with two lines left in the file.
  s->keys("<Down><F3>r");
  s->keys("rows.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "Column and area line sizes differ")) << s->dump();
  // An area of two lines for three rows.
  s->keys("<Esc><PgUp><F3><Down>p");
  EXPECT_TRUE(status_shows(*s, "Column and area line sizes differ")) << s->dump();
  EXPECT_EQ(saved(*s), "a\nb\nc\n");
  // Three lines for three rows.
  s->keys("<Esc><PgUp><F3><Down><Down>p");
  EXPECT_TRUE(status_shows(*s, "1 columns x 3 lines pasted")) << s->dump();
  EXPECT_EQ(saved(*s), "1a\n2b\n3c\n");
}

TEST(Columns, PasteStopsBeforeALineWouldGrowTooLongAndUndoTouchesOnlyPastedLines) {
  std::string long_line(380, 'L');
  const std::string text = "abc\n" + long_line + "\nxyz\n";
  auto s = editor(text, {{"rows.txt", "123\n456\n789\n"}});
  s->keys("<Esc>2<Right><F3>r");
  s->keys("rows.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "1+ pastes skipped - line too long")) << s->dump();
  EXPECT_EQ(saved(*s), "ab123c\n" + long_line + "\nxyz\n");
  s->keys("<C-z>");
  EXPECT_TRUE(status_shows(*s, "3 columns x 1 lines deleted")) << s->dump();
  EXPECT_EQ(saved(*s), text);
}

TEST(Columns, InsertFromTheLineStepAddsOneBlankColumnOnlyToLongerLines) {
  auto s = editor("abcdef\nab\nabcdefgh\n");
  s->keys("<Esc>3<Right><F3><Down><Down>i");
  EXPECT_TRUE(status_shows(*s, "1 columns x 3 lines pasted")) << s->dump();
  EXPECT_EQ(saved(*s), "abc def\nab\nabc defgh\n");
  s->keys("<C-z>");
  EXPECT_EQ(saved(*s), "abcdef\nab\nabcdefgh\n");
}

TEST(Columns, InsertTakesTheWidthOfTheChosenColumns) {
  auto s = editor("abcdef\nabcdef\n");
  s->keys("<Esc>2<Right><F3><Down><Right><Right><Right>i");
  EXPECT_TRUE(status_shows(*s, "3 columns x 2 lines pasted")) << s->dump();
  EXPECT_EQ(saved(*s), "ab   cdef\nab   cdef\n");
}

TEST(Columns, ExchangeSwapsTheLineAndColumnBuffers) {
  auto s = editor(three);
  s->keys(area_10_14);
  s->keys("c");
  s->keys("<F2>x");
  EXPECT_TRUE(status_shows(*s, "Line and Column buffers exchanged")) << s->dump();
  // The rows are lines now, and the column buffer holds what the line buffer
  // held: nothing.
  s->keys("<F3>p");
  EXPECT_TRUE(status_shows(*s, "Column buffer empty - Nothing to paste")) << s->dump();
  s->keys("<Esc><PgUp><F7>");
  EXPECT_EQ(saved(*s), "abcde\n\nABCDE\n" + three);
  // And back, from the column menu.
  s->keys("<F3>x");
  EXPECT_TRUE(status_shows(*s, "Column and Line buffers exchanged")) << s->dump();
  s->keys("<F7>");
  EXPECT_TRUE(status_shows(*s, "Line buffer empty - Nothing to paste")) << s->dump();
}

TEST(Columns, EraseEmptiesTheBuffer) {
  auto s = editor(three);
  s->keys(std::string(area_10_14) + "c");
  s->keys("<F3>e");
  EXPECT_TRUE(status_shows(*s, "Column Area buffer emptied")) << s->dump();
  s->keys("<F3>p");
  EXPECT_TRUE(status_shows(*s, "Column buffer empty - Nothing to paste")) << s->dump();
}

TEST(Columns, SaveAsOverAnExistingFileKeepsItOnNo) {
  auto s = editor(three, {{"keep.txt", "precious\n"}});
  s->keys(std::string(area_10_14) + "s");
  s->keys("keep.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "File already exists: Overwrite ? ")) << s->dump();
  s->keys("n");
  EXPECT_TRUE(status_shows(*s, "keep.txt failed to write")) << s->dump();
  EXPECT_EQ(s->read_file("keep.txt"), "precious\n");
  // The area itself (the buffer is empty) goes to a new file.
  s->keys(std::string("<Esc><PgUp><Home>") + area_10_14 + "s");
  s->keys("area.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "area.txt has been written")) << s->dump();
  EXPECT_EQ(s->read_file("area.txt"), "abcde\n\nABCDE\n");
}

TEST(Columns, AgainRepeatsOnTheAreaOrRefuses) {
  {
    // A repeated paste goes where the cursor now is.
    auto s = editor("ab\nab\ncd\ncd\n");
    s->keys("<Right><F3><Down><Right>c");  // column 1 of the first two lines
    s->keys("<Down><Down><F3>p");
    EXPECT_EQ(saved(*s), "ab\nab\ncbd\ncbd\n");
    s->keys("<Esc><PgUp><F1>");
    EXPECT_EQ(saved(*s), "abb\nabb\ncbd\ncbd\n");
  }
  {
    auto s = editor("ab\nab\n");
    s->keys("<F3><CR><F1>");
    EXPECT_TRUE(status_shows(*s, "No column command to repeat")) << s->dump();
  }
}

}  // namespace
