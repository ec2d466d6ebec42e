// Undo exactness over every undoable command: seeded random sessions of
// keys, fed through key decoding and the dispatcher exactly as the main loop
// hands them over (typing, overwrite, deletions, splits and joins, the line
// delete buffer, line and column block menus, find and replace, paragraph
// wrapping, repetition counts, macro runs), stay under the record limit and
// are then undone completely: the file must come back byte for byte.
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "core/entry.h"
#include "edit/find.h"
#include "input/keys.h"
#include "input/readstate.h"
#include "macros/macros.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

using kuterm::make_file;

constexpr int ESC = 27;
constexpr int CTRL_D = 4;   // cursor down
constexpr int CTRL_U = 21;  // cursor up
constexpr int CTRL_L = 12;  // cursor left
constexpr int CTRL_R = 18;  // cursor right

// The scripted keyboard: keys of the action being run; once they are used
// up every read answers ENTER, which leaves any menu or prompt.
std::vector<int> script;
size_t script_pos = 0;
int over_reads = 0;

int script_key(int) {
  if (script_pos < script.size()) return script[script_pos++];
  over_reads++;
  return '\n';
}

std::vector<std::string> file_text() {
  update_curr_line();
  std::vector<std::string> v;
  for (LineNode* l = first_line(curr_file); l; l = next_line(l)) v.emplace_back(l->text, static_cast<size_t>(l->length));
  return v;
}

std::string show(const std::vector<std::string>& v) {
  std::string s;
  for (auto& l : v) s += "|" + l + "|\n";
  return s;
}

class UndoProperty : public kuterm::TermTest {
 public:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    saved_source_ = raw_key_source;
    raw_key_source = script_key;
    reset_all();
  }
  void TearDown() override {
    raw_key_source = saved_source_;
    reset_all();
    kuterm::TermTest::TearDown();
  }

  // Everything a session leaves behind is cleared before the next.
  static void reset_all() {
    init_undo_system();
    ku_undo_queue.format = 0;
    for (ListHead* h : {&line_block, &line_del_block, &kill_block}) {
      purge_list(h);
      init_list(h);
      h->saved_checksum = 0;
    }
    purge_list(&column_block);
    init_column_block();
    purge_list(&macro_list);
    init_list(&macro_list);
    last_macro = nullptr;
    curr_macro = nullptr;
    read_state = 0;
    rs_ix = 0;
    rs_reps_left = 0;
    last_area_cmd = 0;
    set_default_options();
    options.text_wrapping = 0;
    ku_mode = last_ku_mode = INSERT_MODE;
    curr_cmd = 0;
    curr_rep = 1;
    requested_reps = 1;
    last_cmd_ix = 0;
    rep_ix = 0;
    ag_last_cmd = 'I';
    ag_last_cmd_ix = 0;
    ag_last_reps = 1;
    for (int i = 0; i < N_COMMANDS; i++) undo_supported[i] = 1;
    for (int i : {5, 7, 13}) undo_supported[i] = 0;
    find_buf[0] = 0;
    subs_buf[0] = 0;
  }


 public:
  // Runs keys as the main loop does, to the last one.
  // A macro run started by the keys is played to its end, as the main loop
  // would before the next key: once the keys are used up, ESC ENTER (which
  // does nothing) is what the keyboard gives when the replay ends.
  static void run(const std::vector<int>& keys) {
    script = keys;
    script_pos = 0;
    while (script_pos < script.size() || read_state == 2) {
      if (script_pos == script.size()) script.insert(script.end(), {ESC, '\n'});
      int key = read_char();
      ku_exception = 0;
      if (ku_mode == COMMAND_MODE)
        cmd_processor(key);
      else
        visual_processor(key);
    }
  }


 protected:
  int (*saved_source_)(int) = nullptr;
};

