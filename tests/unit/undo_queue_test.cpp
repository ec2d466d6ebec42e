// The undo queue and its replays: what each push stores and how runs merge,
// the record limit, flushing and macro groups; then undo driven through the
// real editing commands, with no terminal (ncurses never started) and on an
// ncurses screen opened on /dev/null, and a round-trip property: any mix of
// recorded edits, all undone, gives back the original file exactly.
#include <random>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "core/entry.h"
#include "edit/motion.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

using kuterm::line_at;
using kuterm::make_file;
using kuterm::row_text;

std::vector<std::string> file_lines() {
  update_curr_line();
  std::vector<std::string> v;
  for (LineNode* l = first_line(curr_file); l; l = next_line(l)) v.emplace_back(l->text, static_cast<size_t>(l->length));
  return v;
}

UndoItem* newest() { return undo_queue->count > 0 ? static_cast<UndoItem*>(undo_queue->first) : nullptr; }
UndoItem* oldest() { return undo_queue->count > 0 ? static_cast<UndoItem*>(undo_queue->last) : nullptr; }
bool message_is(const char* text) { return std::string(ku_msg_buf).find(text) != std::string::npos; }
void clear_message() { std::strcpy(ku_msg_buf, " "); }

// Editor state shared by both fixtures: options for plain editing, an empty
// undo system, insert mode, no command running.
void reset_editor_state() {
  set_default_options();
  options.text_wrapping = 0;
  options.auto_indent = 0;
  options.input_xlate = 0;
  options.tabstop = 4;
  auto_indent_level = 0;
  init_undo_system();
  ku_mode = last_ku_mode = INSERT_MODE;
  curr_cmd = 0;
  curr_rep = 1;
  requested_reps = 1;
  last_cmd_ix = 0;
  rep_ix = 0;
  read_state = 0;
  // Only the file-switching commands flush the queue after they run.
  for (int i = 0; i < N_COMMANDS; i++) undo_supported[i] = 1;
  for (int i : {5, 7, 13}) undo_supported[i] = 0;
  clear_message();
}

// No terminal at all: ncurses was never started, ku_win is null.
class UndoNoTerm : public ::testing::Test {
 protected:
  void SetUp() override {
    ku_win = nullptr;
    physical_cols = 80;
    physical_lines = lines = 24;
    columns = 512;
    ap_l = 0;
    ap_r = 79;
    ap_width = 80;
    horizontal_scrolling_enabled = 1;
    init_stack(&status_stack, 10);
    ku_msg = ku_msg_buf;
    displayed_mode = 99;
    reset_editor_state();
    make_file({"first line", "second line", "third line"});
  }
  void TearDown() override {
    init_undo_system();
    purge_list(&curr_file);
    std::memset(&curr_screen, 0, sizeof curr_screen);
    std::memset(&line_buf, 0, sizeof line_buf);
    curr_line = nullptr;
  }
  // A push as a command running as `cmd` makes it.
  static void del_char(char cmd, int ch, int line, int col) {
    curr_cmd = cmd;
    push_undo_del_char(ch, line, col, 2);
  }
  static LineNode* node(const std::string& t) {
    auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(static_cast<long>(t.size())))));
    n->next = n->prev = nullptr;
    n->length = static_cast<int32_t>(t.size());
    std::memcpy(n->text, t.data(), t.size());
    return n;
  }
  static LineRecord text(const std::string& t) {
    LineRecord r{};
    r.length = static_cast<int32_t>(t.size());
    std::memcpy(r.text, t.data(), t.size());
    return r;
  }
};

// --- records and merging -------------------------------------------------

TEST_F(UndoNoTerm, CreatedRecordHasOneActionAndNoData) {
  UndoItem* r = create_undo_item(12, 4, 5, 6, UNDO_MACRO);
  EXPECT_EQ(r->cmd_ix, 12);
  EXPECT_EQ(r->line, 4);
  EXPECT_EQ(r->col, 5);
  EXPECT_EQ(r->row, 6);
  EXPECT_EQ(r->type, UNDO_MACRO);
  EXPECT_EQ(r->actions, 1);
  EXPECT_EQ(r->size, 1);
  EXPECT_EQ(r->count, 1);
  EXPECT_EQ(r->data, nullptr);
  EXPECT_EQ(r->next, nullptr);
  free_undo_item(r);
}

TEST_F(UndoNoTerm, TypingAbcMakesOneRecordOfThreeActions) {
  for (int c = 0; c < 3; c++) push_undo_ins_char(' ', 0, 1, 4 + c, 3);
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_EQ(get_num_undo_queue_actions(), 3);
  UndoItem* r = newest();
  EXPECT_EQ(r->type, UNDO_INS_CHAR);
  EXPECT_EQ(r->actions, 3);
  EXPECT_EQ(r->count, 3);
  EXPECT_EQ(r->col, 4);
  EXPECT_EQ(r->size, UNDO_CHAR_BUFFER);
  EXPECT_EQ(get_undo_queue_size(), static_cast<int>(sizeof(UndoItem)));
}

