// Keyboard macros driven directly on an ncurses screen opened on /dev/null
// with a scripted keyboard: the file image and its checks, writing and
// reading macro files, the keys a recording keeps when it is ended or
// refused, execution with counts and the again command, the undo groups of
// runs (also when one run abandons another), and the list page.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "input/keys.h"
#include "input_fixture.h"
#include "macros/macros.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

using kuinput::keyboard;
using kuinput::keyboard_reads;
using kuinput::ScriptedInput;
using kuinput::type;
using kuinput::type_text;

constexpr int ESC = 27;
constexpr int F1 = 265;

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint32_t be32(const std::string& s, size_t at) {
  auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(s[at + i])); };
  return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

void set_be32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}

class MacrosTest : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    ScriptedInput::reset();
    init_undo_system();
    init_list(&macro_list);
    last_macro = nullptr;
    curr_cmd = 'm';
    requested_reps = 1;
    curr_rep = 1;
    kuterm::make_file({"one", "two"});
    char tmpl[] = "/tmp/ku_macros_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ASSERT_NE(getcwd(start_, sizeof start_), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    EXPECT_TRUE(keyboard.empty()) << keyboard.size() << " scripted keys left unread";
    read_state = 0;
    curr_macro = nullptr;
    while (macro_list.count > 0) {
      Link* l = macro_list.first;
      list_delete(&macro_list, l, &status);
      ku_free(l);
    }
    last_macro = nullptr;
    while (undo_queue != &ku_undo_queue) complete_push_undo_macro();
    flush_undo_queue();
    EXPECT_EQ(chdir(start_), 0);
    std::string cmd = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    kuterm::TermTest::TearDown();
  }

  // A macro put straight into the list.
  static MacroRecord* define(const char* name, const std::vector<int>& keys) {
    auto* m = static_cast<MacroRecord*>(ku_calloc(sizeof(MacroRecord)));
    std::snprintf(m->name, sizeof m->name, "%s", name);
    for (int k : keys) m->keys[m->key_count++] = k;
    send_node(&macro_list, m);
    return m;
  }
  static std::vector<int> text_keys(const std::string& s) { return std::vector<int>(s.begin(), s.end()); }

  // Keys read from the keyboard one by one, as the main loop would.
  static void feed(const std::vector<int>& keys) {
    for (int k : keys) {
      type({k});
      read_raw_char();
    }
  }
  // The macro menu with one menu key, run as ESC "m" leaves it.
  static void menu(int key) {
    curr_cmd = 'm';
    type({key});
    macro_cmd();
  }
  static void create(const char* name) {
    curr_cmd = 'm';
    type({'c'});
    type_text(name);
    type({'\n'});
    macro_cmd();
  }
  static void execute(const char* name, int reps = 1, char cmd = 'x') {
    curr_cmd = cmd;
    requested_reps = reps;
    curr_rep = 1;
    if (name) {
      type_text(name);
      type({'\n'});
    }
    macro_execute();
  }
  static void write_macro(const char* name, const char* file) {
    type_text(name);
    type({'\n'});
    type_text(file);
    type({'\n'});
    macro_write();
  }
  static void read_macro(const char* file) {
    type_text(file);
    type({'\n'});
    macro_read();
  }
  // Reads raw keys until the replay has handed back to the keyboard; the
  // key that ends it comes from the keyboard ('!').
  static std::vector<int> replay_all() {
    std::vector<int> got;
    type({'!'});
    for (int guard = 0; guard < 100000; guard++) {
      int k = read_raw_char();
      if (read_state != 2) {
        EXPECT_EQ(k, '!');
        return got;
      }
      got.push_back(k);
    }
    ADD_FAILURE() << "the replay did not end";
    return got;
  }
  static std::string message() {
    std::string s(ku_msg_buf);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
  static std::vector<int> keys_of(const MacroRecord* m) { return std::vector<int>(m->keys, m->keys + m->key_count); }
  static bool groups_closed() { return undo_queue == &ku_undo_queue && stack_empty(&undo_queue_stack); }

  std::string path(const char* name) const { return dir_ + "/" + name; }

  std::string dir_;
  char start_[4096];
  ScriptedInput input_;
};

