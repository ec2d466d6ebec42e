// Line blocks seen from the terminal: choosing a range with its markers, the
// block menu's operations and their messages, where a paste goes, the line
// delete buffer (Ctrl-C, Ctrl-X, Ctrl-V), block files through the safe-write
// path, moving lines between files, the again command on a remembered range,
// and undo of every change.  The stored text is checked by writing the file
// with F11.
#include <memory>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

std::unique_ptr<Screen> editor(const std::string& text, std::vector<std::string> more_files = {},
                               std::vector<std::pair<std::string, std::string>> files = {}) {
  Options o;
  o.args = {"f.txt"};
  for (auto& m : more_files) o.args.push_back(m);
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", text);
  for (auto& [name, body] : files) s->write_file(name, body);
  EXPECT_TRUE(s->start());
  return s;
}

using kufix::status_shows;

// Writes the current file with the update command and returns it as stored.
std::string saved(Screen& s, const std::string& name = "f.txt") {
  s.keys("<F11>");
  EXPECT_TRUE(status_shows(s, "File has been written")) << s.dump();
  return s.read_file(name);
}

const std::string six = "l1\nl2\nl3\nl4\nl5\nl6\n";

TEST(Blocks, MenuLetterWithoutMovingSelectsTheCurrentLine) {
  auto s = editor(six);
  s->keys("<Down><F2>");
  // The marker stands on the start line at the window's left edge.
  EXPECT_SCREEN_ROW(*s, 0, "Copy  Append  Kill  Delete  Paste  Wrap  Read  SaveAs  Xchng  Flush :");
  EXPECT_EQ(s->cell(3, 0).ch, '>');
  s->keys("c");
  EXPECT_TRUE(status_shows(*s, "1 line(s) copied")) << s->dump();
  // The marker is gone and the line shows again.
  EXPECT_SCREEN_ROW(*s, 3, "l2");
  s->keys("<Esc><PgUp><F7>");
  EXPECT_TRUE(status_shows(*s, "1 line(s) pasted")) << s->dump();
  EXPECT_EQ(saved(*s), "l2\nl1\nl2\nl3\nl4\nl5\nl6\n");
}

TEST(Blocks, SelectingUpwardsGivesTheSameRangeAsDownwards) {
  auto down = editor(six);
  down->keys("<Down><F2><Down><Down>d");
  EXPECT_TRUE(status_shows(*down, "3 line(s) copied and deleted")) << down->dump();
  auto up = editor(six);
  up->keys("<Down><Down><Down><F2><Up><Up>d");
  EXPECT_TRUE(status_shows(*up, "3 line(s) copied and deleted")) << up->dump();
  EXPECT_EQ(saved(*down), "l1\nl5\nl6\n");
  EXPECT_EQ(saved(*up), "l1\nl5\nl6\n");
  // Both buffers hold l2..l4 in file order.
  down->keys("<F7>");
  up->keys("<F7>");
  EXPECT_EQ(saved(*down), "l1\nl2\nl3\nl4\nl5\nl6\n");
  EXPECT_EQ(saved(*up), "l1\nl2\nl3\nl4\nl5\nl6\n");
}

TEST(Blocks, EnterCancelsAndOtherKeysRingTheBell) {
  auto s = editor(six);
  s->keys("<F2><Down>");
  int bells = s->bells();
  s->keys("z");
  EXPECT_EQ(s->bells(), bells + 1);
  s->keys("<CR>");
  // Markers removed, nothing changed, the file name back on the status line.
  EXPECT_SCREEN_ROWS(*s, 2, {"l1", "l2", "l3"});
  EXPECT_TRUE(s->row(0).rfind("f.txt", 0) == 0) << s->dump();
  EXPECT_EQ(saved(*s), six);
}

TEST(Blocks, DeletingTheWholeFileLeavesOneEmptyLineAndUndoRestoresIt) {
  auto s = editor("a\nb\nc\n");
  s->keys("<F2><Down><Down>d");
  EXPECT_TRUE(status_shows(*s, "3 line(s) copied and deleted")) << s->dump();
  EXPECT_SCREEN_ROWS(*s, 2, {"", ""});
  EXPECT_EQ(saved(*s), "\n");
  s->keys("<C-z>");
  EXPECT_SCREEN_ROWS(*s, 2, {"a", "b", "c", ""});
  EXPECT_EQ(saved(*s), "a\nb\nc\n");
}