TEST_F(UndoNoTerm, The83rdCharacterOfARunStartsANewRecord) {
  for (int c = 0; c < 83; c++) push_undo_ins_char(' ', 0, 0, c, 2);
  ASSERT_EQ(get_num_undo_queue_items(), 2);
  EXPECT_EQ(get_num_undo_queue_actions(), 83);
  EXPECT_EQ(newest()->count, 1);
  EXPECT_EQ(newest()->col, 82);
  EXPECT_EQ(oldest()->count, 82);
}

TEST_F(UndoNoTerm, OverwriteRecordKeepsTheOverwrittenCharacters) {
  make_file({"wxyz"});
  load_line_buf();
  push_undo_ins_char('w', 1, 0, 1, 2);
  push_undo_ins_char('x', 1, 0, 2, 2);
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  auto* buf = static_cast<UndoCharBuffer*>(newest()->data);
  EXPECT_EQ(std::string(buf->chars, 2), "wx");
  EXPECT_EQ(newest()->col, 1);
  EXPECT_EQ(newest()->cmd_ix, 1);
}

// Which consecutive pushes share a record.
struct MergeCase {
  const char* name;
  int type;  // 0 delete-character/rubout pushes, 7 insert pushes
  char cmd1;
  int col1;
  char cmd2;
  int line2;
  int col2;
  int records;
};

void PrintTo(const MergeCase& m, std::ostream* os) { *os << m.name; }

class UndoMerge : public UndoNoTerm, public ::testing::WithParamInterface<MergeCase> {};