// --- the file image ----------------------------------------------------------

TEST_F(MacrosTest, ImageIsBigEndianWithLinksAsTwoZeroWords) {
  MacroRecord* m = define("demo", {'a', KEY_F(5), -1, 0x12345678});
  macro_stamp(m);
  unsigned char image[MACRO_IMAGE_SIZE];
  macro_to_image(m, image);
  std::string s(reinterpret_cast<char*>(image), sizeof image);
  EXPECT_EQ(s.substr(0, 8), std::string(8, '\0'));
  EXPECT_EQ(s.substr(8, 4), std::string("35g\0", 4));
  EXPECT_EQ(s.substr(12, 8), std::string("\x00\x00\x55\xAA\x00\x00\xAA\x55", 8));
  EXPECT_EQ(be32(s, 20), 4u);
  EXPECT_EQ(s.substr(24, 20), std::string("demo") + std::string(16, '\0'));
  EXPECT_EQ(be32(s, 44), uint32_t{'a'});
  EXPECT_EQ(be32(s, 48), uint32_t(KEY_F(5)));
  EXPECT_EQ(be32(s, 52), 0xFFFFFFFFu);
  EXPECT_EQ(s.substr(56, 4), std::string("\x12\x34\x56\x78", 4));
  EXPECT_EQ(s.substr(60), std::string(MACRO_IMAGE_SIZE - 60, '\0'));

  MacroRecord back;
  std::memset(&back, 0x5A, sizeof back);
  ASSERT_EQ(macro_from_image(image, sizeof image, &back), 0);
  EXPECT_EQ(back.next, nullptr);
  EXPECT_EQ(back.prev, nullptr);
  EXPECT_STREQ(back.name, "demo");
  EXPECT_EQ(keys_of(&back), keys_of(m));
  unsigned char again[MACRO_IMAGE_SIZE];
  macro_to_image(&back, again);
  EXPECT_EQ(std::memcmp(image, again, sizeof image), 0);
}

TEST_F(MacrosTest, WriteReadWriteGivesTheSameFile) {
  MacroRecord* m = define("keys", {'x', KEY_UP, ESC, 'f', 'a', 'b', '\n', KEY_F(11)});
  std::vector<int> typed = keys_of(m);
  write_macro("keys", "one.kum");
  EXPECT_EQ(message(), "one.kum written");
  std::string first = file_bytes(path("one.kum"));
  ASSERT_EQ(first.size(), MACRO_IMAGE_SIZE);

  // The original goes, the file's copy comes in and is written again.
  type_text("keys\n");
  macro_delete();
  EXPECT_EQ(macro_list.count, 0);
  read_macro("one.kum");
  EXPECT_EQ(message(), "one.kum read");
  ASSERT_EQ(macro_list.count, 1);
  MacroRecord* back = get_macro("keys");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(keys_of(back), typed);
  write_macro("keys", "two.kum");
  EXPECT_EQ(file_bytes(path("two.kum")), first);

  // And it replays the keys it was recorded with.
  execute("keys");
  EXPECT_EQ(replay_all(), typed);
}

