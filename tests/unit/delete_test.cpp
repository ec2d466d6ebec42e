// Deletion where the line list is the point: the line delete buffer under
// repetition, the file that never loses its last line, the undo records the
// deletions leave, joins with their limit and both screen paths, and
// removing columns from a stored line.
#include <string>
#include <vector>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "edit/delete.h"
#include "edit/motion.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace kuterm {
namespace {

std::vector<std::string> texts(const ListHead& h) {
  std::vector<std::string> v;
  for (LineNode* l = first_line(h); l; l = next_line(l)) v.emplace_back(l->text, static_cast<size_t>(l->length));
  return v;
}

std::vector<std::string> names(int n) {
  std::vector<std::string> v;
  for (int i = 1; i <= n; i++) v.push_back("line " + std::to_string(i));
  return v;
}

class Deletion : public TermTest {
 protected:
  void SetUp() override {
    TermTest::SetUp();
    init_undo_system();
    purge_list(&line_del_block);
    init_list(&line_del_block);
    curr_rep = 1;
    curr_cmd = 'l';
    ag_last_cmd = 'I';
    last_cmd_ix = 0;
  }
  void TearDown() override {
    flush_undo_queue();
    purge_list(&line_del_block);
    TermTest::TearDown();
  }
  // Runs a command as the dispatcher would for a count of n.
  void run(char cmd, void (*handler)(), int n = 1) {
    curr_cmd = cmd;
    for (curr_rep = 1; curr_rep <= n; curr_rep++) handler();
    curr_rep = 1;
  }
  // The file shown, as the editor shows a freshly read file.
  void show(const std::vector<std::string>& text) {
    make_file(text);
    draw_curr_screen();
  }
  UndoItem* newest() { return ku_undo_queue.count > 0 ? static_cast<UndoItem*>(ku_undo_queue.first) : nullptr; }
};

TEST_F(Deletion, CountedLineDeletesFillTheBufferInOrder) {
  show(names(8));
  curr_line = line_at(1);
  curr_screen.cy = 3;
  run('l', delete_line_cmd, 5);
  EXPECT_EQ(texts(line_del_block), (std::vector<std::string>{"line 2", "line 3", "line 4", "line 5", "line 6"}));
  EXPECT_EQ(texts(curr_file), (std::vector<std::string>{"line 1", "line 7", "line 8"}));
  EXPECT_EQ(std::string(curr_line->text, 6), "line 7");
  EXPECT_EQ(curr_screen.cy, 3);
  // The five deletions at one position make one record of five lines.
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->type, UNDO_DEL_LINE);
  EXPECT_EQ(newest()->count, 5);
  EXPECT_EQ(row_text(3, 0, 6), "line 7");
  EXPECT_EQ(row_text(4, 0, 6), "line 8");
}

TEST_F(Deletion, SeparateLineDeletesKeepOnlyTheLast) {
  show(names(4));
  run('l', delete_line_cmd);
  run('l', delete_line_cmd);
  EXPECT_EQ(texts(line_del_block), (std::vector<std::string>{"line 2"}));
}

TEST_F(Deletion, AgainRepeatedLineDeleteIsRecorded) {
  show(names(4));
  run('l', delete_line_cmd);
  ag_last_cmd = 'l';
  run('a', delete_line_cmd);
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->count, 2);
  EXPECT_EQ(get_num_undo_queue_actions(), 2);
}

TEST_F(Deletion, TheOnlyLineLeavesOneEmptyLine) {
  show({"only"});
  run('l', delete_line_cmd, 3);
  ASSERT_EQ(curr_file.count, 1);
  ASSERT_NE(curr_line, nullptr);
  EXPECT_EQ(curr_line, first_line(curr_file));
  EXPECT_EQ(curr_line->length, 0);
  EXPECT_EQ(curr_screen.top_line, curr_line);
  EXPECT_EQ(curr_screen.bottom_line, curr_line);
  EXPECT_EQ(curr_screen.cy, 2);
  // The file's one line is an empty one that can be typed into and deleted.
  EXPECT_EQ(texts(line_del_block), (std::vector<std::string>{"only", "", ""}));
}

TEST_F(Deletion, TheLastLineMakesTheLineAboveCurrentOneRowHigher) {
  show(names(3));
  curr_line = line_at(2);
  curr_screen.cy = 4;
  curr_screen.cx = 2;
  run('l', delete_line_cmd);
  EXPECT_EQ(texts(curr_file), (std::vector<std::string>{"line 1", "line 2"}));
  EXPECT_EQ(curr_line, line_at(1));
  EXPECT_EQ(curr_screen.cy, 3);
  EXPECT_EQ(curr_screen.cx, 2);
  EXPECT_EQ(curr_screen.bottom_line, curr_line);
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->last_line_flag, 1);
  EXPECT_EQ(newest()->line, 2);
  EXPECT_EQ(get_curr_line_num(), 1);
}

TEST_F(Deletion, DeleteCharJoinsAndRecordsTheLineEnd) {
  show({"abc", "def", "ghi"});
  curr_screen.cx = 3;
  run('D', delete_char_cmd);
  EXPECT_EQ(texts(curr_file), (std::vector<std::string>{"abcdef", "ghi"}));
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->type, UNDO_DEL_CHAR);
  EXPECT_EQ(newest()->cmd_ix, 35);
  // The removed line passed through the line delete buffer.
  EXPECT_EQ(texts(line_del_block), (std::vector<std::string>{"def"}));
  EXPECT_EQ(row_text(2, 0, 7), "abcdef ");
  EXPECT_EQ(row_text(3, 0, 4), "ghi ");
}