TEST_P(UndoMerge, Records) {
  const MergeCase& m = GetParam();
  if (m.type == 0) {
    del_char(m.cmd1, 'a', 1, m.col1);
    del_char(m.cmd2, 'b', m.line2, m.col2);
  } else {
    push_undo_ins_char(' ', m.cmd1, 1, m.col1, 2);
    push_undo_ins_char(' ', m.cmd2, m.line2, m.col2, 2);
  }
  EXPECT_EQ(get_num_undo_queue_items(), m.records);
  EXPECT_EQ(get_num_undo_queue_actions(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, UndoMerge,
    ::testing::Values(MergeCase{"DeleteCharAtOneColumn", 0, 'D', 5, 'D', 1, 5, 1},
                      MergeCase{"RuboutOneFurtherLeft", 0, '#', 5, '#', 1, 4, 1},
                      MergeCase{"RuboutThenDeleteChar", 0, '#', 5, 'D', 1, 4, 2},
                      MergeCase{"DeleteCharThenRubout", 0, 'D', 5, '#', 1, 5, 2},
                      MergeCase{"DeleteCharOnAnotherLine", 0, 'D', 5, 'D', 2, 5, 2},
                      // Each command merges only in its own way: a
                      // delete-character one column left, or a rubout at the
                      // same column, did not happen where the record's replay
                      // would put it back.
                      MergeCase{"DeleteCharOneColumnLeft", 0, 'D', 5, 'D', 1, 4, 2},
                      MergeCase{"RuboutAtTheSameColumn", 0, '#', 5, '#', 1, 5, 2},
                      MergeCase{"InsertContinuing", 7, 0, 3, 0, 1, 4, 1},
                      MergeCase{"InsertElsewhere", 7, 0, 3, 0, 1, 6, 2},
                      MergeCase{"InsertThenOverwrite", 7, 0, 3, 1, 1, 4, 2},
                      MergeCase{"InsertOnAnotherLine", 7, 0, 3, 0, 2, 4, 2}),
    [](const ::testing::TestParamInfo<MergeCase>& i) { return std::string(i.param.name); });

TEST_F(UndoNoTerm, ThreeDeleteLinesAtOnePositionMakeOneRecord) {
  push_undo_del_line(node("a"), 0, 2, 0, 4);
  push_undo_del_line(node("b"), 0, 2, 0, 4);
  push_undo_del_line(node("c"), 0, 2, 0, 4);
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_EQ(get_num_undo_queue_actions(), 3);
  UndoItem* r = newest();
  EXPECT_EQ(r->count, 3);
  EXPECT_EQ(r->actions, 3);
  EXPECT_EQ(r->cmd_ix, 11);
  // The chain is newest first.
  auto* n = static_cast<LineNode*>(r->data);
  std::string order;
  for (; n; n = next_line(n)) order += std::string(n->text, 1);
  EXPECT_EQ(order, "cba");
}

TEST_F(UndoNoTerm, DeletingTheLastLineAlwaysStartsARecord) {
  push_undo_del_line(node("a"), 0, 2, 0, 4);
  push_undo_del_line(node("b"), 1, 2, 0, 4);
  EXPECT_EQ(get_num_undo_queue_items(), 2);
  EXPECT_EQ(newest()->last_line_flag, 1);
  // A plain deletion at the same position does not join a last-line record:
  // that record puts its lines back after the last line.
  push_undo_del_line(node("c"), 0, 2, 0, 4);
  EXPECT_EQ(get_num_undo_queue_items(), 3);
  EXPECT_EQ(get_num_undo_queue_actions(), 3);
}

TEST_F(UndoNoTerm, DeletingAFilesOnlyLineIsMarked) {
  purge_list(&curr_file);  // as delete_line_cmd pushes: the line is unlinked
  push_undo_del_line(node("x"), 0, 0, 0, 2);
  EXPECT_EQ(newest()->last_line_flag, 2);
  make_file({""});
  push_undo_del_line(node("y"), 0, 0, 0, 2);
  EXPECT_EQ(get_num_undo_queue_items(), 2);
}

TEST_F(UndoNoTerm, TextRecordsSaveTheirText) {
  LineRecord t = text("hello world");
  push_undo_del_right(&t, 6, 0, 6, 2);
  UndoItem* r = newest();
  EXPECT_EQ(r->type, UNDO_DEL_RIGHT);
  EXPECT_EQ(r->size, 6);
  EXPECT_EQ(r->count, 5);
  EXPECT_EQ(std::string(static_cast<char*>(r->data), 5), "world");
  push_undo_del_word(&t, 5, 0, 0, 2);
  r = newest();
  EXPECT_EQ(r->type, UNDO_DEL_WORD);
  EXPECT_EQ(r->col, 0);
  EXPECT_EQ(r->count, 5);
  EXPECT_EQ(std::string(static_cast<char*>(r->data), 5), "hello");
  EXPECT_EQ(get_num_undo_queue_actions(), 2);
}

TEST_F(UndoNoTerm, SubstituteStringsOfEightyCharactersAreNotRecorded) {
  LineRecord ok = text(std::string(79, 'm'));
  LineRecord rep = text("r");
  push_undo_substitute(&ok, &rep, 0, 3, 2);
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  auto* s = static_cast<UndoSubstitution*>(newest()->data);
  EXPECT_EQ(s->matched_length, 79);
  EXPECT_EQ(s->replacement_length, 1);
  LineRecord longer = text(std::string(80, 'm'));
  push_undo_substitute(&longer, &rep, 0, 3, 2);
  push_undo_substitute(&rep, &longer, 0, 3, 2);
  EXPECT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_TRUE(message_is("Push Undo Error: strings too long"));
}

TEST_F(UndoNoTerm, ListRecordsCopyTheirLines) {
  ListHead block;
  init_list(&block);
  send_node(&block, node("one"));
  send_node(&block, node("two"));
  push_undo_del_block(3, &block, 1, 0, 3);
  push_undo_column_paste(56, &block, 1, 2, 3);
  purge_list(&block);
  for (UndoItem* r = newest(); r; r = static_cast<UndoItem*>(r->next)) {
    auto* saved = static_cast<ListHead*>(r->data);
    ASSERT_EQ(saved->count, 2);
    EXPECT_EQ(std::string(first_line(*saved)->text, 3), "one");
    EXPECT_EQ(std::string(last_line(*saved)->text, 3), "two");
  }
  // The paragraph copy stops at the last line given.
  push_undo_wrap_para(line_at(0), line_at(1), 0, 0, 0, 2);
  EXPECT_EQ(static_cast<ListHead*>(newest()->data)->count, 2);
  update_undo_wrap_para(5);
  EXPECT_EQ(newest()->count, 5);
  push_undo_block_paste(3, 4, 1, 0, 3);
  EXPECT_EQ(newest()->count, 4);
  clear_message();
  update_undo_wrap_para(7);
  EXPECT_TRUE(message_is("update_undo_wrap_para - wrong type"));
  EXPECT_EQ(newest()->count, 4);
  init_undo_system();
  update_undo_wrap_para(7);
  EXPECT_TRUE(message_is("update_undo_wrap_para - no action"));
}

// --- limit and flushing --------------------------------------------------

TEST_F(UndoNoTerm, The129thRecordDropsTheOldest) {
  for (int c = 0; c < 5; c++) push_undo_ins_char(' ', 0, 0, c, 2);  // oldest: 5 actions
  for (int i = 1; i <= 127; i++) push_undo_block_paste(0, 1, i, 0, 2);
  EXPECT_EQ(get_num_undo_queue_items(), 128);
  EXPECT_EQ(get_num_undo_queue_actions(), 132);
  push_undo_block_paste(0, 1, 500, 0, 2);
  EXPECT_EQ(get_num_undo_queue_items(), 128);
  EXPECT_EQ(get_num_undo_queue_actions(), 128);
  EXPECT_EQ(oldest()->line, 1);
  EXPECT_EQ(newest()->line, 500);
}

TEST_F(UndoNoTerm, DroppingAPartlyUndoneRecordSubtractsWhatIsLeftOfIt) {
  make_file({"abcde"});
  for (int c = 0; c < 5; c++) push_undo_ins_char(' ', 0, 0, c, 2);
  make_file({"abcde"});  // the text the five insertions made
  curr_screen.cx = 5;
  curr_rep = 1;
  undo_cmd();
  undo_cmd();
  EXPECT_EQ(get_num_undo_queue_actions(), 3);
  for (int i = 1; i <= 128; i++) push_undo_block_paste(0, 1, i, 0, 2);
  EXPECT_EQ(get_num_undo_queue_items(), 128);
  // The total counts exactly the actions that can still be undone.
  EXPECT_EQ(get_num_undo_queue_actions(), 128);
}

TEST_F(UndoNoTerm, FlushSetsTheMarkerOnlyWhenRecordsGo) {
  flush_undo_queue();
  EXPECT_EQ(ku_undo_queue.format, 0);
  push_undo_block_paste(0, 1, 0, 0, 2);
  push_undo_del_line(node("x"), 0, 0, 0, 2);
  flush_undo_queue();
  EXPECT_EQ(ku_undo_queue.format, 'f');
  EXPECT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(get_num_undo_queue_actions(), 0);
}

TEST_F(UndoNoTerm, NothingIsRecordedOrFlushedDuringAReplay) {
  push_undo_block_paste(0, 1, 0, 0, 2);
  undo_state = 2;
  push_undo_ins_char(' ', 0, 0, 0, 2);
  curr_cmd = 'D';
  push_undo_del_char('a', 0, 0, 2);
  push_undo_del_line(node("x"), 0, 0, 0, 2);  // released, not leaked
  push_undo_macro(12, 0, 0, 2);
  complete_push_undo_macro();
  flush_undo_queue();
  undo_state = 1;
  EXPECT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_EQ(get_num_undo_queue_actions(), 1);
  EXPECT_EQ(undo_queue, &ku_undo_queue);
}

// --- macro groups ----------------------------------------------------------

TEST_F(UndoNoTerm, AMacroRunIsOneRecordOfOneAction) {
  push_undo_block_paste(0, 1, 0, 0, 2);
  push_undo_macro(12, 1, 2, 3);
  EXPECT_NE(undo_queue, &ku_undo_queue);
  EXPECT_EQ(undo_queue->format, 'n');
  for (int c = 0; c < 3; c++) push_undo_ins_char(' ', 0, 1, c, 3);
  push_undo_block_paste(0, 1, 2, 0, 2);
  EXPECT_EQ(get_num_undo_queue_items(), 2);
  EXPECT_EQ(get_num_undo_queue_actions(), 4);
  complete_push_undo_macro();
  ASSERT_EQ(undo_queue, &ku_undo_queue);
  EXPECT_EQ(get_num_undo_queue_items(), 2);
  EXPECT_EQ(get_num_undo_queue_actions(), 2);
  EXPECT_EQ(newest()->type, UNDO_MACRO);
  EXPECT_EQ(static_cast<ListHead*>(newest()->data)->count, 2);
}

TEST_F(UndoNoTerm, CompletingWithNoGroupOpenFlushesTheMainQueue) {
  push_undo_block_paste(0, 1, 0, 0, 2);
  complete_push_undo_macro();
  EXPECT_TRUE(message_is("Undo Macro - Wrong Queue"));
  EXPECT_EQ(get_num_undo_queue_items(), 0);
}

TEST_F(UndoNoTerm, AFlushInsideARunEmptiesTheRunAndWhatCameBefore) {
  // Records that name lines of the file current before the run must not be
  // replayed over another file (the run switched files) or over a change
  // that left no record.
  push_undo_block_paste(0, 1, 0, 0, 2);
  push_undo_block_paste(0, 1, 1, 0, 2);
  push_undo_macro(12, 0, 0, 2);
  push_undo_ins_char(' ', 0, 0, 0, 2);
  flush_undo_queue();  // what the dispatcher does after a file switch
  EXPECT_EQ(undo_queue->format, 'f');
  EXPECT_EQ(ku_undo_queue.count, 1);
  EXPECT_EQ(ku_undo_queue.total, 1);
  EXPECT_EQ(ku_undo_queue.format, 'f');
  push_undo_ins_char(' ', 0, 0, 0, 2);  // typed in the other file
  complete_push_undo_macro();
  ASSERT_EQ(undo_queue, &ku_undo_queue);
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  UndoItem* r = newest();
  EXPECT_EQ(r->type, UNDO_MACRO);
  EXPECT_EQ(static_cast<ListHead*>(r->data)->count, 0);
  std::vector<std::string> before = file_lines();
  curr_rep = 1;
  undo_cmd();
  EXPECT_TRUE(message_is("Nothing to undo, or unsupported cmds"));
  EXPECT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(file_lines(), before);
}

TEST_F(UndoNoTerm, NestedRunsAreFlushedThroughEveryLevel) {
  push_undo_block_paste(0, 1, 0, 0, 2);
  push_undo_macro(12, 0, 0, 2);
  push_undo_block_paste(0, 1, 0, 0, 2);
  push_undo_macro(12, 0, 0, 2);
  push_undo_block_paste(0, 1, 0, 0, 2);
  flush_undo_queue();
  complete_push_undo_macro();
  EXPECT_EQ(get_num_undo_queue_items(), 1);  // the inner group only
  complete_push_undo_macro();
  ASSERT_EQ(undo_queue, &ku_undo_queue);
  EXPECT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_EQ(get_num_undo_queue_actions(), 1);
}

TEST_F(UndoNoTerm, RunsBeyondSixteenLevelsJoinTheInnermostGroup) {
  for (int i = 0; i < UNDO_MAX_GROUPS + 3; i++) {
    push_undo_macro(12, 0, 0, 2);
    push_undo_block_paste(0, 1, 0, 0, 2);
  }
  // The three runs beyond the limit recorded into the sixteenth group,
  // beside its own record.
  EXPECT_EQ(get_num_undo_queue_items(), 4);
  for (int i = 0; i < UNDO_MAX_GROUPS + 3; i++) complete_push_undo_macro();
  ASSERT_EQ(undo_queue, &ku_undo_queue);
  EXPECT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_FALSE(message_is("Undo Macro"));
  complete_push_undo_macro();
  EXPECT_TRUE(message_is("Undo Macro - Wrong Queue"));
}

TEST_F(UndoNoTerm, FreeingARecordReleasesWhatItOwns) {
  // Every type, each holding its data; LeakSanitizer reports what is left.
  push_undo_macro(12, 0, 0, 2);
  curr_cmd = 'D';
  push_undo_del_char('a', 0, 0, 2);
  LineRecord t = text("tail");
  push_undo_del_right(&t, 1, 0, 1, 2);
  push_undo_del_line(node("gone"), 0, 0, 0, 2);
  ListHead block;
  init_list(&block);
  send_node(&block, node("blk"));
  push_undo_del_block(3, &block, 0, 0, 2);
  push_undo_substitute(&t, &t, 0, 0, 2);
  push_undo_del_word(&t, 2, 0, 0, 2);
  push_undo_ins_char(' ', 0, 0, 0, 2);
  push_undo_wrap_para(line_at(0), line_at(2), 0, 0, 0, 2);
  push_undo_macro(12, 0, 0, 2);
  push_undo_column_paste(56, &block, 0, 0, 2);
  complete_push_undo_macro();
  complete_push_undo_macro();
  purge_list(&block);
  EXPECT_EQ(get_num_undo_queue_items(), 1);
  UndoItem* odd = create_undo_item(0, 0, 0, 0, 42);
  queue_undo_item(odd);
  flush_undo_queue();
  EXPECT_EQ(get_num_undo_queue_items(), 0);
}

// --- undo driven through the editing commands, no terminal -------------------

class UndoReplayNoTerm : public UndoNoTerm {
 protected:
  void at(int line, int col) {
    update_curr_line();
    curr_line = line_at(line);
    set_curr_line_num(line + 1);
    curr_screen.cx = col;
    curr_screen.cy = update_curr_screen(2 + line);
  }
  static void type(const std::string& keys) {
    for (char c : keys) visual_processor(static_cast<unsigned char>(c));
  }
  static void cmd(char c) { cmd_processor(static_cast<unsigned char>(c)); }
};

TEST_F(UndoReplayNoTerm, ThreeTypedCharactersTakeThreeUndos) {
  at(0, 5);
  type("abc");
  EXPECT_EQ(file_lines()[0], "firstabc line");
  cmd('u');
  EXPECT_EQ(newest()->count, 2);
  EXPECT_EQ(file_lines()[0], "firstab line");
  cmd('u');
  EXPECT_EQ(newest()->count, 1);
  cmd('u');
  EXPECT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(file_lines()[0], "first line");
  EXPECT_EQ(curr_screen.cx, 5);
}

TEST_F(UndoReplayNoTerm, ACountBeyondTheActionsStopsQuietly) {
  at(1, 0);
  type("xy");
  cmd('5');
  cmd('u');
  EXPECT_EQ(file_lines()[1], "second line");
  EXPECT_EQ(get_num_undo_queue_actions(), 0);
  EXPECT_FALSE(message_is("No undo actions available"));
  cmd('u');
  EXPECT_TRUE(message_is("No undo actions available"));
}

TEST_F(UndoReplayNoTerm, DeletedLineEndSplitsAgainWithoutIndentation) {
  make_file({"    abc", "def"});
  options.auto_indent = 1;
  at(0, 7);
  cmd('D');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"    abcdef"}));
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"    abc", "def"}));
  EXPECT_EQ(get_curr_line_num(), 0);
  EXPECT_EQ(curr_screen.cx, 7);
  EXPECT_EQ(options.auto_indent, 1);
}

