// Text entry driven directly: keys handed to visual_processor on a current
// file in an ncurses screen opened on /dev/null, with the line store, the
// screen cells and the undo records checked afterwards.
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "core/entry.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

using kuterm::line_at;
using kuterm::row_text;

constexpr int kMaxLine = 382;

class EntryTest : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    init_undo_system();
    options.auto_indent = 1;
    options.text_wrapping = 0;
    options.input_xlate = 1;
    options.tabstop = 4;
    auto_indent_level = 0;
    std::strcpy(ku_msg_buf, " ");
    last_cmd_ix = 0;
  }
  void TearDown() override {
    flush_undo_queue();
    kuterm::TermTest::TearDown();
  }

  // The file, drawn from its first line on row 2.
  static void make_file(const std::vector<std::string>& text) {
    kuterm::make_file(text);
    draw_curr_screen();
  }
  // Puts the cursor at column x of the current line (row cy).
  void at(int x) {
    curr_screen.cx = x;
    restore_cursor();
  }
  // Moves to line i (0-based) of a file shown from its first line.
  void on_line(int i, int x) {
    update_curr_line();
    curr_line = line_at(i);
    curr_screen.cy = 2 + i;
    at(x);
  }
  void type(const std::string& keys) {
    for (char c : keys) visual_processor(c);
  }
  // Every line of the file, the line buffer written back first.
  std::vector<std::string> file_lines() {
    update_curr_line();
    std::vector<std::string> v;
    for (LineNode* l = first_line(curr_file); l; l = l == last_line(curr_file) ? nullptr : next_line(l))
      v.emplace_back(l->text, static_cast<size_t>(l->length));
    return v;
  }
  std::string line(int i) { return file_lines().at(static_cast<size_t>(i)); }
  // Row r of the screen without its trailing blanks.
  static std::string shown(int r) {
    std::string s = row_text(r);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
  bool line_full_reported() const { return std::string(ku_msg_buf).find("Maximum line size reached") != std::string::npos; }
  UndoItem* newest_record() const {
    return undo_queue->count > 0 ? static_cast<UndoItem*>(undo_queue->first) : nullptr;
  }
};

// --- insert mode ---------------------------------------------------------

TEST_F(EntryTest, InsertShiftsTheRestOfTheLineOnLineAndScreen) {
  make_file({"hello world"});
  at(5);
  type(",");
  EXPECT_EQ(line(0), "hello, world");
  EXPECT_EQ(shown(2), "hello, world");
  EXPECT_EQ(curr_screen.cx, 6);
  EXPECT_EQ(getcurx(stdscr), 6);
  EXPECT_EQ(getcury(stdscr), 2);
}

TEST_F(EntryTest, TypingBeyondTheEndWithWrappingOffKeepsTheBlanks) {
  make_file({"abcde", "next"});
  at(10);
  type("x");
  EXPECT_EQ(line(0), "abcde     x");
  EXPECT_EQ(shown(2), "abcde     x");
  EXPECT_EQ(curr_screen.cx, 11);
  EXPECT_EQ(line(1), "next");
}

TEST_F(EntryTest, TypingBeyondTheEndWithWrappingOnBeepsAndMovesBack) {
  options.text_wrapping = 1;
  make_file({"abcde"});
  at(10);
  type("x");
  EXPECT_EQ(line(0), "abcdex");
  EXPECT_EQ(shown(2), "abcdex");
  EXPECT_EQ(curr_screen.cx, 6);
  EXPECT_EQ(getcurx(stdscr), 6);
}

TEST_F(EntryTest, EmptyLineTakesItsFirstCharacter) {
  make_file({"", "b"});
  type("a");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"a", "b"}));
}

// The limit in both modes: a line holds at most 382 characters and no key
// lands beyond column 381.
struct LimitCase {
  const char* name;
  int mode;
  int length;  // of the line before the key
  int cx;
  bool refused;
  int length_after;
};