TEST_F(MacrosTest, AFileKeepsWhatItHoldsBeyondTheKeysExceptItsLinks) {
  MacroRecord* m = define("pad", {'q', 'w'});
  macro_stamp(m);
  unsigned char image[MACRO_IMAGE_SIZE];
  macro_to_image(m, image);
  std::string s(reinterpret_cast<char*>(image), sizeof image);
  s.replace(0, 8, "\x01\x02\x03\x04\x05\x06\x07\x08");  // links of another machine
  s[11] = 'Z';                                          // the byte after the stamp
  s[24 + 10] = 'g';                                     // garbage after the name's end
  set_be32(s, 44 + 4 * 2, ESC);                         // keys dropped at the end of the recording
  set_be32(s, 44 + 4 * 3, 'm');
  set_be32(s, 44 + 4 * 511, 77);
  put_bytes(path("odd.kum"), s);
  type_text("pad\n");
  macro_delete();

  read_macro("odd.kum");
  ASSERT_NE(get_macro("pad"), nullptr);
  EXPECT_EQ(get_macro("pad")->key_count, 2);
  write_macro("pad", "copy.kum");
  std::string copy = file_bytes(path("copy.kum"));
  ASSERT_EQ(copy.size(), MACRO_IMAGE_SIZE);
  EXPECT_EQ(copy.substr(0, 8), std::string(8, '\0'));
  EXPECT_EQ(copy.substr(8), s.substr(8));
}

struct BadFile {
  const char* what;
  size_t size;          // bytes kept of the image
  size_t at;            // word changed (0: none)
  uint32_t value;
};
void PrintTo(const BadFile& c, std::ostream* os) { *os << c.what; }

class MacrosBadFile : public MacrosTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(MacrosBadFile, IsRejectedAndChangesNothing) {
  const BadFile& c = GetParam();
  MacroRecord* m = define("good", {'a', 'b'});
  macro_stamp(m);
  unsigned char image[MACRO_IMAGE_SIZE];
  macro_to_image(m, image);
  std::string s(reinterpret_cast<char*>(image), sizeof image);
  std::snprintf(m->name, sizeof m->name, "%s", "kept");
  if (c.at != 0) set_be32(s, c.at, c.value);
  if (c.size <= s.size())
    s.resize(c.size);
  else
    s.append(c.size - s.size(), 'x');
  if (std::string(c.what) == "unterminated name") s.replace(24, 20, std::string(20, 'n'));
  put_bytes(path("bad.kum"), s);