TEST_F(UndoReplayNoTerm, RuboutRunAndJoinComeBackInOrder) {
  at(1, 3);
  cmd('#');
  cmd('#');
  cmd('#');
  cmd('#');  // at column 0: joins with the line above
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"first lineond line", "third line"}));
  for (int i = 0; i < 4; i++) cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"first line", "second line", "third line"}));
  EXPECT_EQ(get_num_undo_queue_items(), 0);
}

TEST_F(UndoReplayNoTerm, LastLineOfTheFileGoesBackAtTheEnd) {
  at(2, 4);
  cmd('l');
  EXPECT_EQ(file_lines().size(), 2u);
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"first line", "second line", "third line"}));
  EXPECT_EQ(get_curr_line_num(), 2);
  EXPECT_EQ(curr_screen.cx, 4);
}

TEST_F(UndoReplayNoTerm, TwoDeleteLinesAtTheTopComeBackInOrder) {
  at(0, 0);
  cmd('l');
  cmd('l');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"third line"}));
  EXPECT_EQ(get_num_undo_queue_items(), 1);
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"second line", "third line"}));
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"first line", "second line", "third line"}));
}

TEST_F(UndoReplayNoTerm, TheOnlyLineComesBackInPlaceOfTheEmptyLine) {
  make_file({"alone"});
  cmd('l');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{""}));
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"alone"}));
}

