// Line and column blocks where the lists are the point: the range choice and
// its ordering, what the buffers hold after each operation, head swaps that
// keep the lists sound, the check of a remembered range, the undo records
// the block and column operations leave and their replays restoring every
// line exactly.
#include <string>
#include <vector>

#include "blocks/block_state.h"
#include "core/dispatch.h"
#include "input_fixture.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace kuterm {
namespace {

using Lines = std::vector<std::string>;

Lines texts(const ListHead& h) {
  Lines v;
  for (LineNode* l = first_line(h); l; l = next_line(l)) v.emplace_back(l->text, static_cast<size_t>(l->length));
  return v;
}

void fill(ListHead* h, const Lines& lines) {
  purge_list(h);
  for (const std::string& t : lines) send_node(h, new_line(t.data(), static_cast<int>(t.size())));
}

std::string msg() {
  std::string m(ku_msg_buf);
  while (!m.empty() && m.back() == ' ') m.pop_back();
  return m;
}

const Lines six = {"l1", "l2", "l3", "l4", "l5", "l6"};

class Blocks : public TermTest {
 protected:
  void SetUp() override {
    TermTest::SetUp();
    init_undo_system();
    for (ListHead* h : {&line_block, &line_del_block, &kill_block}) {
      purge_list(h);
      init_list(h);
      h->saved_checksum = 0;
    }
    init_column_block();
    last_key = 0;
    last_area_cmd = 0;
    curr_cmd = 'b';
    curr_rep = 1;
    requested_reps = 1;
    last_cmd_ix = 0;
    undo_state = 1;
  }
  void TearDown() override {
    flush_undo_queue();
    for (ListHead* h : {&line_block, &line_del_block, &kill_block, &column_block}) purge_list(h);
    TermTest::TearDown();
  }
  void show(const Lines& text) {
    make_file(text);
    draw_curr_screen();
  }
  void go(int i, int x = 0) {
    update_curr_line();
    curr_line = line_at(i);
    curr_line_num = i + 1;
    curr_bwd_link = nullptr;
    curr_screen.cy = update_curr_screen(2 + i);
    curr_screen.cx = x;
    draw_curr_screen();
  }
  // Runs a block operation on lines first..last of the file.
  void run_block(char letter, int first, int last) {
    block.first = line_at(first);
    block.last = line_at(last);
    key = letter;
    go(last);
    void (*proc)() = block_cmd_procs[findb(block_cmds, letter, 10)];
    proc();
  }
  void undo() {
    curr_cmd = 'u';
    curr_rep = 1;
    undo_cmd();
  }
  UndoItem* newest() { return undo_queue->count > 0 ? static_cast<UndoItem*>(undo_queue->first) : nullptr; }
};

TEST_F(Blocks, SwappedHeadsKeepTheirListsSound) {
  fill(&line_block, {"a", "b"});
  fill(&column_block, {"x"});
  line_block.saved_chars = 11;
  column_block.saved_chars = 22;
  swap_list_heads(&line_block, &column_block);
  EXPECT_EQ(texts(line_block), (Lines{"x"}));
  EXPECT_EQ(texts(column_block), (Lines{"a", "b"}));
  EXPECT_EQ(line_block.saved_chars, 22);
  EXPECT_EQ(column_block.saved_chars, 11);
  // Unlinking the first line goes through its back link to the right head.
  int err = 0;
  Link* a = column_block.first;
  list_delete(&column_block, a, &err);
  ku_free(a);
  EXPECT_EQ(texts(column_block), (Lines{"b"}));
  EXPECT_EQ(texts(line_block), (Lines{"x"}));
  EXPECT_EQ(prev_line(&column_block, first_line(column_block)), nullptr);
  // An empty list swaps too.
  purge_list(&column_block);
  swap_list_heads(&line_block, &column_block);
  EXPECT_EQ(line_block.count, 0);
  EXPECT_EQ(texts(column_block), (Lines{"x"}));
  EXPECT_EQ(column_block.first->prev, as_link(&column_block));
}

TEST_F(Blocks, ARememberedRangeIsCheckedWithoutFollowingItsPointers) {
  show(six);
  BlockRange r{};
  r.first = line_at(1);
  r.last = line_at(3);
  r.count = 3;
  EXPECT_TRUE(range_in_file(r));
  r.count = 2;
  EXPECT_FALSE(range_in_file(r));
  r.count = 3;
  // The last line leaves the file.
  LineNode* gone = line_at(3);
  int err = 0;
  list_delete(&curr_file, gone, &err);
  EXPECT_FALSE(range_in_file(r));
  send_node(&kill_block, gone);
  // Lines of another list are not the file's.
  r.first = r.last = first_line(kill_block);
  r.count = 1;
  EXPECT_FALSE(range_in_file(r));
  r.first = nullptr;
  EXPECT_FALSE(range_in_file(r));
}

TEST_F(Blocks, ChoosingUpwardsAndDownwardsGivesTheSameRange) {
  kuinput::ScriptedInput input;
  push_status_line(block_menu);
  struct Case {
    int start;
    std::vector<int> keys;
  };
  const Case cases[] = {{1, {KEY_DOWN, KEY_DOWN, 'c'}}, {3, {KEY_UP, KEY_UP, 'C'}}};
  for (const Case& c : cases) {
    show(six);
    go(c.start);
    kuinput::type(c.keys);
    BlockRange r{};
    ASSERT_EQ(define_line_range(&r, 0, block_cmds, 10), 1);
    EXPECT_EQ(r.first, line_at(1));
    EXPECT_EQ(r.last, line_at(3));
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.key, 'C');
    EXPECT_EQ(r.key_ix, 0);
    // The markers are gone again.
    EXPECT_EQ(row_text(3, 0, 2), "l2");
    EXPECT_EQ(row_text(5, 0, 2), "l4");
  }
  pop_status_line();
}