// With text wrapping on, the queue is flushed before the paragraph is
// re-wrapped: no record of the deleted character survives, so undo can
// only reverse the re-wrap.
TEST_F(Deletion, WithTextWrappingTheDeletionLeavesNoRecord) {
  options.text_wrapping = 1;
  show({"abc", "def"});
  curr_screen.cx = 1;
  run('D', delete_char_cmd);
  options.text_wrapping = 0;
  for (Link* r = ku_undo_queue.count > 0 ? ku_undo_queue.first : nullptr; r; r = r->next)
    EXPECT_NE(static_cast<UndoItem*>(r)->type, UNDO_DEL_CHAR);
}

TEST_F(Deletion, DeleteCharAtTheEndOfTheFileChangesNothing) {
  show({"abc", "def"});
  curr_line = line_at(1);
  curr_screen.cy = 3;
  curr_screen.cx = 3;
  run('D', delete_char_cmd);
  EXPECT_EQ(texts(curr_file), (std::vector<std::string>{"abc", "def"}));
  EXPECT_EQ(newest(), nullptr);
}

TEST_F(Deletion, DeleteCharCalledByAnotherCommandRecordsNothing) {
  show({"abcdef"});
  curr_screen.cx = 1;
  run('W', delete_char_cmd);
  update_curr_line();
  EXPECT_EQ(texts(curr_file), (std::vector<std::string>{"acdef"}));
  EXPECT_EQ(newest(), nullptr);
}

TEST_F(Deletion, RuboutAtColumnZeroJoinsAndRecordsAsRubout) {
  show({"abc", "def"});
  curr_line = line_at(1);
  curr_screen.cy = 3;
  run('#', rubout_cmd);
  EXPECT_EQ(texts(curr_file), (std::vector<std::string>{"abcdef"}));
  EXPECT_EQ(curr_screen.cx, 3);
  EXPECT_EQ(curr_screen.cy, 2);
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->cmd_ix, 34);
  EXPECT_EQ(newest()->col, 3);
}

TEST_F(Deletion, RuboutInOverwriteModeOnlyMovesLeft) {
  show({"abcdef"});
  last_ku_mode = OVERWRITE_MODE;
  curr_screen.cx = 3;
  run('#', rubout_cmd);
  update_curr_line();
  EXPECT_EQ(texts(curr_file), (std::vector<std::string>{"abcdef"}));
  EXPECT_EQ(curr_screen.cx, 2);
  EXPECT_EQ(newest(), nullptr);
  EXPECT_EQ(row_text(2, 0, 6), "abcdef");
}

TEST_F(Deletion, JoinLimit) {
  for (int second : {181, 182}) {
    SCOPED_TRACE(second);
    show({std::string(200, 'a'), std::string(static_cast<size_t>(second), 'b'), "end"});
    curr_cmd = 'D';
    ASSERT_EQ(line_join(), second == 181 ? 1 : 0);
    EXPECT_EQ(curr_file.count, second == 181 ? 2 : 3);
    EXPECT_EQ(curr_line->length, second == 181 ? 381 : 200);
  }
}

TEST_F(Deletion, JoinOnTheLastRowUnlinksTheLineBelowTheWindow) {
  show(names(30));
  curr_line = line_at(21);  // line 22, on row 23
  curr_screen.cy = 23;
  ASSERT_EQ(curr_screen.bottom_line, curr_line);
  curr_cmd = 'D';
  ASSERT_EQ(line_join(), 1);
  EXPECT_EQ(std::string(curr_line->text, static_cast<size_t>(curr_line->length)), "line 22line 23");
  EXPECT_EQ(curr_file.count, 29);
  EXPECT_EQ(std::string(next_line(curr_line)->text, 7), "line 24");
  EXPECT_EQ(curr_screen.bottom_line, curr_line);
  EXPECT_EQ(line_del_block.count, 0);
  EXPECT_EQ(row_text(23, 0, 15), "line 22line 23 ");
}

TEST_F(Deletion, JoinInsideTheWindowClosesTheRowAndFillsTheFoot) {
  show(names(30));
  curr_cmd = 'D';
  ASSERT_EQ(line_join(), 1);
  EXPECT_EQ(newest(), nullptr);  // a join records nothing itself
  EXPECT_EQ(curr_line, line_at(0));
  EXPECT_EQ(curr_screen.cy, 2);
  EXPECT_EQ(row_text(2, 0, 15), "line 1line 2   ");
  EXPECT_EQ(row_text(3, 0, 7), "line 3 ");
  EXPECT_EQ(row_text(23, 0, 7), "line 23");
  EXPECT_EQ(std::string(curr_screen.bottom_line->text, 7), "line 23");
}

TEST_F(Deletion, DeleteCharsRemovesColumns) {
  struct Case {
    int first, last;
    const char* result;
  } cases[] = {{2, 4, "0156789"}, {0, 0, "123456789"}, {7, 50, "0123456"}, {10, 12, "0123456789"}, {9, 9, "012345678"}};
  for (const Case& c : cases) {
    show({"0123456789"});
    delete_chars(curr_line, c.first, c.last, 99);
    EXPECT_EQ(std::string(curr_line->text, static_cast<size_t>(curr_line->length)), c.result) << c.first << ".." << c.last;
  }
  show({""});
  delete_chars(curr_line, 0, 3, 2);
  EXPECT_EQ(curr_line->length, 0);
}

TEST_F(Deletion, DeleteCharsUpdatesTheRowAndTheRightEdge) {
  std::string longer = pattern_line(0, 100);
  show({"short", longer});
  draw_curr_screen();
  delete_chars(line_at(1), 5, 9, 3);
  std::string now = longer.substr(0, 5) + longer.substr(10);
  EXPECT_EQ(row_text(3), now.substr(0, 80));
  EXPECT_EQ(row_text(2, 0, 6), "short ");
}

}  // namespace
}  // namespace kuterm