TEST_F(UndoReplayNoTerm, EnterInAnIndentedLineIsUndoneWithItsIndentation) {
  make_file({"    abc def", "next"});
  options.auto_indent = 1;
  at(0, 8);
  type("\n");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"    abc ", "    def", "next"}));
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"    abc def", "next"}));
  EXPECT_EQ(get_num_undo_queue_items(), 0);
}

TEST_F(UndoReplayNoTerm, EnterOnABlankLineIsUndoneWithTheIndentationItGot) {
  // The blank line takes the indentation remembered from the line above,
  // which its own white space does not tell.
  make_file({"        deep", "    ", "x"});
  options.auto_indent = 1;
  at(0, 12);
  type("\n");
  cmd('u');
  at(1, 2);
  type("\n");
  EXPECT_EQ(file_lines()[2], std::string(8, ' ') + "  ");
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"        deep", "    ", "x"}));
}

TEST_F(UndoReplayNoTerm, EnterAtColumnZeroIsUndoneByRemovingTheLine) {
  at(1, 0);
  type("\n");
  EXPECT_EQ(file_lines().size(), 4u);
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"first line", "second line", "third line"}));
  EXPECT_EQ(get_curr_line_num(), 1);
}

TEST_F(UndoReplayNoTerm, TypedTextUndoneInOverwriteModeLeavesInsertMode) {
  at(0, 0);
  type("ab");
  ku_mode = last_ku_mode = OVERWRITE_MODE;
  cmd('u');
  EXPECT_EQ(ku_mode, INSERT_MODE);
  EXPECT_EQ(last_ku_mode, INSERT_MODE);
}