TEST_F(Blocks, OnlyDecodedCommandsMoveTheRange) {
  kuinput::ScriptedInput input;
  push_status_line(block_menu);
  show(six);
  go(0);
  // A typed "j" (the jump command's character) is no letter of the menu: the
  // bell; a typed "F" (page down's character) is the menu's Flush.
  kuinput::type({'j', KEY_DOWN, 'F'});
  BlockRange r{};
  ASSERT_EQ(define_line_range(&r, 0, block_cmds, 10), 1);
  EXPECT_EQ(r.key, 'F');
  EXPECT_EQ(r.count, 2);
  EXPECT_TRUE(kuinput::keyboard.empty());
  // ENTER cancels.
  kuinput::type({KEY_DOWN, '\n'});
  EXPECT_EQ(define_line_range(&r, 0, block_cmds, 10), 0);
  pop_status_line();
}

TEST_F(Blocks, CopyAppendDeleteAndKillFillTheirBuffers) {
  show(six);
  run_block('C', 1, 2);
  EXPECT_EQ(texts(line_block), (Lines{"l2", "l3"}));
  EXPECT_EQ(msg(), "2 line(s) copied");
  run_block('A', 4, 4);
  EXPECT_EQ(texts(line_block), (Lines{"l2", "l3", "l5"}));
  EXPECT_EQ(msg(), "1 line(s) appended");
  EXPECT_EQ(texts(curr_file), six);
  // Kill leaves the buffer as it was and keeps nothing once undo has its copy.
  run_block('K', 0, 1);
  EXPECT_EQ(msg(), "2 line(s) killed");
  EXPECT_EQ(texts(line_block), (Lines{"l2", "l3", "l5"}));
  EXPECT_EQ(kill_block.count, 0);
  EXPECT_EQ(texts(curr_file), (Lines{"l3", "l4", "l5", "l6"}));
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->type, UNDO_DEL_BLOCK);
  EXPECT_EQ(newest()->cmd_ix, 3);
  EXPECT_EQ(newest()->line, 0);
  EXPECT_EQ(texts(*static_cast<ListHead*>(newest()->data)), (Lines{"l1", "l2"}));
  // Delete moves the lines into the buffer, replacing it.
  run_block('D', 1, 2);
  EXPECT_EQ(msg(), "2 line(s) copied and deleted");
  EXPECT_EQ(texts(line_block), (Lines{"l4", "l5"}));
  EXPECT_EQ(texts(curr_file), (Lines{"l3", "l6"}));
  EXPECT_EQ(std::string(curr_line->text, 2), "l6");
  EXPECT_EQ(get_curr_line_num(), 1);
  undo();
  EXPECT_EQ(texts(curr_file), (Lines{"l3", "l4", "l5", "l6"}));
  undo();
  EXPECT_EQ(texts(curr_file), six);
  EXPECT_EQ(texts(line_block), (Lines{"l4", "l5"}));
}

