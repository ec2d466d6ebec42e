// Prompted input line: typing and editing an answer on an ncurses screen
// (opened on /dev/null and read back cell by cell), capacity limits, preset
// answers, refused keys, and replay with nothing drawn.
#include <curses.h>

#include <cstring>
#include <memory>
#include <string>

#include "input/prompt.h"
#include "input_fixture.h"
#include "macros/macros.h"
#include "term_fixture.h"

namespace kuinput {
namespace {

constexpr int ESC = 27;

class PromptTest : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    ScriptedInput::reset();
    std::memset(answer, 'Z', sizeof answer);
  }

  // Reads an answer for "Name: " on row 0 with the answer right after it.
  int ask(const char* keys_text = nullptr, int capacity = 40) {
    if (keys_text) type_text(keys_text);
    return prompt_read_str(0, 0, "Name: ", -1, -1, answer, capacity);
  }
  // Reads an answer with the preset text on row 0 from column 3.
  int ask_preset(const char* preset, int capacity = 40) {
    return prompt_read_str(3, 0, preset, -2, -2, answer, capacity);
  }

  std::string row0() const { return kuterm::row_text(0, 0, 20); }

  ScriptedInput input_;
  char answer[64];
};

TEST_F(PromptTest, EnterAtOnceGivesAnEmptyAnswer) {
  type({'\n'});
  EXPECT_EQ(ask(), 0);
  EXPECT_STREQ(answer, "");
  EXPECT_EQ(bells, 0);
  EXPECT_EQ(row0(), "Name:               ");
}

TEST_F(PromptTest, TypedAnswerIsShownAfterThePrompt) {
  EXPECT_EQ(ask("hello\n"), 5);
  EXPECT_STREQ(answer, "hello");
  EXPECT_EQ(row0(), "Name: hello         ");
}

TEST_F(PromptTest, CapacityLimitsTheAnswerWhereverTheCursorIs) {
  type_text("abcdefghij");   // the tenth character does not fit
  type({KEY_HOME, 'X', KEY_LEFT, KEY_RIGHT, KEY_RIGHT, 'Y', '\n'});
  EXPECT_EQ(ask(nullptr, 10), 9);
  EXPECT_STREQ(answer, "abcdefghi");
  EXPECT_EQ(bells, 4);  // 'j', 'X', Left at the start and 'Y'
  EXPECT_EQ(row0(), "Name: abcdefghi     ");
}

TEST_F(PromptTest, LeftAtTheStartAndRightAtTheEndBeep) {
  type({'a', KEY_RIGHT, KEY_HOME, KEY_LEFT, '\n'});
  EXPECT_EQ(ask(), 1);
  EXPECT_EQ(bells, 2);
  EXPECT_STREQ(answer, "a");
}

TEST_F(PromptTest, PresetAnswerIsEditedInPlace) {
  struct Case {
    std::vector<int> keys;
    const char* result;
  };
  const Case cases[] = {
      {{'x', '\n'}, "xabc"},
      {{KEY_END, 'x', '\n'}, "abcx"},
      {{KEY_F(10), '\n'}, ""},
      {{KEY_RIGHT, KEY_DC, '\n'}, "ac"},
      {{KEY_END, 127, 8, '\n'}, "a"},
      {{KEY_RIGHT, KEY_RIGHT, ESC, 'd', 'Q', '\n'}, "Qc"},
      {{KEY_END, KEY_LEFT, 'y', '\n'}, "abyc"},
  };
  for (const Case& c : cases) {
    ScriptedInput::reset();
    wmove(stdscr, 0, 0);
    wclrtoeol(stdscr);
    type(c.keys);
    int n = ask_preset("abc");
    EXPECT_STREQ(answer, c.result);
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.result)));
    EXPECT_EQ(kuterm::row_text(0, 3, 8), (std::string(c.result) + "        ").substr(0, 8)) << c.result;
    EXPECT_EQ(bells, 0) << c.result;
  }
}

TEST_F(PromptTest, DeleteToTheStartMovesTheCursorToIndexZero) {
  std::strcpy(answer, "abcdefgh");
  mvwaddstr(stdscr, 5, 10, "abcdefgh");
  int i = 2, x = 12, y = 5;
  ku_mode = COMMAND_MODE;
  EXPECT_EQ(line_edit(answer, 40, 'd', &i, &x, &y), 6);
  EXPECT_STREQ(answer, "cdefgh");
  EXPECT_EQ(i, 0);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 5);
  EXPECT_EQ(ku_mode, last_ku_mode);
  EXPECT_EQ(kuterm::row_text(5, 10, 8), "cdefgh  ");
  EXPECT_EQ(getcurx(stdscr), 10);
}