TEST_F(UndoReplayNoTerm, OverwrittenTextGetsItsCharactersBack) {
  ku_mode = last_ku_mode = OVERWRITE_MODE;
  at(0, 6);
  type("LINE!!");  // four characters over "line", two beyond the end
  EXPECT_EQ(file_lines()[0], "first LINE!!");
  ku_mode = last_ku_mode = INSERT_MODE;
  for (int i = 0; i < 6; i++) cmd('u');
  EXPECT_EQ(file_lines()[0], "first line");
  EXPECT_EQ(ku_mode, OVERWRITE_MODE);
  EXPECT_EQ(curr_screen.cx, 6);
}

TEST_F(UndoReplayNoTerm, TypedBeyondTheEndGoesWithItsBlanksWhenRecordedFirst) {
  // Text entry recording the key before the blanks up to the cursor become
  // text: the record knows the line's old length and restores it.
  at(0, 14);
  load_line_buf();
  push_undo_ins_char(' ', 0, 0, 14, curr_screen.cy);
  undo_state = 2;  // the key itself, unrecorded
  visual_processor('x');
  undo_state = 1;
  EXPECT_EQ(file_lines()[0], "first line    x");
  cmd('u');
  EXPECT_EQ(file_lines()[0], "first line");
}

TEST_F(UndoReplayNoTerm, DeletedTailAndHeadComeBack) {
  at(1, 6);
  cmd('k');
  EXPECT_EQ(file_lines()[1], "second");
  cmd('u');
  EXPECT_EQ(file_lines()[1], "second line");
  at(1, 7);
  cmd('d');
  EXPECT_EQ(file_lines()[1], "line");
  cmd('u');
  EXPECT_EQ(file_lines()[1], "second line");
}