// Random sessions; the generator knows nothing of the commands' effects.
class Session {
 public:
  explicit Session(unsigned seed) : rng_(seed) {}
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::vector<std::string> file() {
    std::vector<std::string> v;
    for (int i = 0, n = pick(1, 14); i < n; i++) {
      std::string s(static_cast<size_t>(pick(0, 2) * 2), ' ');
      if (pick(0, 8) == 0) s += "- ";
      int len = pick(0, 10) == 0 ? pick(100, 200) : pick(0, 40);
      for (int c = 0; c < len; c++) s.push_back(letter());
      if (pick(0, 8) == 0) s.push_back('\t');
      v.push_back(s);
    }
    return v;
  }

  // Keys of one action (a command with what it asks for, or typing).
  std::vector<int> action() {
    std::vector<int> k;
    auto cmd = [&](int c) { k.insert(k.end(), {ESC, c}); };
    auto count = [&]() {
      k.push_back(ESC);
      k.push_back('1' + pick(0, 4));
    };
    int kind = pick(0, 28);
    switch (kind) {
      case 0: case 1: case 2: case 3:  // text
        for (int i = 0, n = pick(1, 6); i < n; i++) k.push_back(pick(0, 9) == 0 ? '\t' : letter());
        break;
      case 4: k.push_back('\n'); break;
      case 5: cmd('D'); break;
      case 6: k.push_back(127); break;  // rubout
      case 7: cmd('k'); break;
      case 8: cmd('d'); break;
      case 9: cmd('l'); break;
      case 10: cmd('W'); break;
      case 11: cmd(pick(0, 2) ? 'X' : 'C'); break;
      case 12: cmd('V'); break;
      case 13: cmd('w'); break;
      case 14: case 15:  // a count before an editing command
        count();
        k.push_back("DlkWXV#w"[pick(0, 7)]);
        break;
      case 16: case 17: {  // line block: extend the range, then an entry
        cmd('b');
        for (int i = 0, n = pick(0, 3); i < n; i++) k.push_back(pick(0, 3) ? CTRL_D : CTRL_U);
        k.push_back("CAKDPWXF"[pick(0, 7)]);
        break;
      }
      case 18: case 19: {  // column block: lines, columns, then an entry
        cmd('c');
        for (int i = 0, n = pick(0, 3); i < n; i++) k.push_back(pick(0, 3) ? CTRL_D : CTRL_U);
        if (pick(0, 3)) {
          k.push_back(pick(0, 1) ? CTRL_R : CTRL_L);
          for (int i = 0, n = pick(0, 6); i < n; i++) k.push_back(pick(0, 3) ? CTRL_R : CTRL_L);
          k.push_back("IKDCPXE"[pick(0, 6)]);
        } else {
          k.push_back("IPXE"[pick(0, 3)]);
        }
        break;
      }
      case 20: {  // replace, sometimes with a count or '*'
        if (pick(0, 2) == 0) {
          // While recording no '*': a run replacing up to 32000 times could
          // overflow its group's record limit unseen.
          k.push_back(ESC);
          k.push_back(pick(0, 1) && !recording_ ? '*' : '2' + pick(0, 3));
          k.push_back('r');
        } else {
          cmd('r');
        }
        k.push_back(KEY_F(10));
        for (int i = 0, n = pick(1, 2); i < n; i++) k.push_back('a' + pick(0, 4));
        k.push_back('\n');
        k.push_back(KEY_F(10));
        for (int i = 0, n = pick(0, 4); i < n; i++) k.push_back(pick(0, 4) ? 'A' + pick(0, 3) : ' ');
        if (k.back() == 'A') k.push_back('B');  // an empty answer would keep the old string
        k.push_back('\n');
        break;
      }
      case 21: case 28: macro(k); break;
      case 22: cmd(pick(0, 1) ? 'I' : 'O'); break;  // insert / overwrite mode
      case 23: k.push_back(pick(0, 1) ? CTRL_D : CTRL_U); break;
      case 24: k.push_back(pick(0, 1) ? CTRL_L : CTRL_R); break;
      case 25: cmd("<>][{}"[pick(0, 5)]); break;
      case 26: cmd('a'); break;  // again
      case 27: cmd('u'); break;  // undo part-way
    }
    return k;
  }

