// Key decoding: escape sequences, control keys, ncurses key codes and the
// second meanings that a repetition count removes.
#include <curses.h>

#include <string>
#include <vector>

#include "core/dispatch.h"
#include "input_fixture.h"

namespace kuinput {
namespace {

constexpr int ESC = 27;

struct DecodeCase {
  const char* what;
  int start_mode;
  std::vector<int> keys;  // raw keys; the first is handed to map_keyboard
  int result;             // the decoded character (as a signed char)
  int mode;               // ku_mode afterwards
  int bells;
  size_t left = 0;        // keys of the script not consumed
};

class DecodeTest : public InputTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(DecodeTest, Decodes) {
  const DecodeCase& c = GetParam();
  ku_mode = c.start_mode;
  type(std::vector<int>(c.keys.begin() + 1, c.keys.end()));
  signed char got = map_keyboard(c.keys.front());
  EXPECT_EQ(got, static_cast<signed char>(c.result)) << c.what;
  EXPECT_EQ(ku_mode, c.mode) << c.what;
  EXPECT_EQ(bells, c.bells) << c.what;
  EXPECT_EQ(keyboard.size(), c.left) << c.what;
}

constexpr int INS = INSERT_MODE, OVR = OVERWRITE_MODE, CMD = COMMAND_MODE;

const DecodeCase decode_cases[] = {
    // The ESC prefix.
    {"ESC q", INS, {ESC, 'q'}, 'q', CMD, 0},
    {"ESC ESC ESC q acts as one prefix", INS, {ESC, ESC, ESC, 'q'}, 'q', CMD, 0},
    {"ESC then a byte of 200", INS, {ESC, 200}, static_cast<signed char>(200), CMD, 0},
    {"ESC O x does not fit row 1", INS, {ESC, 'O', 'x'}, 'I', CMD, 0},
    // Nothing came at once after ESC O or ESC [ (the keyboard answered ERR):
    // the user typed the letter command by hand.
    {"ESC O typed by hand", INS, {ESC, 'O', ERR}, 'O', CMD, 0},
    {"ESC [ typed by hand", OVR, {ESC, '[', ERR}, '[', CMD, 0},
    {"ESC ESC [ typed by hand", INS, {ESC, ESC, '[', ERR}, '[', CMD, 0},
    {"ESC [ 1 then nothing", INS, {ESC, '[', '1', ERR}, 'I', CMD, 0},
    {"ESC ESC [ 3 ~ is ESC-Delete", INS, {ESC, ESC, '[', '3', '~'}, 'W', CMD, 0},
    {"ESC [ 3 ~ is Delete", INS, {ESC, '[', '3', '~'}, 'D', CMD, 0},
    {"ESC [ 1 ; 2 D shifted left", INS, {ESC, '[', '1', ';', '2', 'D'}, '(', CMD, 0},
    {"ESC [ 1 ; 2 C shifted right", OVR, {ESC, '[', '1', ';', '2', 'C'}, ')', CMD, 0},
    {"ESC [ 1 ; 2 A shifted up", INS, {ESC, '[', '1', ';', '2', 'A'}, '-', CMD, 0},
    {"ESC [ 1 ; 2 B shifted down", INS, {ESC, '[', '1', ';', '2', 'B'}, '+', CMD, 0},
    {"ESC [ 1 ; 2 Z is refused as a command", INS, {ESC, '[', '1', ';', '2', 'Z'}, 'I', CMD, 0},
    {"ESC [ 7 is page up and leaves the ~", INS, {ESC, '[', '7', '~'}, 'B', CMD, 0, 1},
    {"ESC [ 8 is page down", INS, {ESC, '[', '8'}, 'F', CMD, 0},
    {"ESC O M keypad ENTER keeps insert mode", INS, {ESC, 'O', 'M'}, '\n', INS, 0},
    {"ESC O M keypad ENTER keeps overwrite mode", OVR, {ESC, 'O', 'M'}, '\n', OVR, 0},
    {"ESC O KEY_ENTER", INS, {ESC, 'O', KEY_ENTER}, '\n', INS, 0},
    {"ESC NUL is the info command", INS, {ESC, 0}, 'i', CMD, 0},
    {"NUL inside ESC O", INS, {ESC, 'O', 0}, 'i', CMD, 0},
    {"NUL inside ESC [ 1", INS, {ESC, '[', '1', 0}, 'i', CMD, 0},
    {"NUL inside ESC [ (a full row)", INS, {ESC, '[', 0}, 'I', CMD, 0},
    {"ESC [ P has no binding", INS, {ESC, '[', 'P'}, 'I', CMD, 1},
    {"ESC [ [ E linux F5", INS, {ESC, '[', '[', 'E'}, 'f', CMD, 0},
    {"ESC [ 2 4 ~ F12", INS, {ESC, '[', '2', '4', '~'}, 'q', CMD, 0},
    {"ESC [ 1 5 ~ F5", INS, {ESC, '[', '1', '5', '~'}, 'f', CMD, 0},
    {"ESC [ 2 ~ Insert", INS, {ESC, '[', '2', '~'}, 'I', CMD, 0},
    {"ESC O o keypad /", INS, {ESC, 'O', 'o'}, 'z', CMD, 0},
    {"ESC O j keypad *", INS, {ESC, 'O', 'j'}, 'i', CMD, 0},
    {"ESC O m keypad -", INS, {ESC, 'O', 'm'}, 'g', CMD, 0},
    {"ESC O k keypad +", INS, {ESC, 'O', 'k'}, 'n', CMD, 0},
    {"ESC O E keypad centre", INS, {ESC, 'O', 'E'}, ':', CMD, 0},
    {"ESC O H Home", INS, {ESC, 'O', 'H'}, '<', CMD, 0},
    {"ESC [ F End", INS, {ESC, '[', 'F'}, '>', CMD, 0},
    {"ESC [ A up", INS, {ESC, '[', 'A'}, '^', CMD, 0},
    {"ESC ESC [ A ESC-up", INS, {ESC, ESC, '[', 'A'}, '{', CMD, 0},
    // Sequences of real terminals outside the trie.
    {"rxvt shifted up ESC [ a", INS, {ESC, '[', 'a'}, '-', CMD, 0},
    {"rxvt shifted down ESC [ b", INS, {ESC, '[', 'b'}, '+', CMD, 0},
    {"rxvt shifted right ESC [ c", INS, {ESC, '[', 'c'}, ')', CMD, 0},
    {"rxvt shifted left ESC [ d", INS, {ESC, '[', 'd'}, '(', CMD, 0},
    {"ESC O A application up", INS, {ESC, 'O', 'A'}, '^', CMD, 0},
    {"ESC ESC O D application ESC-left", INS, {ESC, ESC, 'O', 'D'}, '[', CMD, 0},
    {"ESC O u keypad 5", INS, {ESC, 'O', 'u'}, ':', CMD, 0},
    {"ESC [ G linux keypad 5", INS, {ESC, '[', 'G'}, ':', CMD, 0},
    {"ESC [ 1 ~ Home", INS, {ESC, '[', '1', '~'}, '<', CMD, 0},
    {"ESC [ 4 ~ End", INS, {ESC, '[', '4', '~'}, '>', CMD, 0},
    {"ESC [ 5 ~ page up", INS, {ESC, '[', '5', '~'}, 'B', CMD, 0},
    {"ESC ESC [ 6 ~ ESC-page down", INS, {ESC, ESC, '[', '6', '~'}, '~', CMD, 0},
    {"ESC [ 1 1 ~ rxvt F1", INS, {ESC, '[', '1', '1', '~'}, 'a', CMD, 0},
    {"ESC [ 1 4 ~ rxvt F4", INS, {ESC, '[', '1', '4', '~'}, 'j', CMD, 0},
    // ESC before a key ncurses decoded: its second meaning.
    {"ESC KEY_DC", INS, {ESC, KEY_DC}, 'W', CMD, 0},
    {"ESC KEY_NPAGE", INS, {ESC, KEY_NPAGE}, '~', CMD, 0},
    {"ESC KEY_PPAGE", INS, {ESC, KEY_PPAGE}, '\\', CMD, 0},
    {"ESC KEY_DOWN", INS, {ESC, KEY_DOWN}, '}', CMD, 0},
    {"ESC KEY_ENTER leaves command mode as LF", INS, {ESC, KEY_ENTER}, '\n', CMD, 0},
    // Control keys and DEL.
    {"Ctrl-A beeps", INS, {1}, 'I', CMD, 1},
    {"Ctrl-Y beeps", OVR, {25}, 'I', CMD, 1},
    {"Ctrl-M beeps", INS, {13}, 'I', CMD, 1},
    {"Ctrl-O toggles without a beep", INS, {15}, 'I', CMD, 0},
    {"Ctrl-H rubout", INS, {8}, '#', CMD, 0},
    {"DEL rubout", INS, {127}, '#', CMD, 0},
    {"Ctrl-B", INS, {2}, 'L', CMD, 0},
    {"Ctrl-Z undo", INS, {26}, 'u', CMD, 0},
    {"Ctrl-E extended motion", INS, {5}, ';', CMD, 0},
    {"TAB is text", INS, {9}, '\t', INS, 0},
    {"LF is text", OVR, {10}, '\n', OVR, 0},
    // Bytes pass through untouched.
    {"printable", INS, {'x'}, 'x', INS, 0},
    {"NUL", INS, {0}, 0, INS, 0},
    {"byte 128", INS, {128}, static_cast<signed char>(128), INS, 0},
    {"byte 255", OVR, {255}, static_cast<signed char>(255), OVR, 0},
    {"ERR", INS, {ERR}, -1, INS, 0},
    // ncurses key codes.
    {"KEY_LEFT in insert mode", INS, {KEY_LEFT}, ',', CMD, 0},
    {"KEY_LEFT in command mode", CMD, {KEY_LEFT}, '[', CMD, 0},
    {"KEY_RIGHT in overwrite mode", OVR, {KEY_RIGHT}, '.', CMD, 0},
    {"KEY_UP in command mode", CMD, {KEY_UP}, '{', CMD, 0},
    {"KEY_BACKSPACE", INS, {KEY_BACKSPACE}, '#', CMD, 0},
    {"KEY_IC", INS, {KEY_IC}, 'I', CMD, 0},
    {"KEY_B2", INS, {KEY_B2}, ':', CMD, 0},
    {"KEY_MOUSE", INS, {KEY_MOUSE}, '_', CMD, 0},
    {"KEY_FIND", INS, {KEY_FIND}, '<', CMD, 0},
    {"KEY_SELECT", INS, {KEY_SELECT}, '>', CMD, 0},
    {"KEY_SLEFT", INS, {KEY_SLEFT}, '(', CMD, 0},
    {"KEY_SRIGHT", INS, {KEY_SRIGHT}, ')', CMD, 0},
    {"code 387 shifted down", INS, {387}, '+', CMD, 0},
    {"code 390 shifted up", INS, {390}, '-', CMD, 0},
    {"unbound KEY_F(13) beeps", INS, {KEY_F(13)}, 'I', CMD, 1},
    {"unbound KEY_BTAB beeps", INS, {KEY_BTAB}, 'I', CMD, 1},
    // The same keys under the codes real terminals report.
    {"KEY_SR shifted up", INS, {KEY_SR}, '-', CMD, 0},
    {"KEY_SF shifted down", INS, {KEY_SF}, '+', CMD, 0},
    {"KEY_BEG keypad 5", INS, {KEY_BEG}, ':', CMD, 0},
    {"KEY_A1 keypad Home", INS, {KEY_A1}, '<', CMD, 0},
    {"KEY_C1 keypad End", INS, {KEY_C1}, '>', CMD, 0},
    {"KEY_A3 keypad page up", INS, {KEY_A3}, 'B', CMD, 0},
    {"KEY_C3 keypad page down", CMD, {KEY_C3}, '~', CMD, 0},
    {"KEY_ENTER is ENTER in insert mode", INS, {KEY_ENTER}, '\n', INS, 0},
};

INSTANTIATE_TEST_SUITE_P(Keys, DecodeTest, ::testing::ValuesIn(decode_cases));

using KeysTest = InputTest;

TEST_F(KeysTest, FunctionKeysGiveTheirCommands) {
  const char expected[] = "abcjfrpelkUq";
  for (int n = 1; n <= 12; n++) {
    ku_mode = INSERT_MODE;
    EXPECT_EQ(map_keyboard(KEY_F(n)), expected[n - 1]) << "F" << n;
    EXPECT_EQ(ku_mode, COMMAND_MODE);
  }
  EXPECT_EQ(bells, 0);
}

TEST_F(KeysTest, HandleEscSequenceReturnsKeyCodes) {
  type({'[', '3', '~'});
  EXPECT_EQ(handle_esc_sequence(), KEY_DC);
  EXPECT_EQ(ku_mode, INSERT_MODE);
  type({'f'});
  EXPECT_EQ(handle_esc_sequence(), 'f');
  EXPECT_EQ(ku_mode, COMMAND_MODE);
  ku_mode = INSERT_MODE;
  type({KEY_LEFT});
  EXPECT_EQ(handle_esc_sequence(), KEY_LEFT);
  EXPECT_EQ(ku_mode, COMMAND_MODE);
}

TEST_F(KeysTest, UnmapRemovesSecondMeanings) {
  struct Pair {
    char given, plain;
  };
  const Pair pairs[] = {{']', '.'}, {'[', ','}, {'{', '^'}, {'}', '$'}, {'W', 'D'}, {'\\', 'B'}, {'~', 'F'}};
  for (const Pair& p : pairs) {
    int ix = command_index(p.given);
    ASSERT_GE(ix, 0);
    EXPECT_EQ(unmap_extended_keyboard_key(&ix), p.plain) << p.given;
    EXPECT_EQ(ix, command_index(p.plain)) << p.given;
  }
  for (char c : std::string("f.,l#DBF")) {
    int ix = command_index(c);
    EXPECT_EQ(unmap_extended_keyboard_key(&ix), c);
    EXPECT_EQ(ix, command_index(c));
  }
  int none = -1;
  EXPECT_EQ(unmap_extended_keyboard_key(&none), 0);
  EXPECT_EQ(none, -1);
}

TEST_F(KeysTest, TrieHasTheSpecifiedShape) {
  // Empty slots: key 0, not final, no continuation.
  int empties = 0;
  for (const auto& row : esc_seq_table)
    for (const EscSeqEntry& e : row)
      if (e.key == 0) {
        empties++;
        EXPECT_EQ(e.final_, 0);
        EXPECT_EQ(e.next, 85);
      }
  // Rows hold 3, 13, 14, 5, 5 and 5 entries.
  EXPECT_EQ(empties, 6 * 14 - (3 + 13 + 14 + 5 + 5 + 5));
  EXPECT_EQ(esc_seq_table[1][12].key, KEY_ENTER);
  EXPECT_EQ(esc_seq_table[0][2].key, 27);
  EXPECT_EQ(esc_seq_table[0][2].next, 0);
}

}  // namespace
}  // namespace kuinput