TEST_F(Blocks, DeletedBlocksComeBackWhereTheyWere) {
  struct Case {
    const char* name;
    int first, last;
    Lines after;
    int placement;  // the record's last_line_flag
    int line;       // the record's position
  };
  const Case cases[] = {
      {"middle", 1, 2, {"l1", "l4", "l5", "l6"}, 0, 1},
      {"before the last line", 3, 4, {"l1", "l2", "l3", "l6"}, 0, 3},
      {"start", 0, 1, {"l3", "l4", "l5", "l6"}, 0, 0},
      {"end", 4, 5, {"l1", "l2", "l3", "l4"}, 1, 3},
      {"every line after the first", 1, 5, {"l1"}, 1, 0},
      {"the whole file", 0, 5, {""}, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    show(six);
    run_block('D', c.first, c.last);
    EXPECT_EQ(texts(curr_file), c.after);
    ASSERT_NE(newest(), nullptr);
    EXPECT_EQ(newest()->last_line_flag, c.placement);
    EXPECT_EQ(newest()->line, c.line);
    undo();
    EXPECT_EQ(texts(curr_file), six);
    EXPECT_EQ(undo_queue->count, 0);
    // The window shows the file again, the first restored line current.
    EXPECT_EQ(curr_line, line_at(c.first));
    EXPECT_EQ(get_curr_line_num(), c.first);
  }
}

TEST_F(Blocks, PasteLinesGoBelowOnlyOnTheLastLineOfALongerFile) {
  fill(&line_block, {"X", "Y"});
  struct Case {
    Lines text;
    int at;
    Lines after;
  };
  const Case cases[] = {
      {{"a", "b", "c"}, 2, {"a", "b", "c", "X", "Y"}},
      {{"a", "b", "c"}, 1, {"a", "X", "Y", "b", "c"}},
      {{"a"}, 0, {"X", "Y", "a"}},
  };
  for (const Case& c : cases) {
    show(c.text);
    go(c.at);
    curr_cmd = 'p';
    block_get();
    EXPECT_EQ(texts(curr_file), c.after);
    EXPECT_EQ(std::string(curr_line->text, 1), "X");
    ASSERT_NE(newest(), nullptr);
    EXPECT_EQ(newest()->type, UNDO_BLOCK_PASTE);
    EXPECT_EQ(newest()->cmd_ix, 15);
    EXPECT_EQ(newest()->count, 2);
    EXPECT_EQ(newest()->line, line_index(curr_line));
    undo();
    EXPECT_EQ(texts(curr_file), c.text);
  }
}

TEST_F(Blocks, LineDeleteBufferCopyCutAndPaste) {
  show(six);
  go(3);
  requested_reps = 5;
  curr_cmd = 'C';
  copy_line_del_buffer_cmd();
  EXPECT_EQ(msg(), "3 line(s) copied");
  EXPECT_EQ(texts(line_del_block), (Lines{"l4", "l5", "l6"}));
  EXPECT_EQ(requested_reps, 1);
  // Paste goes through the line block buffer's paste and leaves both as
  // they were.
  fill(&line_block, {"B"});
  go(0);
  curr_cmd = 'V';
  paste_line_del_buffer_cmd();
  EXPECT_EQ(msg(), "3 line(s) pasted");
  EXPECT_EQ(texts(line_block), (Lines{"B"}));
  EXPECT_EQ(texts(line_del_block), (Lines{"l4", "l5", "l6"}));
  EXPECT_EQ(line_del_block.first->prev, as_link(&line_del_block));
  EXPECT_EQ(line_block.first->prev, as_link(&line_block));
  EXPECT_EQ(newest()->cmd_ix, 49);
  undo();
  EXPECT_EQ(texts(curr_file), six);
  // Cut: the lines move into the buffer, the cut flag only while it runs.
  go(4);
  requested_reps = 9;
  curr_cmd = 'X';
  cut_line_del_buffer_cmd();
  EXPECT_EQ(msg(), "2 line(s) copied and deleted");
  EXPECT_EQ(texts(line_del_block), (Lines{"l5", "l6"}));
  EXPECT_EQ(line_del_block.saved_checksum, 0u);
  EXPECT_EQ(texts(curr_file), (Lines{"l1", "l2", "l3", "l4"}));
  EXPECT_EQ(newest()->cmd_ix, 48);
  undo();
  EXPECT_EQ(texts(curr_file), six);
  // Emptying keeps the cut flag.
  line_del_block.saved_checksum = LINE_DEL_CUT_FLAG;
  purge_line_del_buffer();
  EXPECT_EQ(line_del_block.count, 0);
  EXPECT_EQ(line_del_block.saved_checksum, LINE_DEL_CUT_FLAG);
}

TEST_F(Blocks, ExchangeSwapsEverythingOfTheTwoBuffers) {
  fill(&line_block, {"a"});
  fill(&column_block, {"1", "2"});
  line_block.saved_lines = 7;
  key = 'X';
  line_column_exchange();
  EXPECT_EQ(msg(), "Line and Column buffers exchanged");
  EXPECT_EQ(texts(line_block), (Lines{"1", "2"}));
  EXPECT_EQ(texts(column_block), (Lines{"a"}));
  EXPECT_EQ(column_block.saved_lines, 7);
  column_line_exchange(&column_block, nullptr);
  EXPECT_EQ(msg(), "Column and Line buffers exchanged");
  EXPECT_EQ(texts(line_block), (Lines{"a"}));
}

// --- Column blocks ----------------------------------------------------------

class Columns : public Blocks {
 protected:
  BlockRange area(int first, int last, int c0, int c1, char letter) {
    BlockRange a{};
    a.first = line_at(first);
    a.last = line_at(last);
    a.count = last - first + 1;
    a.first_col = c0;
    a.last_col = c1;
    a.key = letter;
    key = letter;
    go(first, c0);
    return a;
  }
};

TEST_F(Columns, CopyOverAShortLineGivesAnEmptyRow) {
  show({"0123456789abcdefghij", "01234567", "0123456789ABCDEFG"});
  BlockRange a = area(0, 2, 10, 14, 'C');
  column_copy_delete(&column_block, &a);
  EXPECT_EQ(texts(column_block), (Lines{"abcde", "", "ABCDE"}));
  EXPECT_EQ(msg(), "5 columns x 3 lines copied");
  EXPECT_EQ(undo_queue->count, 0);
  // An area reaching past a line's end takes what there is.
  a = area(0, 2, 15, 30, 'C');
  column_copy_delete(&column_block, &a);
  EXPECT_EQ(texts(column_block), (Lines{"fghij", "", "FG"}));
}

TEST_F(Columns, DeleteRecordsTheAreaAndUndoPastesItBack) {
  const Lines text = {"0123456789abcdefghij", "01234567", "0123456789ABCDEFG"};
  show(text);
  fill(&column_block, {"old"});
  BlockRange a = area(0, 2, 10, 14, 'K');
  column_copy_delete(&column_block, &a);
  EXPECT_EQ(msg(), "5 columns x 3 lines deleted");
  EXPECT_EQ(texts(column_block), (Lines{"old"}));
  EXPECT_EQ(texts(curr_file), (Lines{"0123456789fghij", "01234567", "0123456789FG"}));
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->type, UNDO_COLUMN_DELETE);
  EXPECT_EQ(newest()->cmd_ix, 56);
  EXPECT_EQ(newest()->col, 10);
  EXPECT_EQ(texts(*static_cast<ListHead*>(newest()->data)), (Lines{"abcde", "", "ABCDE"}));
  EXPECT_EQ(a.copy_only, 0);
  undo();
  EXPECT_EQ(texts(curr_file), text);
  EXPECT_EQ(undo_queue->count, 0);
}