 private:
  // A macro: recorded live (one to three actions between ESC-m C and ESC-m
  // S), or a defined one run by name, with a count or by the again command.
  // A recording holds no macro commands of its own.
  void macro(std::vector<int>& k) {
    if (recording_) return;
    if (macros_ == 0 || pick(0, 2) == 0) {
      name(k, {ESC, 'm', 'C'}, macros_++);
      recording_ = true;
      for (int i = 0, n = pick(1, 3); i < n; i++) {
        std::vector<int> a = action();
        k.insert(k.end(), a.begin(), a.end());
      }
      recording_ = false;
      k.insert(k.end(), {ESC, 'm', 'S'});
      return;
    }
    int which = pick(0, macros_ - 1);
    switch (pick(0, 3)) {
      case 0: name(k, {ESC, static_cast<int>('2' + pick(0, 1)), 'x'}, which); break;
      case 1: name(k, {ESC, 'x'}, which); k.insert(k.end(), {ESC, 'a'}); break;
      default: name(k, {ESC, 'x'}, which); break;
    }
  }
  static void name(std::vector<int>& k, std::initializer_list<int> before, int id) {
    k.insert(k.end(), before);
    for (char c : "m" + std::to_string(id)) k.push_back(c);
    k.push_back('\n');
  }

  bool recording_ = false;
  int macros_ = 0;
  char letter() { return pick(0, 5) == 0 ? ' ' : static_cast<char>('a' + pick(0, pick(0, 1) ? 4 : 25)); }
  std::mt19937 rng_;
};

struct Outcome {
  bool checked = false;  // the session stayed under the limit and unflushed
  bool same = true;      // the file came back
  std::string report;
};

std::string key_names(const std::vector<int>& keys) {
  std::string t;
  for (int k : keys)
    t += k == ESC ? "<Esc>" : k >= 32 && k < 127 ? std::string(1, static_cast<char>(k)) : "<" + std::to_string(k) + ">";
  return t;
}

// One session of at most `limit` actions, all undone.
Outcome session(unsigned seed, int max_actions, int limit = 1 << 30) {
  Outcome out;
  Session g(seed);
  std::vector<std::string> original = g.file();
  make_file(original);
  draw_curr_screen();
  std::vector<std::vector<int>> done;
  int n = g.pick(1, max_actions);
  bool full = false;
  for (int i = 0; i < n && i < limit; i++) {
    if (get_num_undo_queue_items() > UNDO_MAX_RECORDS - 20) break;
    std::vector<int> keys = g.action();
    UndoProperty::run(keys);
    done.push_back(keys);
    // A record dropped at the limit cannot be undone.
    if (get_num_undo_queue_items() >= UNDO_MAX_RECORDS) full = true;
  }
  UndoProperty::run({});
  // A flush by design (an error replay) or the limit: nothing to compare.
  if (full || ku_undo_queue.format == 'f') return out;
  ku_mode = last_ku_mode = INSERT_MODE;
  for (int guard = 0; undo_queue->count > 0 && guard < 20000; guard++) UndoProperty::run({ESC, 'u'});
  out.checked = true;
  std::vector<std::string> now = file_text();
  if (now != original || ku_undo_queue.format == 'f') {
    out.same = false;
    std::string trail;
    for (auto& keys : done) trail += key_names(keys) + " | ";
    out.report = std::string(ku_undo_queue.format == 'f' ? " (queue flushed during undo)" : "") + "\noriginal:\n" +
                 show(original) + "after undo:\n" + show(now) + "actions: " + trail;
  }
  return out;
}