TEST_F(UndoReplayNoTerm, ATabCharacterComesBackAsItself) {
  make_file({"a\tb"});
  options.input_xlate = 1;
  at(0, 1);
  cmd('D');
  cmd('u');
  EXPECT_EQ(file_lines()[0], "a\tb");
}

TEST_F(UndoReplayNoTerm, ARecordSurvivesTheFlushOfItsOwnReplay) {
  // With text wrapping on, deleting a character flushes the queue; the
  // replay of an insertion deletes one, and must not lose its record.
  at(0, 0);
  type("ab");
  options.text_wrapping = 1;
  cmd('u');
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_EQ(newest()->count, 1);
  cmd('u');
  EXPECT_EQ(file_lines()[0], "first line");
  EXPECT_EQ(options.text_wrapping, 1);
}

TEST_F(UndoReplayNoTerm, AMacroRunIsUndoneWithOneCommand) {
  at(0, 0);
  push_undo_macro(12, 0, 0, 2);
  type("xy");
  cmd('l');
  at(0, 3);
  cmd('k');
  complete_push_undo_macro();
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"sec", "third line"}));
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  cmd('u');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"first line", "second line", "third line"}));
  EXPECT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(undo_queue, &ku_undo_queue);
}

TEST_F(UndoReplayNoTerm, RecordsOfAnotherFileAreDiscardedUnreplayed) {
  // A switch that left the queue alone (quitting one of several files):
  // the records name positions in the file that was current.
  FileNode* saved = curr_file_des;
  FileNode other{};
  at(0, 0);
  type("ab");
  curr_file_des = &other;
  std::vector<std::string> before = file_lines();
  cmd('u');
  curr_file_des = saved;
  EXPECT_TRUE(message_is("Undo actions of another file discarded"));
  EXPECT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(file_lines(), before);
}

TEST_F(UndoReplayNoTerm, ARecordThatCannotBeReplayedIsReportedAndKept) {
  at(0, 0);
  type("z");
  queue_undo_item(create_undo_item(0, 0, 0, 0, 12));
  undo_queue->total++;
  std::vector<std::string> before = file_lines();
  cmd('u');
  EXPECT_TRUE(message_is("Unknown Undo Type!"));
  EXPECT_EQ(get_num_undo_queue_items(), 2);
  EXPECT_EQ(file_lines(), before);
  // Inside a macro group the run stops there and the group stays, with
  // what it could not take back.
  flush_undo_queue();
  push_undo_macro(12, 0, 0, 2);
  queue_undo_item(create_undo_item(0, 0, 0, 0, 12));
  undo_queue->total++;
  type("y");
  complete_push_undo_macro();
  cmd('u');
  EXPECT_EQ(file_lines(), before);
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_EQ(static_cast<ListHead*>(newest()->data)->count, 1);
}

TEST_F(UndoReplayNoTerm, ASplitThatCannotBeJoinedAgainFlushesTheQueue) {
  // A 382-character line split in two: joining would exceed the limit of a
  // join, so the split stays and no older record may be replayed over it.
  make_file({"ab", std::string(382, 'q')});
  at(0, 2);
  type("c");
  at(1, 100);
  type("\n");
  ASSERT_EQ(get_num_undo_queue_items(), 2);
  cmd('u');
  EXPECT_TRUE(message_is("Can't join lines - lines too long"));
  EXPECT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"abc", std::string(100, 'q'), std::string(282, 'q')}));
}

// --- round trip ----------------------------------------------------------

// Applies random recorded edits (through the commands and text entry, the
// way the main loop hands them over), then undoes every action: the file
// must be exactly the original.
class RoundTrip {
 public:
  explicit RoundTrip(unsigned seed) : rng_(seed) {}

  std::vector<std::string> random_file() {
    std::vector<std::string> v;
    int n = pick(1, 8);
    for (int i = 0; i < n; i++) {
      std::string s(static_cast<size_t>(pick(0, 3)) * 2, ' ');
      int len = pick(0, 30);
      for (int c = 0; c < len; c++) s.push_back(pick(0, 5) == 0 ? ' ' : static_cast<char>('a' + pick(0, 25)));
      if (pick(0, 10) == 0) s.push_back('\t');
      v.push_back(s);
    }
    return v;
  }