TEST_F(Columns, PasteRefusesRowsThatDoNotMatchTheArea) {
  show({"a", "b", "c"});
  fill(&column_block, {"1", "2", "3"});
  BlockRange a = area(1, 1, 0, 0, 'P');
  column_paste(&column_block, &a);
  EXPECT_EQ(msg(), "Column and area line sizes differ");
  a = area(0, 1, 0, 0, 'P');
  column_paste(&column_block, &a);
  EXPECT_EQ(msg(), "Column and area line sizes differ");
  EXPECT_EQ(texts(curr_file), (Lines{"a", "b", "c"}));
  EXPECT_EQ(undo_queue->count, 0);
  purge_list(&column_block);
  column_paste(&column_block, &a);
  EXPECT_EQ(msg(), "Column buffer empty - Nothing to paste");
}

TEST_F(Columns, PasteBeyondLineEndsAndItsUndoRestoreEveryLineExactly) {
  const Lines text = {"abcdefghij", "abc", "abc   ", "", "xyz"};
  show(text);
  fill(&column_block, {"XY", "", "XY", "XY"});
  BlockRange a = area(0, 0, 6, 6, 'P');
  column_paste(&column_block, &a);
  EXPECT_EQ(msg(), "2 columns x 4 lines pasted");
  EXPECT_EQ(texts(curr_file), (Lines{"abcdefXYghij", "abc", "abc   XY", "      XY", "xyz"}));
  // The area now covers the lines pasted into.
  EXPECT_EQ(a.count, 4);
  EXPECT_EQ(a.first, line_at(0));
  EXPECT_EQ(a.last, line_at(3));
  EXPECT_TRUE(range_in_file(a));
  EXPECT_EQ(row_text(2, 0, 12), "abcdefXYghij");
  EXPECT_EQ(row_text(5, 0, 8), "      XY");
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->type, UNDO_COLUMN_PASTE);
  undo();
  EXPECT_EQ(msg(), "2 columns x 4 lines deleted");
  EXPECT_EQ(texts(curr_file), text);
}