TEST(Blocks, UndoOfDeletePutsTheLinesBackWhereTheyWere) {
  struct Case {
    const char* name;
    const char* keys;
    std::string after;
  };
  const Case cases[] = {
      {"middle", "<Down><F2><Down>d", "l1\nl4\nl5\nl6\n"},
      {"start", "<F2><Down>d", "l3\nl4\nl5\nl6\n"},
      {"end", "<Esc><PgDn><F2><Up>d", "l1\nl2\nl3\nl4\n"},
      {"every line after the first", "<Down><F2><Esc><PgDn>d", "l1\n"},
      {"before the last line", "<Down><Down><Down><F2><Down>d", "l1\nl2\nl3\nl6\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = editor(six);
    s->keys(c.keys);
    EXPECT_EQ(saved(*s), c.after);
    s->keys("<C-z>");
    EXPECT_EQ(saved(*s), six);
  }
}

TEST(Blocks, PasteGoesBelowTheLastLineOfALongerFileElseAbove) {
  struct Case {
    const char* name;
    std::string text;
    const char* move;  // where the paste happens
    std::string after;
    int row;  // cursor row afterwards: on the first pasted line
  };
  const Case cases[] = {
      {"last line of three", "a\nb\nc\n", "<Esc><PgDn>", "a\nb\nc\nX\nY\n", 5},
      {"last line of two", "a\nb\n", "<Down>", "a\nb\nX\nY\n", 4},
      {"middle line", "a\nb\nc\n", "<Down>", "a\nX\nY\nb\nc\n", 3},
      {"first line", "a\nb\nc\n", "", "X\nY\na\nb\nc\n", 2},
      {"only line", "a\n", "", "X\nY\na\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = editor(c.text, {}, {{"xy.txt", "X\nY\n"}});
    s->keys("<F2>r");
    s->keys("xy.txt<CR>");
    // Read pastes at once; take it back and paste where the case says.
    s->keys("<C-z>");
    s->keys(c.move);
    s->keys("<F7>");
    EXPECT_TRUE(status_shows(*s, "2 line(s) pasted")) << s->dump();
    EXPECT_EQ(s->cursor().row, c.row) << s->dump();
    EXPECT_EQ(saved(*s), c.after);
    s->keys("<C-z>");
    EXPECT_EQ(saved(*s), c.text);
  }
}

TEST(Blocks, PasteBelowALastLineOnTheLastRowScrollsTheWindow) {
  std::string text;
  for (int i = 1; i <= 22; i++) text += "line" + std::to_string(i) + "\n";
  auto s = editor(text);
  s->keys("<F2>c<Esc><PgDn>");
  ASSERT_EQ(s->cursor().row, 23) << s->dump();
  s->keys("<F7>");
  EXPECT_EQ(s->cursor().row, 23);
  EXPECT_SCREEN_ROW(*s, 23, "line1");
  EXPECT_SCREEN_ROW(*s, 22, "line22");
  EXPECT_SCREEN_ROW(*s, 2, "line2");
  EXPECT_EQ(saved(*s), text + "line1\n");
}

TEST(Blocks, PasteWithAnEmptyBufferSaysSo) {
  auto s = editor(six);
  s->keys("<F7>");
  EXPECT_TRUE(status_shows(*s, "Line buffer empty - Nothing to paste")) << s->dump();
  EXPECT_EQ(saved(*s), six);
}

TEST(Blocks, AppendTwiceAccumulatesBothRangesInOrder) {
  auto s = editor(six);
  s->keys("<Down><F2>c");              // l2
  s->keys("<Down><Down><F2><Down>a");  // l4 l5
  EXPECT_TRUE(status_shows(*s, "2 line(s) appended")) << s->dump();
  s->keys("<Esc><PgDn><F2>a");  // l6
  EXPECT_TRUE(status_shows(*s, "1 line(s) appended")) << s->dump();
  s->keys("<Esc><PgUp><F7>");
  EXPECT_TRUE(status_shows(*s, "4 line(s) pasted")) << s->dump();
  EXPECT_EQ(saved(*s), "l2\nl4\nl5\nl6\n" + six);
}

TEST(Blocks, KillLeavesTheBufferAloneAndUndoBringsTheLinesBack) {
  auto s = editor(six);
  s->keys("<F2>c");  // the buffer holds l1
  s->keys("<Down><Down><F2><Down>k");
  EXPECT_TRUE(status_shows(*s, "2 line(s) killed")) << s->dump();
  EXPECT_EQ(saved(*s), "l1\nl2\nl5\nl6\n");
  s->keys("<F7>");
  EXPECT_EQ(saved(*s), "l1\nl2\nl1\nl5\nl6\n");
  s->keys("<C-z><C-z>");
  EXPECT_EQ(saved(*s), six);
}

TEST(Blocks, FlushEmptiesTheBuffer) {
  auto s = editor(six);
  s->keys("<F2>c<F2>f");
  EXPECT_TRUE(status_shows(*s, "Line Block buffer cleared")) << s->dump();
  s->keys("<F7>");
  EXPECT_TRUE(status_shows(*s, "Line buffer empty - Nothing to paste")) << s->dump();
}

TEST(Blocks, CopyInOneFilePasteInAnother) {
  auto s = editor(six, {"g.txt"}, {{"g.txt", "g1\ng2\n"}});
  s->keys("<Down><F2><Down>c");
  s->keys("<Esc>n");  // next file
  ASSERT_TRUE(s->row(0).rfind("g.txt", 0) == 0) << s->dump();
  s->keys("<Down><F7>");
  EXPECT_SCREEN_ROWS(*s, 2, {"g1", "g2", "l2", "l3"});
  EXPECT_EQ(saved(*s, "g.txt"), "g1\ng2\nl2\nl3\n");
  // A cut line travels the same way, back to the first file.
  s->keys("<Esc><PgUp><C-x><Esc>n<Esc><PgUp><C-v>");
  EXPECT_TRUE(s->row(0).rfind("f.txt", 0) == 0) << s->dump();
  EXPECT_EQ(saved(*s), "g1\n" + six);
}

TEST(Blocks, SaveAsWritesTheRangeOrOnASingleLineTheBuffer) {
  auto s = editor(six);
  s->keys("<Down><F2><Down>s");
  s->keys("range.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "range.txt has been written")) << s->dump();
  EXPECT_EQ(s->read_file("range.txt"), "l2\nl3\n");
  // With lines in the buffer a single line means the buffer.
  s->keys("<Esc><PgDn><F2><Up>c");
  s->keys("<Esc><PgUp><F2>s");
  s->keys("buf.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "buf.txt has been written")) << s->dump();
  EXPECT_EQ(s->read_file("buf.txt"), "l5\nl6\n");
  // No name, no file.
  s->keys("<F2>s<Esc>q");
  EXPECT_TRUE(status_shows(*s, "No File Selected to Write")) << s->dump();
  EXPECT_EQ(saved(*s), six);
}

TEST(Blocks, SaveAsOverAnExistingFileAsksAndKeepsItOnNo) {
  auto s = editor("a\r\nb\r\n", {}, {{"keep.txt", "precious\n"}});
  s->keys("<F2><Down>s");
  s->keys("keep.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "File already exists: Overwrite ? ")) << s->dump();
  s->keys("n");
  EXPECT_TRUE(status_shows(*s, "keep.txt failed to write")) << s->dump();
  EXPECT_EQ(s->read_file("keep.txt"), "precious\n");
  // Yes replaces it, as plain text with Unix line ends whatever the file's own.
  s->keys("<Esc><PgUp><F2><Down>s");
  s->keys("keep.txt<CR>y");
  EXPECT_TRUE(status_shows(*s, "keep.txt has been written")) << s->dump();
  EXPECT_EQ(s->read_file("keep.txt"), "a\nb\n");
  // The write went through a temporary file that is gone now.
  EXPECT_FALSE(s->file_exists("keep.tx~"));
}

TEST(Blocks, ReadPastesAFileAndAFailedReadLeavesTheBufferEmpty) {
  auto s = editor(six, {}, {{"in.txt", "r1\nr2\n"}});
  s->keys("<Down><F2>r");
  s->keys("in.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "2 line(s) pasted")) << s->dump();
  EXPECT_EQ(saved(*s), "l1\nr1\nr2\nl2\nl3\nl4\nl5\nl6\n");
  s->keys("<F2>r");
  s->keys("missing.txt<CR>");
  EXPECT_TRUE(status_shows(*s, "Could not open requested file")) << s->dump();
  s->keys("<F7>");
  EXPECT_TRUE(status_shows(*s, "Line buffer empty - Nothing to paste")) << s->dump();
  s->keys("<F2>r<Esc>q");
  EXPECT_TRUE(status_shows(*s, "No File Selected to Read")) << s->dump();
}

TEST(Blocks, CopyLineWithACountStopsAtTheEndOfTheFile) {
  auto s = editor(six);
  s->keys("<Down><Down><Down><Esc>5<C-c>");
  EXPECT_TRUE(status_shows(*s, "3 line(s) copied ")) << s->dump();
  EXPECT_EQ(saved(*s), six);
  s->keys("<Esc><PgUp><C-v>");
  EXPECT_TRUE(status_shows(*s, "3 line(s) pasted")) << s->dump();
  EXPECT_EQ(saved(*s), "l4\nl5\nl6\n" + six);
}

TEST(Blocks, PastingAnEmptyLineBufferReportsNoLines) {
  auto s = editor(six);
  s->keys("<C-v>");
  EXPECT_TRUE(status_shows(*s, "0 line(s) pasted")) << s->dump();
  EXPECT_EQ(saved(*s), six);
}

TEST(Blocks, CutLinesAndUndo) {
  struct Case {
    const char* name;
    const char* keys;
    std::string after;
    const char* msg;
  };
  const Case cases[] = {
      {"one line", "<Down><C-x>", "l1\nl3\nl4\nl5\nl6\n", "1 line(s) copied and deleted"},
      {"counted", "<Down><Esc>2<C-x>", "l1\nl4\nl5\nl6\n", "2 line(s) copied and deleted"},
      {"to the end", "<Down><Down><Down><Down><Esc>9<C-x>", "l1\nl2\nl3\nl4\n", "2 line(s) copied and deleted"},
      {"every line after the first", "<Down><Esc>*<C-x>", "l1\n", "5 line(s) copied and deleted"},
      {"the whole file", "<Esc>*<C-x>", "\n", "6 line(s) copied and deleted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = editor(six);
    s->keys(c.keys);
    EXPECT_TRUE(status_shows(*s, c.msg)) << s->dump();
    EXPECT_EQ(saved(*s), c.after);
    s->keys("<C-z>");
    EXPECT_EQ(saved(*s), six);
  }
}

TEST(Blocks, CutThenPasteMovesLines) {
  auto s = editor(six);
  s->keys("<Esc>2<C-x><Down><C-v>");
  EXPECT_EQ(saved(*s), "l3\nl1\nl2\nl4\nl5\nl6\n");
  s->keys("<C-z>");
  EXPECT_EQ(saved(*s), "l3\nl4\nl5\nl6\n");
  s->keys("<C-z>");
  EXPECT_EQ(saved(*s), six);
}

TEST(Blocks, AgainRepeatsOnTheRememberedRange) {
  auto s = editor(six);
  s->keys("<Down><F2><Down>a");  // l2 l3
  s->keys("<F1>");
  EXPECT_TRUE(status_shows(*s, "2 line(s) appended")) << s->dump();
  s->keys("<Esc><PgUp><F7>");
  EXPECT_EQ(saved(*s), "l2\nl3\nl2\nl3\n" + six);
}

TEST(Blocks, WrapFromTheMenuKeepsTheRangeForTheAgainCommand) {
  auto s = editor("aaa bbb\nccc\n\nddd\neee\n");
  s->keys("<F2><Down><Down><Down>w");
  EXPECT_SCREEN_ROWS(*s, 2, {"aaa bbb ccc", "", "ddd eee", ""});
  // The range now names the wrapped lines.
  s->keys("<F1>");
  EXPECT_FALSE(status_shows(*s, "Block lines are gone")) << s->dump();
  EXPECT_EQ(saved(*s), "aaa bbb ccc\n\nddd eee\n");
}

TEST(Blocks, AgainIsRefusedWhenTheRangeIsGoneOrNothingWasChosen) {
  {
    auto s = editor(six);
    s->keys("<Down><F2><Down>d<F1>");
    EXPECT_TRUE(status_shows(*s, "Must define new block to repeat Delete")) << s->dump();
    EXPECT_EQ(saved(*s), "l1\nl4\nl5\nl6\n");
  }
  {
    auto s = editor(six);
    s->keys("<Down><F2><Down>k<F1>");
    EXPECT_TRUE(status_shows(*s, "Block lines are gone - define new block")) << s->dump();
    EXPECT_EQ(saved(*s), "l1\nl4\nl5\nl6\n");
  }
  {
    // The range's lines are not the current file's after a file switch.
    auto s = editor(six, {"g.txt"}, {{"g.txt", "g1\ng2\n"}});
    s->keys("<Down><F2><Down>a<Esc>n<F1>");
    EXPECT_TRUE(status_shows(*s, "Block lines are gone - define new block")) << s->dump();
    s->keys("<F7>");
    EXPECT_EQ(saved(*s, "g.txt"), "l2\nl3\ng1\ng2\n");
  }
  {
    auto s = editor(six);
    s->keys("<F2>c<F2><CR><F1>");
    EXPECT_TRUE(status_shows(*s, "No block command to repeat")) << s->dump();
    EXPECT_EQ(saved(*s), six);
  }
}

TEST(Blocks, MarkersFollowTheMovingEndAndComeOffOnScroll) {
  std::string text;
  for (int i = 1; i <= 40; i++) text += "line" + std::to_string(i) + "\n";
  auto s = editor(text);
  s->keys("<F2>");
  for (int i = 0; i < 25; i++) s->keys("<Down>", false);
  s->settle();
  // The start line has scrolled off; the end marker is on the cursor row.
  EXPECT_EQ(s->cursor().row, 23);
  EXPECT_EQ(s->cell(23, 0).ch, '>');
  EXPECT_EQ(s->cell(22, 0).ch, 'l');
  s->keys("c");
  EXPECT_TRUE(status_shows(*s, "26 line(s) copied")) << s->dump();
  EXPECT_EQ(s->cell(23, 0).ch, 'l');
}

}  // namespace