class EntryLimit : public EntryTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(EntryLimit, RefusesOnlyBeyondTheLimit) {
  const LimitCase& c = GetParam();
  ku_mode = c.mode;
  std::string text(static_cast<size_t>(c.length), 'a');
  make_file({text});
  at(c.cx);
  type("Z");
  std::string after = line(0);
  EXPECT_EQ(line_full_reported(), c.refused);
  EXPECT_EQ(static_cast<int>(after.size()), c.length_after);
  if (c.refused) {
    EXPECT_EQ(after, text);
    EXPECT_EQ(curr_screen.cx, c.cx);
  } else {
    EXPECT_EQ(after[static_cast<size_t>(c.cx)], 'Z');
    EXPECT_EQ(curr_screen.cx, c.cx + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, EntryLimit,
    ::testing::Values(LimitCase{"InsertIntoFullLine", INSERT_MODE, kMaxLine, 0, true, kMaxLine},
                      LimitCase{"InsertAtEndOfFullLine", INSERT_MODE, kMaxLine, kMaxLine, true, kMaxLine},
                      LimitCase{"InsertFillsTheLastPlace", INSERT_MODE, kMaxLine - 1, 100, false, kMaxLine},
                      LimitCase{"InsertAtLastColumnOfShortLine", INSERT_MODE, 10, kMaxLine - 1, false, kMaxLine},
                      LimitCase{"InsertBeyondLastColumn", INSERT_MODE, 10, kMaxLine, true, 10},
                      LimitCase{"OverwriteInFullLine", OVERWRITE_MODE, kMaxLine, 200, false, kMaxLine},
                      LimitCase{"OverwriteLastColumn", OVERWRITE_MODE, kMaxLine, kMaxLine - 1, false, kMaxLine},
                      LimitCase{"OverwriteBeyondLastColumn", OVERWRITE_MODE, kMaxLine, kMaxLine, true, kMaxLine},
                      LimitCase{"OverwriteExtendsShortLineToLimit", OVERWRITE_MODE, 5, kMaxLine - 1, false, kMaxLine}),
    [](const ::testing::TestParamInfo<LimitCase>& i) { return std::string(i.param.name); });

// --- overwrite mode --------------------------------------------------------

TEST_F(EntryTest, OverwriteReplacesAndLengthensAtTheEnd) {
  ku_mode = last_ku_mode = OVERWRITE_MODE;
  make_file({"abc"});
  at(1);
  type("XYZW");
  EXPECT_EQ(line(0), "aXYZW");
  EXPECT_EQ(shown(2), "aXYZW");
  EXPECT_EQ(curr_screen.cx, 5);
}

TEST_F(EntryTest, OverwriteBeyondTheEndFillsWithBlanks) {
  ku_mode = last_ku_mode = OVERWRITE_MODE;
  make_file({"abc"});
  at(6);
  type("x");
  EXPECT_EQ(line(0), "abc   x");
  EXPECT_EQ(shown(2), "abc   x");
}

// --- TAB -------------------------------------------------------------------

struct TabCase {
  int tabstop;
  int cx;
  int blanks;  // typed by the TAB key
};

class EntryTab : public EntryTest, public ::testing::WithParamInterface<TabCase> {};

TEST_P(EntryTab, TypesBlanksToTheNextStop) {
  const TabCase& c = GetParam();
  options.tabstop = c.tabstop;
  std::string text = "0123456789abcdef";
  make_file({text});
  at(c.cx);
  type("\t");
  std::string want = text.substr(0, static_cast<size_t>(c.cx)) + std::string(static_cast<size_t>(c.blanks), ' ') +
                     text.substr(static_cast<size_t>(c.cx));
  EXPECT_EQ(line(0), want);
  EXPECT_EQ(shown(2), want);
  EXPECT_EQ(curr_screen.cx, c.cx + c.blanks);
}

// A tab stop below 1 (only possible from an options file) counts as 4.
INSTANTIATE_TEST_SUITE_P(Stops, EntryTab,
                         ::testing::Values(TabCase{4, 5, 3}, TabCase{4, 8, 4}, TabCase{4, 0, 4}, TabCase{3, 7, 2},
                                           TabCase{1, 3, 1}, TabCase{0, 5, 3}, TabCase{-7, 8, 4}));

TEST_F(EntryTest, TabInOverwriteModeOverwritesWithBlanks) {
  ku_mode = last_ku_mode = OVERWRITE_MODE;
  make_file({"abcdefghij"});
  at(5);
  type("\t");
  EXPECT_EQ(line(0), "abcde   ij");
  EXPECT_EQ(curr_screen.cx, 8);
}

TEST_F(EntryTest, TabWithoutTranslationInsertsATabShownAsItsCharacter) {
  options.input_xlate = 0;
  make_file({"ab"});
  at(1);
  type("\t");
  EXPECT_EQ(line(0), "a\tb");
  EXPECT_EQ(shown(2), std::string("a") + wtab_char + "b");
  EXPECT_EQ(curr_screen.cx, 2);
}

TEST_F(EntryTest, TabAtTheLimitKeepsItsCountAndStopsAtTheLine) {
  std::string text(380, 'a');
  make_file({text});
  at(380);
  type("\t");  // to column 384: two blanks fit, the other two are refused
  EXPECT_EQ(line(0), text + "  ");
  EXPECT_EQ(curr_screen.cx, kMaxLine);
  EXPECT_TRUE(line_full_reported());
}

TEST_F(EntryTest, HighBytesAreStoredAndShownAsThePlaceholder) {
  make_file({"ab"});
  at(1);
  visual_processor(static_cast<signed char>(0xE9));
  EXPECT_EQ(line(0), "a\xE9" "b");
  EXPECT_EQ(shown(2), std::string("a") + HIGH_BYTE_PLACEHOLDER + "b");
}

// --- ENTER ---------------------------------------------------------------

TEST_F(EntryTest, EnterAtColumnZeroOpensAnEmptyLineAbove) {
  make_file({"one", "two", "three"});
  on_line(1, 0);
  type("\n");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"one", "", "two", "three"}));
  EXPECT_EQ(curr_line, line_at(2));
  EXPECT_EQ(curr_screen.cy, 4);
  EXPECT_EQ(curr_screen.cx, 0);
  EXPECT_EQ(shown(2), "one");
  EXPECT_EQ(shown(3), "");
  EXPECT_EQ(shown(4), "two");
  EXPECT_EQ(shown(5), "three");
  EXPECT_EQ(getcury(stdscr), 4);
  EXPECT_EQ(getcurx(stdscr), 0);
}