TEST_F(Columns, APasteThatStopsEarlyRecordsOnlyWhatItPasted) {
  const Lines text = {"abc", std::string(380, 'L'), "xyz"};
  show(text);
  fill(&column_block, {"123", "456", "789"});
  BlockRange a = area(0, 0, 2, 2, 'P');
  column_paste(&column_block, &a);
  EXPECT_EQ(msg(), "1+ pastes skipped - line too long");
  EXPECT_EQ(texts(curr_file), (Lines{"ab123c", std::string(380, 'L'), "xyz"}));
  undo();
  EXPECT_EQ(msg(), "3 columns x 1 lines deleted");
  EXPECT_EQ(texts(curr_file), text);
}

TEST_F(Columns, BlankColumnsGoOnlyIntoLinesReachingBeyondTheColumn) {
  const Lines text = {"abcdef", "ab", "abc", "abcdefgh"};
  show(text);
  BlockRange a = area(0, 3, 3, 4, 'I');
  column_insert(&column_block, &a);
  EXPECT_EQ(texts(curr_file), (Lines{"abc  def", "ab", "abc", "abc  defgh"}));
  EXPECT_EQ(column_block.count, 0);
  undo();
  EXPECT_EQ(texts(curr_file), text);
}

TEST_F(Columns, UndoRestoresLinesAsLongAsReadingMakesThem) {
  // A line of 384 characters (the longest reading makes) loses columns and
  // gets them back whole, although an edit may not make a line that long.
  std::string full;
  for (int i = 0; i < 384; i++) full.push_back(static_cast<char>('a' + i % 26));
  show({full});
  BlockRange a = area(0, 0, 100, 109, 'D');
  column_copy_delete(&column_block, &a);
  EXPECT_EQ(curr_file.count, 1);
  EXPECT_EQ(first_line(curr_file)->length, 374);
  undo();
  EXPECT_EQ(texts(curr_file), (Lines{full}));
}

}  // namespace
}  // namespace kuterm