  // One random edit or motion; stays well inside the line limit.
  void step() {
    options.auto_indent = pick(0, 1);
    options.input_xlate = pick(0, 3) == 0;
    load_line_buf();
    int len = line_buf.length;
    if (curr_screen.cx > len + 2) curr_screen.cx = len;
    switch (pick(0, 15)) {
      case 0:
      case 1:
      case 2:
        set_mode(INSERT_MODE);
        if (curr_screen.cx > len) cmd('>');  // typed beyond the end: see below
        if (len < 300) visual_processor(pick(0, 7) == 0 ? '\t' : 'a' + pick(0, 25));
        break;
      case 3:
        set_mode(OVERWRITE_MODE);
        if (len < 300) visual_processor('A' + pick(0, 25));
        break;
      case 4:
        set_mode(INSERT_MODE);
        if (len < 300 && curr_screen.cx <= len) visual_processor('\n');
        break;
      case 5:
      case 6:
        cmd('D');
        break;
      case 7:
        set_mode(pick(0, 3) == 0 ? OVERWRITE_MODE : INSERT_MODE);
        cmd('#');
        break;
      case 8:
        cmd('k');
        break;
      case 9:
        cmd('d');
        break;
      case 10:
        cmd('l');
        break;
      case 11:
        cmd(',');
        break;
      case 12:
        cmd('.');
        break;
      case 13:
        cmd(pick(0, 1) ? '^' : '$');
        break;
      case 14:
        cmd(pick(0, 1) ? '<' : '>');
        break;
      case 15:
        if (undo_queue->count > 0 && pick(0, 2) == 0) cmd('u');  // undo part-way
        break;
    }
  }

  static void cmd(char c) { cmd_processor(static_cast<unsigned char>(c)); }
  static void set_mode(int m) { ku_mode = last_ku_mode = m; }
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  std::mt19937 rng_;
};

// Typing in insert mode with the cursor beyond the end of the text makes the
// blanks up to the cursor part of the line before the record is pushed, so
// the generator moves to the end first (see the report on text entry).
void run_round_trip(unsigned seed, bool check_screen) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  RoundTrip rt(seed);
  std::vector<std::string> original = rt.random_file();
  make_file(original);
  if (check_screen) draw_curr_screen();
  int steps = rt.pick(1, 90);
  for (int i = 0; i < steps && undo_queue->count < 100; i++) rt.step();
  options.auto_indent = rt.pick(0, 1);
  options.text_wrapping = rt.pick(0, 3) == 0;
  for (int guard = 0; undo_queue->count > 0 && guard < 5000; guard++) RoundTrip::cmd('u');
  options.text_wrapping = 0;
  EXPECT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(get_num_undo_queue_actions(), 0);
  ASSERT_EQ(file_lines(), original);
  if (check_screen) {
    // The window shows the file as it now is.
    int r = 2;
    for (LineNode* l = curr_screen.top_line; l && r < lines; l = next_line(l), r++) {
      std::string want;
      for (int c = 0; c < l->length && c < COLS; c++) want.push_back(text_cell(static_cast<unsigned char>(l->text[c])));
      std::string got = row_text(r);
      got = got.substr(0, got.find_last_not_of(' ') + 1);
      while (!want.empty() && want.back() == ' ') want.pop_back();
      ASSERT_EQ(got, want) << "row " << r;
      if (l == curr_screen.bottom_line) break;
    }
  }
}

TEST_F(UndoReplayNoTerm, RandomEditsAllUndoneGiveBackTheFile) {
  for (unsigned seed = 1; seed <= 300; seed++) {
    reset_editor_state();
    run_round_trip(seed, false);
    if (HasFatalFailure()) return;
  }
}

// The same on a screen, which must show the restored file.
class UndoReplayScreen : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    reset_editor_state();
  }
  void TearDown() override {
    init_undo_system();
    kuterm::TermTest::TearDown();
  }
};

TEST_F(UndoReplayScreen, RandomEditsAllUndoneShowTheFile) {
  for (unsigned seed = 1001; seed <= 1150; seed++) {
    reset_editor_state();
    run_round_trip(seed, true);
    if (HasFatalFailure()) return;
  }
}

TEST_F(UndoReplayScreen, DeletedLinesAreRedrawnInPlace) {
  make_file({"one", "two", "three", "four"});
  draw_curr_screen();
  curr_line = line_at(1);
  curr_screen.cy = 3;
  RoundTrip::cmd('l');
  RoundTrip::cmd('l');
  EXPECT_EQ(row_text(3, 0, 4), "four");
  RoundTrip::cmd('u');
  EXPECT_EQ(row_text(3, 0, 5), "three");
  EXPECT_EQ(row_text(4, 0, 4), "four");
  RoundTrip::cmd('u');
  EXPECT_EQ(row_text(3, 0, 3), "two");
  EXPECT_EQ(row_text(4, 0, 5), "three");
  EXPECT_EQ(getcury(stdscr), 3);
}

}  // namespace