TEST_F(EntryTest, EnterInsideAnIndentedLineIndentsTheTail) {
  make_file({"    abc def", "after"});
  at(8);
  type("\n");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"    abc ", "    def", "after"}));
  EXPECT_EQ(curr_line, line_at(1));
  EXPECT_EQ(curr_screen.cx, 4);
  EXPECT_EQ(curr_screen.cy, 3);
  EXPECT_EQ(shown(2), "    abc");
  EXPECT_EQ(shown(3), "    def");
  EXPECT_EQ(shown(4), "after");
  EXPECT_EQ(getcurx(stdscr), 4);
  EXPECT_EQ(auto_indent_level, 4);
}

TEST_F(EntryTest, EnterWithoutAutoIndentStartsTheTailAtColumnZero) {
  options.auto_indent = 0;
  make_file({"    abc def"});
  at(8);
  type("\n");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"    abc ", "def"}));
  EXPECT_EQ(curr_screen.cx, 0);
}

TEST_F(EntryTest, EnterAtTheEndOfAnIndentedLineLeavesTheCursorAtTheIndentation) {
  make_file({"  x", "    abc", "after"});
  on_line(1, 7);
  type("\n");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"  x", "    abc", "", "after"}));
  EXPECT_EQ(curr_screen.cx, 4);
  EXPECT_EQ(curr_screen.cy, 4);
  EXPECT_EQ(shown(4), "");
  EXPECT_EQ(shown(5), "after");
  type("y");  // the indentation becomes blanks of the line
  EXPECT_EQ(line(2), "    y");
}

TEST_F(EntryTest, EnterOnAnAllBlankLineReusesTheRememberedLevel) {
  make_file({"      text", "  ", "", "end"});
  on_line(0, 10);
  type("\n");  // measures six
  EXPECT_EQ(auto_indent_level, 6);
  on_line(2, 2);  // the blank line, now line 2
  type("\n");
  EXPECT_EQ(curr_screen.cx, 6);
  EXPECT_EQ(auto_indent_level, 6);
  on_line(4, 3);  // the empty line
  type("\n");
  EXPECT_EQ(curr_screen.cx, 6);
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"      text", "", "  ", "", "", "", "end"}));
}

TEST_F(EntryTest, EnterInsideAllBlankLineMovesItsBlanksBehindTheLevel) {
  auto_indent_level = 2;
  make_file({"      "});
  at(3);
  type("\n");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"   ", "     "}));
  EXPECT_EQ(curr_screen.cx, 2);
}

TEST_F(EntryTest, EnterOnTheLastScreenRowScrollsTheWindow) {
  std::vector<std::string> text;
  for (int i = 0; i < 30; i++) text.push_back("line " + std::to_string(i));
  make_file(text);
  on_line(21, 5);  // row 23, the last row
  ASSERT_EQ(curr_screen.cy, 23);
  ASSERT_EQ(shown(23), "line 21");
  visual_processor('X');
  type("\n");
  EXPECT_EQ(line(21), "line X");
  EXPECT_EQ(line(22), "21");
  EXPECT_EQ(curr_screen.cy, 23);
  EXPECT_EQ(shown(22), "line X");
  EXPECT_EQ(shown(23), "21");
  EXPECT_EQ(shown(2), "line 1");
  EXPECT_EQ(curr_screen.top_line, line_at(1));
  EXPECT_EQ(curr_screen.bottom_line, line_at(22));
}

TEST_F(EntryTest, EnterAtColumnZeroOnTheLastRowScrollsTheWindow) {
  std::vector<std::string> text;
  for (int i = 0; i < 30; i++) text.push_back("line " + std::to_string(i));
  make_file(text);
  on_line(21, 0);
  type("\n");
  EXPECT_EQ(line(21), "");
  EXPECT_EQ(line(22), "line 21");
  EXPECT_EQ(curr_line, line_at(22));
  EXPECT_EQ(curr_screen.cy, 23);
  EXPECT_EQ(shown(22), "");
  EXPECT_EQ(shown(23), "line 21");
  EXPECT_EQ(shown(2), "line 1");
  EXPECT_EQ(curr_screen.top_line, line_at(1));
  EXPECT_EQ(curr_screen.bottom_line, line_at(22));
}