// Runs a seed; on a difference, finds the shortest failing prefix of its
// actions and reports that.
bool check_seed(unsigned seed, int max_actions, int* checked) {
  UndoProperty::reset_all();
  Outcome o = session(seed, max_actions);
  *checked += o.checked;
  if (o.same) return true;
  for (int k = 1;; k++) {
    UndoProperty::reset_all();
    Outcome p = session(seed, max_actions, k);
    if (!p.same) {
      ADD_FAILURE() << "seed " << seed << ", first " << k << " actions" << p.report;
      return false;
    }
  }
}

TEST_F(UndoProperty, EveryUndoableCommandIsUndoneExactly) {
  int checked = 0;
  for (unsigned seed = 1; seed <= 250; seed++)
    if (!check_seed(seed, 40, &checked)) return;
  // Sessions cut short by the limit or a flush must stay the exception, or
  // the property says little.
  EXPECT_GT(checked, 210);
}

// Long sessions reach the record limit's neighbourhood.
TEST_F(UndoProperty, LongSessionsUnderTheRecordLimitAreUndoneExactly) {
  int checked = 0;
  for (unsigned seed = 5001; seed <= 5030; seed++)
    if (!check_seed(seed, 400, &checked)) return;
  EXPECT_GT(checked, 10);
}

}  // namespace

namespace {

// A macro recorded and then run: the edits made while recording are ordinary
// records of the main queue, undone one at a time; the run is one group
// record, and one undo takes back everything it did.
TEST_F(UndoProperty, RecordedAndExecutedMacroIsUndoneExactly) {
  std::vector<std::string> original = {"alpha one", "beta two", "gamma three", "delta four", "epsilon five", "zeta"};
  make_file(original);
  draw_curr_screen();
  run({ESC, 'm', 'C', 'q', '\n', '\n', ESC, 'l', ESC, 'l', ESC, 'm', 'S'});
  std::vector<std::string> recorded = {"", "gamma three", "delta four", "epsilon five", "zeta"};
  EXPECT_EQ(show(file_text()), show(recorded));
  int records = get_num_undo_queue_items();
  run({ESC, 'x', 'q', '\n'});
  EXPECT_EQ(show(file_text()), show({"", "", "epsilon five", "zeta"}));
  ASSERT_EQ(undo_queue, &ku_undo_queue);
  EXPECT_EQ(get_num_undo_queue_items(), records + 1);
  run({ESC, 'u'});
  EXPECT_EQ(show(file_text()), show(recorded));
  for (int guard = 0; undo_queue->count > 0 && guard < 100; guard++) run({ESC, 'u'});
  EXPECT_EQ(show(file_text()), show(original));
}

}  // namespace

namespace {

// Typing beyond the end of a line is undone with the blanks it added.
TEST_F(UndoProperty, TypingBeyondTheEndIsUndoneWithItsBlanks) {
  std::vector<std::string> original = {"abcdefgh", "xy"};
  make_file(original);
  draw_curr_screen();
  run({CTRL_D});
  curr_screen.cx = 6;  // beyond the end of "xy", as after a motion from a longer line
  run({'z'});
  EXPECT_EQ(file_text()[1], "xy    z");
  for (int guard = 0; undo_queue->count > 0 && guard < 20; guard++) run({ESC, 'u'});
  EXPECT_EQ(show(file_text()), show(original));
}

// A count before the Delete key (delete word in command mode) runs the plain
// delete-character command, whose deletions are recorded as its own.
TEST_F(UndoProperty, CountedDeleteKeyIsUndone) {
  std::vector<std::string> original = {"abcdefgh", "xy"};
  make_file(original);
  draw_curr_screen();
  run({ESC, '3', KEY_DC});
  EXPECT_EQ(file_text()[0], "defgh");
  for (int guard = 0; undo_queue->count > 0 && guard < 20; guard++) run({ESC, 'u'});
  EXPECT_EQ(show(file_text()), show(original));
}

}  // namespace