TEST_F(PromptTest, RefusedAndIgnoredKeysLeaveTheAnswer) {
  std::strcpy(answer, "abc");
  mvwaddstr(stdscr, 3, 0, "abc");
  struct Case {
    int mode;
    int key;
    int index;  // cursor index before the key
    int bells;
  };
  const Case cases[] = {
      {COMMAND_MODE, '#', 0, 1},   // rubout at the start
      {COMMAND_MODE, 'D', 3, 0},   // Delete at the end: nothing, no bell
      {COMMAND_MODE, 'q', 1, 1},   // ESC q: no editing command
      {COMMAND_MODE, 'f', 1, 1},   // F5
      {COMMAND_MODE, ',', 0, 1},
      {COMMAND_MODE, '.', 3, 1},
      {INSERT_MODE, '\t', 1, 0},   // TAB is ignored
      {INSERT_MODE, 200, 1, 0},    // so are other bytes
      {OVERWRITE_MODE, 0, 1, 0},
  };
  for (const Case& c : cases) {
    bells = 0;
    last_ku_mode = c.mode == COMMAND_MODE ? INSERT_MODE : c.mode;
    ku_mode = c.mode;
    int i = c.index, x = c.index, y = 3;
    EXPECT_EQ(line_edit(answer, 10, c.key, &i, &x, &y), 3) << c.key;
    EXPECT_STREQ(answer, "abc");
    EXPECT_EQ(i, c.index) << c.key;
    EXPECT_EQ(x, c.index) << c.key;
    EXPECT_EQ(bells, c.bells) << c.key;
    EXPECT_EQ(ku_mode, last_ku_mode) << c.key;
    EXPECT_EQ(kuterm::row_text(3, 0, 4), "abc ");
  }
}

TEST_F(PromptTest, EscQBeepsAndThePromptStaysOpen) {
  type({ESC, 'q', 'o', 'k', '\t', '\n'});
  EXPECT_EQ(ask(), 2);
  EXPECT_STREQ(answer, "ok");
  EXPECT_EQ(bells, 1);
}

TEST_F(PromptTest, InsertionNeverOverwrites) {
  last_ku_mode = ku_mode = OVERWRITE_MODE;
  type({KEY_RIGHT, 'x', '\n'});
  EXPECT_EQ(ask_preset("abc"), 4);
  EXPECT_STREQ(answer, "axbc");
  EXPECT_EQ(ku_mode, OVERWRITE_MODE);
}

TEST_F(PromptTest, ReplayDrawsNothingAndGivesTheSameAnswer) {
  auto m = std::make_unique<MacroRecord>();
  std::memset(m.get(), 0, sizeof *m);
  const int keys[] = {'a', 'b', 'c', KEY_LEFT, 127, 'X', ESC, '>', 'Y', '\n'};
  for (int k : keys) m->keys[m->key_count++] = k;

  type(std::vector<int>(std::begin(keys), std::end(keys)));
  EXPECT_EQ(ask(), 4);
  EXPECT_STREQ(answer, "aXcY");
  EXPECT_EQ(row0(), "Name: aXcY          ");

  wmove(stdscr, 0, 0);
  wclrtoeol(stdscr);
  ScriptedInput::reset();
  curr_macro = m.get();
  read_state = 2;
  std::memset(answer, 'Z', sizeof answer);
  EXPECT_EQ(ask(), 4);
  EXPECT_STREQ(answer, "aXcY");
  EXPECT_EQ(row0(), std::string(20, ' '));
  EXPECT_EQ(keyboard_reads, 0);
}

TEST_F(PromptTest, ScreenColumnFollowsTheIndexDuringReplay) {
  read_state = 2;
  std::strcpy(answer, "abcd");
  int i = 4, x = 14, y = 0;
  ku_mode = COMMAND_MODE;
  line_edit(answer, 40, '<', &i, &x, &y);
  EXPECT_EQ(x, 10);
  line_edit(answer, 40, 'x', &i, &x, &y);
  EXPECT_EQ(x, 11);
  EXPECT_EQ(i, 1);
  ku_mode = COMMAND_MODE;
  line_edit(answer, 40, 'd', &i, &x, &y);
  EXPECT_EQ(x, 10);
  EXPECT_STREQ(answer, "abcd");
}

TEST_F(PromptTest, PresetIsCutToTheCapacityAndHighBytesShowAsPlaceholders) {
  type({'\n'});
  EXPECT_EQ(ask_preset("abcdefghijkl", 6), 5);
  EXPECT_STREQ(answer, "abcde");

  ScriptedInput::reset();
  type({KEY_END, 'z', '\n'});
  EXPECT_EQ(ask_preset("a\xe9\tb"), 5);
  EXPECT_STREQ(answer, "a\xe9\tbz");
  std::string shown = kuterm::row_text(0, 3, 5);
  EXPECT_EQ(shown[0], 'a');
  EXPECT_EQ(shown[1], HIGH_BYTE_PLACEHOLDER);
  EXPECT_EQ(shown[2], wtab_char);
  EXPECT_EQ(shown.substr(3), "bz");
}

TEST_F(PromptTest, ReadStrKeepsOrClearsTheBuffer) {
  std::strcpy(answer, "old");
  type({'n', '\n'});
  EXPECT_EQ(read_str(answer, 40, 5, 4, 1, 0), 1);
  EXPECT_STREQ(answer, "n");

  std::strcpy(answer, "old");
  type({'n', '\n'});
  EXPECT_EQ(read_str(answer, 40, 5, 4, 1, 1), 4);
  EXPECT_STREQ(answer, "nold");
  EXPECT_EQ(kuterm::row_text(4, 5, 5), "nold ");
}

}  // namespace
}  // namespace kuinput