// Splitting inside deep indentation of a long line would give the new line
// more than 382 characters; the indentation is reduced so that every
// character survives and the new line fits.
TEST_F(EntryTest, SplitInsideDeepIndentationBoundsTheNewLine) {
  std::string text = std::string(300, ' ') + std::string(82, 'w');
  make_file({text});
  at(10);
  type("\n");
  std::vector<std::string> lines = file_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(10, ' '));
  EXPECT_EQ(static_cast<int>(lines[1].size()), kMaxLine);
  EXPECT_EQ(lines[1], std::string(300, ' ') + std::string(82, 'w'));
  EXPECT_EQ(curr_screen.cx, 10);
  EXPECT_EQ(auto_indent_level, 300);
}

TEST_F(EntryTest, SplitOfALongLineAtItsStartKeepsTheWholeTail) {
  // A line read from a file may be longer than the typing limit; its tail
  // moves unshortened and the indentation gives way entirely.
  std::string text = " " + std::string(383, 'r');
  make_file({text});
  at(1);
  type("\n");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{" ", std::string(383, 'r')}));
  EXPECT_EQ(curr_screen.cx, 0);
}

// --- undo records ----------------------------------------------------------

TEST_F(EntryTest, TypedRunMakesOneInsertRecord) {
  make_file({"xy"});
  at(1);
  type("abc");
  UndoItem* r = newest_record();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(undo_queue->count, 1);
  EXPECT_EQ(r->type, UNDO_INS_CHAR);
  EXPECT_EQ(r->cmd_ix, 0);
  EXPECT_EQ(r->line, 0);
  EXPECT_EQ(r->col, 1);
  EXPECT_EQ(r->count, 3);
  EXPECT_EQ(undo_queue->total, 3);
}

TEST_F(EntryTest, OverwriteRecordKeepsTheReplacedCharacters) {
  ku_mode = last_ku_mode = OVERWRITE_MODE;
  make_file({"", "abcd"});
  on_line(1, 1);
  type("XY");
  UndoItem* r = newest_record();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->type, UNDO_INS_CHAR);
  EXPECT_EQ(r->cmd_ix, 1);
  EXPECT_EQ(r->line, 1);
  EXPECT_EQ(r->col, 2);
  EXPECT_EQ(r->count, 2);
  EXPECT_EQ(std::string(static_cast<const char*>(r->data), 2), "bc");
}

TEST_F(EntryTest, EnterRecords) {
  make_file({"abc", "def"});
  on_line(1, 0);
  type("\n");
  UndoItem* r = newest_record();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->type, UNDO_BLOCK_PASTE);
  EXPECT_EQ(r->cmd_ix, 0);
  EXPECT_EQ(r->line, 1);
  EXPECT_EQ(r->count, 1);

  on_line(0, 1);
  type("\n");  // a split: an insert record at the line's new length
  r = newest_record();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->type, UNDO_INS_CHAR);
  EXPECT_EQ(r->cmd_ix, 0);
  EXPECT_EQ(r->line, 0);
  EXPECT_EQ(r->col, 1);
}

TEST_F(EntryTest, NothingIsRecordedWhileUndoReplays) {
  make_file({"abc", "def"});
  undo_state = 2;
  at(1);
  type("x");
  type("\n");
  on_line(0, 0);
  type("\n");
  undo_state = 1;
  EXPECT_EQ(undo_queue->count, 0);
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"", "ax", "bc", "def"}));
}

TEST_F(EntryTest, WrappingModeLeavesNoRecordOfTypedCharacters) {
  options.text_wrapping = 1;
  make_file({"abc"});
  at(3);
  type("de");
  EXPECT_EQ(undo_queue->count, 0);
  EXPECT_EQ(line(0), "abcde");
}

// A record being replayed must outlive the keys its replay types: with
// wrapping on, nothing is flushed while undo replays.
TEST_F(EntryTest, ReplayWithWrappingOnKeepsTheQueue) {
  options.text_wrapping = 1;
  make_file({"abc"});
  push_undo_del_char('q', 0, 1, 2);
  ASSERT_EQ(undo_queue->count, 1);
  UndoItem* held = newest_record();
  undo_state = 2;
  at(1);
  type("q");
  undo_state = 1;
  EXPECT_EQ(undo_queue->count, 1);
  EXPECT_EQ(newest_record(), held);
  EXPECT_EQ(line(0), "aqbc");
}

}  // namespace