  read_macro("bad.kum");
  EXPECT_EQ(message(), "Not a KU macro file") << c.what;
  ASSERT_EQ(macro_list.count, 1) << c.what;
  EXPECT_EQ(get_macro("kept"), m);
  EXPECT_EQ(get_macro("good"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MacrosBadFile,
    ::testing::Values(BadFile{"first check word", MACRO_IMAGE_SIZE, 12, 0x55AB},
                      BadFile{"second check word", MACRO_IMAGE_SIZE, 16, 0x55AA},
                      BadFile{"key count 100000", MACRO_IMAGE_SIZE, 20, 100000},
                      BadFile{"key count 512", MACRO_IMAGE_SIZE, 20, 512},
                      BadFile{"negative key count", MACRO_IMAGE_SIZE, 20, 0xFFFFFFFF},
                      BadFile{"unterminated name", MACRO_IMAGE_SIZE, 0, 0},
                      BadFile{"one byte short", MACRO_IMAGE_SIZE - 1, 0, 0},
                      BadFile{"only the header", 44, 0, 0}, BadFile{"empty", 0, 0, 0},
                      BadFile{"one byte too many", MACRO_IMAGE_SIZE + 1, 0, 0}),
    [](const ::testing::TestParamInfo<BadFile>& i) {
      std::string n;
      for (const char* p = i.param.what; *p; p++)
        if (std::isalnum(static_cast<unsigned char>(*p))) n += *p;
      return n;
    });

TEST_F(MacrosTest, AFullFileIsAcceptedAndReplaysOnlyItsKeys) {
  MacroRecord* m = define("full", {});
  for (int i = 0; i < MACRO_KEY_LIMIT; i++) m->keys[m->key_count++] = 'a' + i % 26;
  m->keys[MACRO_KEY_LIMIT] = 999;  // beyond the count: never replayed
  write_macro("full", "full.kum");
  type_text("full\n");
  macro_delete();
  read_macro("full.kum");
  ASSERT_NE(get_macro("full"), nullptr);
  execute("full");
  std::vector<int> got = replay_all();
  ASSERT_EQ(got.size(), size_t(MACRO_KEY_LIMIT));
  EXPECT_EQ(got.back(), 'a' + (MACRO_KEY_LIMIT - 1) % 26);
}

TEST_F(MacrosTest, AnyKeyCodesOfAFileReplayThroughTheDecodingSafely) {
  const std::vector<int> odd = {INT32_MAX, INT32_MIN, -5, 0x12345678, 0, 255, 256, 511, 512, 100000, ESC, -1, ESC, '[', INT32_MAX};
  define("odd", odd);
  write_macro("odd", "odd.kum");
  type_text("odd\n");
  macro_delete();
  read_macro("odd.kum");
  ASSERT_NE(get_macro("odd"), nullptr);
  EXPECT_EQ(keys_of(get_macro("odd")), odd);
  execute("odd");
  type({'!'});
  for (int guard = 0; read_state == 2 && guard < 100; guard++) {
    int k = read_char();
    EXPECT_GE(k, 0);
    EXPECT_LE(k, 255);
  }
  EXPECT_EQ(read_state, 0);
  EXPECT_TRUE(groups_closed());
}

TEST_F(MacrosTest, AFileThatCannotBeOpenedSetsTheException) {
  read_macro("missing.kum");
  EXPECT_EQ(ku_exception, 3);
  EXPECT_EQ(macro_list.count, 0);
}

TEST_F(MacrosTest, WritingNeedsAKnownMacroAndAFile) {
  define("m1", {'a'});
  type_text("nope\n");
  macro_write();
  EXPECT_EQ(message(), "No such macro");

  // ESC-q leaves the dialog with no name.
  type_text("m1\n");
  type({ESC, 'q'});
  macro_write();
  EXPECT_EQ(message(), "Could not open requested file");
}

TEST_F(MacrosTest, ALongFileNameIsCutFromTheLeftInTheMessage) {
  define("m1", {'a'});
  std::string name = "abcdefghijklmnopqrstuvwxyz0123456789.kum";
  write_macro("m1", name.c_str());
  EXPECT_EQ(message(), "..." + name.substr(name.size() - 27) + " written");
}

// --- recording ---------------------------------------------------------------

enum class Ending { kMenu, kExecute, kAgain };

struct RecordCase {
  const char* what;
  int typed;                 // plain keys typed after Create
  std::vector<int> command;  // the keys of the command that ends (or tries to end) the recording
  Ending how;
  std::vector<int> menu_key; // kMenu: the keys of the menu entry
  bool still_recording;
};
void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.what; }

class MacrosRecord : public MacrosTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(MacrosRecord, KeepsOnlyTheKeysTyped) {
  const RecordCase& c = GetParam();
  create("rec");
  EXPECT_EQ(message(), "Defining macro: rec");
  ASSERT_EQ(read_state, 1);
  MacroRecord* m = get_macro("rec");
  ASSERT_EQ(curr_macro, m);
  std::vector<int> typed;
  for (int i = 0; i < c.typed; i++) typed.push_back('a' + i % 26);
  feed(typed);
  // The command's keys reach the recording before the command runs; the
  // menu key is read by the menu itself.
  feed(c.command);
  switch (c.how) {
    case Ending::kMenu:
      curr_cmd = 'm';
      type(c.menu_key);
      macro_cmd();
      break;
    case Ending::kExecute:
      curr_cmd = 'x';
      macro_execute();
      break;
    case Ending::kAgain:
      curr_cmd = 'a';
      macro_execute();
      break;
  }
  int expect = std::min(c.typed, MACRO_KEY_LIMIT);
  EXPECT_EQ(read_state == 1, c.still_recording);
  ASSERT_EQ(get_macro("rec"), m);
  EXPECT_EQ(m->key_count, expect);
  typed.resize(static_cast<size_t>(expect));
  EXPECT_EQ(keys_of(m), typed);
  if (c.still_recording) {
    EXPECT_EQ(message(), "Cannot nest macros");
  }
}

const std::vector<int> kEscM = {ESC, 'm'};

INSTANTIATE_TEST_SUITE_P(
    Cases, MacrosRecord,
    ::testing::Values(RecordCase{"three keys", 3, kEscM, Ending::kMenu, {'s'}, false},
                      RecordCase{"upper-case menu key", 3, kEscM, Ending::kMenu, {'S'}, false},
                      RecordCase{"with a count", 5, {ESC, '1', '2', 'm'}, Ending::kMenu, {'s'}, false},
                      RecordCase{"600 keys", 600, kEscM, Ending::kMenu, {'s'}, false},
                      RecordCase{"ESC and m fit", 509, kEscM, Ending::kMenu, {'s'}, false},
                      RecordCase{"only ESC fits", 510, kEscM, Ending::kMenu, {'s'}, false},
                      RecordCase{"full before ESC", 511, kEscM, Ending::kMenu, {'s'}, false},
                      RecordCase{"another menu entry", 4, kEscM, Ending::kMenu, {'c'}, true},
                      RecordCase{"ENTER in the menu", 4, kEscM, Ending::kMenu, {'\n'}, true},
                      RecordCase{"an arrow in the menu", 4, kEscM, Ending::kMenu, {ESC, '[', 'A'}, true},
                      RecordCase{"execute", 2, {ESC, 'x'}, Ending::kExecute, {}, true},
                      RecordCase{"execute with a count", 2, {ESC, '3', 'x'}, Ending::kExecute, {}, true},
                      RecordCase{"execute by F1", 2, {F1}, Ending::kAgain, {}, true},
                      RecordCase{"execute by F1 when full", 511, {F1}, Ending::kAgain, {}, true}),
    [](const ::testing::TestParamInfo<RecordCase>& i) {
      std::string n;
      for (const char* p = i.param.what; *p; p++)
        if (std::isalnum(static_cast<unsigned char>(*p))) n += *p;
      return n;
    });

TEST_F(MacrosTest, RefusedEntriesSayMacrosCannotNest) {
  create("rec");
  feed({'a', ESC, 'm'});
  menu('l');
  EXPECT_EQ(message(), "Cannot nest macros");
  EXPECT_EQ(read_state, 1);
  feed({ESC, 'm'});
  menu('s');
  EXPECT_EQ(message(), "Macro defined: rec");
  EXPECT_EQ(keys_of(get_macro("rec")), std::vector<int>{'a'});
  EXPECT_EQ(read_state, 0);
  EXPECT_EQ(curr_macro, nullptr);
}

TEST_F(MacrosTest, StoppingAtOnceDeletesTheMacro) {
  create("empty");
  feed({ESC, 'm'});
  menu('s');
  EXPECT_EQ(message(), "Empty macro - deleted");
  EXPECT_EQ(macro_list.count, 0);
  EXPECT_EQ(read_state, 0);
  EXPECT_EQ(curr_macro, nullptr);
  menu('s');
  EXPECT_EQ(message(), "Not creating a macro");
}

TEST_F(MacrosTest, CreateRefusesATakenOrEmptyName) {
  define("dup", {'a'});
  create("dup");
  EXPECT_EQ(message(), "Macro already exists");
  create("");
  EXPECT_EQ(message(), "Macro already exists");
  EXPECT_EQ(macro_list.count, 1);
  EXPECT_EQ(read_state, 0);
}

TEST_F(MacrosTest, TheNameTakesAtMostSeventeenCharacters) {
  create("abcdefghijklmnopqrstu");
  EXPECT_EQ(read_state, 1);
  EXPECT_NE(get_macro("abcdefghijklmnopq"), nullptr);
  feed({'z', ESC, 'm'});
  menu('s');
}

TEST_F(MacrosTest, GetMacroWantsTheWholeName) {
  MacroRecord* ab = define("ab", {'1'});
  MacroRecord* abc = define("abc", {'2'});
  EXPECT_EQ(get_macro("ab"), ab);
  EXPECT_EQ(get_macro("abc"), abc);
  EXPECT_EQ(get_macro("a"), nullptr);
  EXPECT_EQ(get_macro("abcd"), nullptr);
  define("ab", {'3'});
  EXPECT_EQ(get_macro("ab"), ab);  // the older one
}

// --- execution ---------------------------------------------------------------

TEST_F(MacrosTest, ACountReplaysEveryPassUnderOneUndoGroup) {
  define("four", {'w', 'x', 'y', 'z'});
  int items = undo_queue->count;
  execute("four", 3);
  EXPECT_EQ(curr_rep, 3);  // the dispatcher runs the command no more
  EXPECT_EQ(last_macro, get_macro("four"));
  EXPECT_NE(undo_queue, &ku_undo_queue);
  std::vector<int> got = replay_all();
  EXPECT_EQ(got, text_keys("wxyzwxyzwxyz"));
  EXPECT_TRUE(groups_closed());
  ASSERT_EQ(ku_undo_queue.count, items + 1);
  EXPECT_EQ(static_cast<UndoItem*>(ku_undo_queue.first)->type, UNDO_MACRO);
  EXPECT_EQ(static_cast<UndoItem*>(ku_undo_queue.first)->cmd_ix, 12);
}

TEST_F(MacrosTest, AnUnknownNameRunsNothing) {
  define("m1", {'a'});
  execute("m2");
  EXPECT_EQ(message(), "No such macro");
  EXPECT_EQ(read_state, 0);
  EXPECT_EQ(last_macro, nullptr);
  EXPECT_TRUE(groups_closed());
  EXPECT_EQ(ku_undo_queue.count, 0);
}

TEST_F(MacrosTest, AgainRunsTheLastMacroWithoutAsking) {
  define("m1", {'a'});
  define("m2", {'b', 'c'});
  execute("m2");
  replay_all();
  int reads = keyboard_reads;
  execute(nullptr, 2, 'a');
  EXPECT_EQ(keyboard_reads, reads);
  EXPECT_EQ(replay_all(), text_keys("bcbc"));
  // With no macro run yet the again command asks.
  last_macro = nullptr;
  execute("m1", 1, 'a');
  EXPECT_EQ(replay_all(), text_keys("a"));
}

TEST_F(MacrosTest, ExecutingDuringAReplayAbandonsItAndClosesItsGroup) {
  // "outer" types p, then its keys answer an execute's name prompt.
  define("outer", text_keys("pinner\nq"));
  define("inner", text_keys("zz"));
  execute("outer", 2);
  EXPECT_EQ(read_raw_char(), 'p');
  execute(nullptr);  // the replayed ESC x: its name comes from the replay
  EXPECT_EQ(curr_macro, get_macro("inner"));
  EXPECT_EQ(replay_all(), text_keys("zz"));
  EXPECT_TRUE(groups_closed());
  EXPECT_EQ(ku_undo_queue.count, 2);
  EXPECT_EQ(last_macro, get_macro("inner"));
}

TEST_F(MacrosTest, AMacroThatRunsItselfIsStoppedAfterAHundredRuns) {
  define("loop", text_keys("kloop\n"));
  execute("loop");
  int runs = 1;
  for (;;) {
    ASSERT_EQ(read_raw_char(), 'k');
    macro_execute();  // reads "loop\n" from the replay
    if (message() == "Cannot nest macros") break;
    ASSERT_LT(++runs, 1000);
  }
  EXPECT_EQ(runs, MACRO_MAX_CHAINED_RUNS + 1);
  EXPECT_EQ(replay_all(), std::vector<int>{});
  EXPECT_TRUE(groups_closed());
  // A run from the keyboard starts a fresh chain.
  execute("loop");
  EXPECT_EQ(read_raw_char(), 'k');
  std::strcpy(ku_msg_buf, " ");
  macro_execute();
  EXPECT_EQ(message(), "");
  EXPECT_EQ(rs_ix, 0);
  EXPECT_EQ(read_state, 2);
}

TEST_F(MacrosTest, AReplayCannotDeleteStopOrReRecordItself) {
  define("self", text_keys("self\nself\nnew\n"));
  define("other", {'o'});
  execute("self");
  macro_delete();  // name "self" from the replay
  EXPECT_EQ(message(), "Macro is running - not deleted");
  EXPECT_EQ(get_macro("self"), curr_macro);
  macro_stop();
  EXPECT_EQ(message(), "Not creating a macro");
  macro_create();
  EXPECT_EQ(message(), "Cannot nest macros");
  EXPECT_EQ(read_state, 2);
  // The remaining keys replay as they are.
  EXPECT_EQ(replay_all(), text_keys("self\nnew\n"));
  EXPECT_EQ(macro_list.count, 2);
  EXPECT_TRUE(groups_closed());
}

TEST_F(MacrosTest, DeletingTheLastMacroForgetsIt) {
  define("keep", {'k'});
  define("gone", {'g'});
  execute("gone");
  replay_all();
  type_text("gone\n");
  macro_delete();
  EXPECT_EQ(message(), "gone deleted");
  EXPECT_EQ(last_macro, nullptr);
  EXPECT_EQ(macro_list.count, 1);
  type_text("gone\n");
  macro_delete();
  EXPECT_EQ(message(), "No such macro");
}

TEST_F(MacrosTest, ExecuteRefusedWhileRecording) {
  define("m1", {'a'});
  create("rec");
  feed({'b', ESC, 'x'});
  curr_cmd = 'x';
  macro_execute();
  EXPECT_EQ(message(), "Cannot nest macros");
  EXPECT_EQ(read_state, 1);
  EXPECT_EQ(keys_of(get_macro("rec")), std::vector<int>{'b'});
  EXPECT_TRUE(groups_closed());
  feed({ESC, 'm'});
  menu('s');
}

TEST_F(MacrosTest, XecuteCommandRunsTheNamedMacro) {
  define("m1", {'a', 'b'});
  type_text("m1\n");
  curr_cmd = 'x';
  requested_reps = 1;
  xecute_cmd();
  EXPECT_EQ(read_state, 2);
  EXPECT_EQ(replay_all(), text_keys("ab"));
}

TEST_F(MacrosTest, MenuWaitsPastUnknownKeysAndLeavesOnEnter) {
  type({'q', 'z', '\n'});
  macro_cmd();
  EXPECT_TRUE(stack_empty(&status_stack));
  EXPECT_EQ(read_state, 0);
  EXPECT_EQ(macro_list.count, 0);
}

// --- the list page -----------------------------------------------------------

TEST_F(MacrosTest, ListShowsNamesAndSizesDownToTheDivider) {
  for (int i = 0; i < 30; i++) {
    std::string name = "mac" + std::to_string(i);
    define(name.c_str(), std::vector<int>(static_cast<size_t>(i + 1), 'k'));
  }
  type({'\n'});
  macro_list_all();
  EXPECT_NE(kuterm::row_text(0).find("MacOSX KU v3.5g - Available Macros"), std::string::npos);
  EXPECT_EQ(kuterm::row_text(3, 0, 42), "Idx     Macro Name              Macro Size");
  auto entry = [](int i) {
    std::string e = std::to_string(i) + "       mac" + std::to_string(i);
    e.resize(32, ' ');
    e += std::to_string(i + 1);
    e.resize(40, ' ');
    return e;
  };
  for (int i = 0; i < 17; i++) EXPECT_EQ(kuterm::row_text(5 + i, 0, 40), entry(i)) << "row " << 5 + i;
  EXPECT_EQ(kuterm::row_text(22, 0, 10), std::string(10, '-'));
  EXPECT_EQ(kuterm::row_text(23, 0, 25), "ENTER (return to editing)");
}

}  // namespace
