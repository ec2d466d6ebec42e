// Key decoding: the escape-sequence trie, the control-key and extended-key
// tables, and the functions that turn one raw key (reading the rest of an
// escape sequence where needed) into a command or text character.
#include "input/keys.h"

#include <curses.h>

#include <cstdlib>

#include "core/dispatch.h"
#include "input/readstate.h"
#include "term/status.h"
#include "term/terminal.h"

namespace {

void terminal_beep() { beep(); }

constexpr EscSeqEntry empty_entry() { return {0, 0, 0, 0, ESC_SEQ_NO_NEXT}; }
constexpr EscSeqEntry final_entry(int key, int code, int skip = 0) {
  return {static_cast<short>(key), 1, static_cast<short>(code), static_cast<short>(skip), ESC_SEQ_NO_NEXT};
}
constexpr EscSeqEntry go_entry(int key, int row) {
  return {static_cast<short>(key), 0, 0, 0, static_cast<short>(row)};
}

}  // namespace

void (*decode_bell)() = terminal_beep;

// clang-format off
constexpr EscSeqEntry esc_seq_table[ESC_SEQ_ROWS][ESC_SEQ_ROW_ENTRIES] = {
    // Row 0: the key after ESC.
    {go_entry('O', 1), go_entry('[', 2), go_entry(27, 0),
     empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(),
     empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry()},
    // Row 1: ESC O (SS3 keys: keypad, F1-F4, Home/End).
    {final_entry('E', 350), final_entry('F', 360), final_entry('H', 262), final_entry('M', 10),
     final_entry('P', 265), final_entry('Q', 266), final_entry('R', 267), final_entry('S', 268),
     final_entry('j', 325), final_entry('k', 327), final_entry('m', 326), final_entry('o', 313),
     final_entry(343, 10), empty_entry()},
    // Row 2: ESC [ (CSI keys).
    {go_entry('1', 3), go_entry('2', 4), final_entry('3', 330, 1), final_entry('7', 339),
     final_entry('8', 338), final_entry('A', 259), final_entry('B', 258), final_entry('C', 261),
     final_entry('D', 260), final_entry('E', 350), final_entry('F', 360), final_entry('H', 262),
     final_entry('P', 512), go_entry('[', 5)},
    // Row 3: ESC [ 1 (F5-F8, modified arrows).
    {final_entry('5', 269, 1), final_entry('7', 270, 1), final_entry('8', 271, 1),
     final_entry('9', 272, 1), final_entry(';', 402, 2),
     empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(),
     empty_entry(), empty_entry(), empty_entry()},
    // Row 4: ESC [ 2 (F9-F12, Insert).
    {final_entry('0', 273, 1), final_entry('1', 274, 1), final_entry('3', 275, 1),
     final_entry('4', 276, 1), final_entry('~', 331),
     empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(),
     empty_entry(), empty_entry(), empty_entry()},
    // Row 5: ESC [ [ (linux console F1-F5).
    {final_entry('A', 265), final_entry('B', 266), final_entry('C', 267), final_entry('D', 268),
     final_entry('E', 269),
     empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(), empty_entry(),
     empty_entry(), empty_entry(), empty_entry()},
};
// clang-format on

static_assert(sizeof(EscSeqEntry) == 5 * sizeof(short));
static_assert(sizeof(esc_seq_table) / sizeof(esc_seq_table[0]) == ESC_SEQ_ROWS);
static_assert(sizeof(esc_seq_table[0]) / sizeof(esc_seq_table[0][0]) == ESC_SEQ_ROW_ENTRIES);

namespace {

// Every unused slot is blank and every continuation names a row of the trie.
constexpr bool trie_well_formed() {
  for (const auto& row : esc_seq_table)
    for (const EscSeqEntry& e : row) {
      if (e.key == 0 && (e.final_ != 0 || e.next != ESC_SEQ_NO_NEXT)) return false;
      if (e.key != 0 && e.final_ == 0 && (e.next < 0 || e.next >= ESC_SEQ_ROWS)) return false;
      if (e.final_ != 0 && e.next != ESC_SEQ_NO_NEXT) return false;
    }
  return true;
}
static_assert(trie_well_formed());

// Sequences that real terminals send but the trie does not hold (its row 2
// is full): looked up when a key after ESC O, ESC [ or ESC [ 1 fits no entry
// of the trie, before that key is refused.  Same meaning as final entries.
struct EscSeqExtra {
  short row, key, code, skip;
};
constexpr EscSeqExtra esc_seq_extra[] = {
    {1, 'A', KEY_UP, 0},     // cursor keys in application mode (ESC O A..D)
    {1, 'B', KEY_DOWN, 0},   //   under a terminal entry that lacks them
    {1, 'C', KEY_RIGHT, 0},
    {1, 'D', KEY_LEFT, 0},
    {1, 'u', KEY_B2, 0},     // keypad 5 in application keypad mode (tmux, screen)
    {2, 'a', 390, 0},        // rxvt shifted up: half page up
    {2, 'b', 387, 0},        // rxvt shifted down: half page down
    {2, 'c', KEY_SRIGHT, 0}, // rxvt shifted right
    {2, 'd', KEY_SLEFT, 0},  // rxvt shifted left
    {2, 'G', KEY_B2, 0},     // linux console keypad 5
    {2, '4', KEY_END, 1},    // ESC [ 4 ~: End (VT220 Select)
    {2, '5', KEY_PPAGE, 1},  // ESC [ 5 ~: Page Up
    {2, '6', KEY_NPAGE, 1},  // ESC [ 6 ~: Page Down
    {3, '~', KEY_HOME, 0},   // ESC [ 1 ~: Home (VT220 Find)
    {3, '1', KEY_F(1), 1},   // ESC [ 1 1 ~ .. ESC [ 1 4 ~: rxvt F1-F4
    {3, '2', KEY_F(2), 1},
    {3, '3', KEY_F(3), 1},
    {3, '4', KEY_F(4), 1},
};

// Control keys Ctrl-A (1) to Ctrl-Z (26): the command (or TAB, LF) each
// stands for, and whether it is refused with the bell.
struct ControlKey {
  char result;
  bool bell;
};
constexpr ControlKey control_keys[27] = {
    {0, false},                                      // 0: not a control key here
    {'I', true},  {'L', false}, {'C', false},       // Ctrl-A B C
    {'$', false}, {';', false}, {'I', true},        // Ctrl-D E F
    {'M', false}, {'#', false}, {'\t', false},      // Ctrl-G H I
    {'\n', false}, {'I', true}, {',', false},       // Ctrl-J K L
    {'I', true},  {'F', false}, {'I', false},       // Ctrl-M N O
    {'B', false}, {'I', true},  {'.', false},       // Ctrl-P Q R
    {'I', true},  {'H', false}, {'^', false},       // Ctrl-S T U
    {'V', false}, {'I', true},  {'X', false},       // Ctrl-V W X
    {'I', true},  {'u', false},                     // Ctrl-Y Z
};

// Keys ncurses decodes: the command for each, in command mode (persistent or
// after ESC) and in the typing modes.
struct ExtendedKey {
  short code;
  char in_command_mode;
  char in_typing_mode;
};
constexpr ExtendedKey extended_keys[] = {
    {258, '}', '$'},  // KEY_DOWN: paragraph down / cursor down
    {259, '{', '^'},  // KEY_UP: paragraph up / cursor up
    {260, '[', ','},  // KEY_LEFT: word left / cursor left
    {261, ']', '.'},  // KEY_RIGHT: word right / cursor right
    {262, '<', '<'},  // KEY_HOME
    {263, '#', '#'},  // KEY_BACKSPACE
    {265, 'a', 'a'},  // F1 again
    {266, 'b', 'b'},  // F2 block menu
    {267, 'c', 'c'},  // F3 column menu
    {268, 'j', 'j'},  // F4 jump
    {269, 'f', 'f'},  // F5 find
    {270, 'r', 'r'},  // F6 replace
    {271, 'p', 'p'},  // F7 paste
    {272, 'e', 'e'},  // F8 edit
    {273, 'l', 'l'},  // F9 delete line
    {274, 'k', 'k'},  // F10 delete to end of line
    {275, 'U', 'U'},  // F11 update
    {276, 'q', 'q'},  // F12 quit
    {313, 'z', 'z'},  // F49, keypad "/": pick line
    {325, 'i', 'i'},  // F61, keypad "*": info
    {326, 'g', 'g'},  // F62, keypad "-": go to file
    {327, 'n', 'n'},  // F63, keypad "+": next file
    {330, 'W', 'D'},  // KEY_DC: delete word / delete character
    {331, 'I', 'I'},  // KEY_IC: insert/overwrite toggle
    {338, '~', 'F'},  // KEY_NPAGE: bottom of file / page down
    {339, '\\', 'B'}, // KEY_PPAGE: top of file / page up
    {350, ':', ':'},  // KEY_B2, keypad centre: edge motion
    {360, '>', '>'},  // KEY_END
    {362, '<', '<'},  // KEY_FIND: start of line
    {385, '>', '>'},  // KEY_SELECT: end of line
    {387, '+', '+'},  // shifted down: half page down
    {390, '-', '-'},  // shifted up: half page up
    {393, '(', '('},  // shifted left: half screen left
    {402, ')', ')'},  // shifted right: half screen right
    {409, '_', '_'},  // KEY_MOUSE
};

// The same keys as real terminals report them under other ncurses codes,
// mapped to the command the help panel names for the key.
constexpr ExtendedKey terminal_key_aliases[] = {
    {KEY_SR, '-', '-'},      // shifted up (kri: xterm, tmux)
    {KEY_SF, '+', '+'},      // shifted down (kind: xterm, tmux)
    {KEY_BEG, ':', ':'},     // keypad 5 without NumLock (kbeg: xterm)
    {KEY_A1, '<', '<'},      // keypad Home (7)
    {KEY_C1, '>', '>'},      // keypad End (1)
    {KEY_A3, '\\', 'B'},     // keypad Page Up (9)
    {KEY_C3, '~', 'F'},      // keypad Page Down (3)
};

const ExtendedKey* find_extended(int k) {
  for (const ExtendedKey& e : extended_keys)
    if (e.code == k) return &e;
  for (const ExtendedKey& e : terminal_key_aliases)
    if (e.code == k) return &e;
  return nullptr;
}

// Second meanings and their plain counterparts, by command character.
struct SecondMeaning {
  char given;
  char plain;
};
constexpr SecondMeaning second_meanings[] = {
    {']', '.'}, {'[', ','}, {'{', '^'}, {'}', '$'}, {'W', 'D'}, {'\\', 'B'}, {'~', 'F'},
};

// Where the keys of an escape sequence come from: the read states (the
// keyboard, a macro being replayed) or the bytes of a key string.
struct KeyFeed {
  const char* text = nullptr;  // a key string; null: read_raw_char

  int next() { return text == nullptr ? read_raw_char() : next_text(); }
  // The key after ESC O or ESC [: from the keyboard only if it follows at
  // once, ERR when none does (the user typed ESC O or ESC [ by hand).
  int next_prompt() { return text == nullptr ? read_raw_char_within(KU_ESC_DELAY_MS) : next_text(); }
  int next_text() { return *text == 0 ? ERR : static_cast<unsigned char>(*text++); }
};

// The key code a final entry stands for, after reading and discarding
// `skip` keys.  A modified arrow (ESC [ 1 ; m x) is told apart by its last
// key x.
int final_code(KeyFeed& feed, int code, int skip) {
  int last = 0;
  for (int n = 0; n < skip; n++) last = feed.next();
  if (code != KEY_SRIGHT || skip == 0) return code;
  switch (last) {
    case 'A': return 390;
    case 'B': return 387;
    case 'C': return 402;
    case 'D': return 393;
    default:
      // The sequence was read to its end but is none the editor knows: refuse
      // it as a command, never as text typed into the file.
      ku_mode = COMMAND_MODE;
      return 'I';
  }
}

// Walks the trie from row 0 over the keys after an ESC.
int walk_esc_sequence(KeyFeed& feed) {
  int row = 0;
  int prefix = 0;  // 'O' or '[' when the previous key opened row 1 or 2
  for (;;) {
    int k = prefix != 0 ? feed.next_prompt() : feed.next();
    if (prefix != 0 && k == ERR) {
      // Nothing followed ESC O or ESC [ at once: the letter's own command.
      ku_mode = COMMAND_MODE;
      return prefix;
    }
    const EscSeqEntry* e = nullptr;
    for (const EscSeqEntry& cand : esc_seq_table[row])
      if (cand.key == k) {
        e = &cand;
        break;
      }
    if (e == nullptr) {
      if (row > 0)
        for (const EscSeqExtra& x : esc_seq_extra)
          if (x.row == row && x.key == k) return final_code(feed, x.code, x.skip);
      ku_mode = COMMAND_MODE;
      return row == 0 ? k : 'I';
    }
    if (k == cmd_pr) ku_mode = COMMAND_MODE;
    if (e->final_ != 0) return final_code(feed, e->code, e->skip);
    if (e->next == ESC_SEQ_NO_NEXT) {
      // An empty entry (a 0 key): the info command, never typed text.
      ku_mode = COMMAND_MODE;
      return 'i';
    }
    prefix = row == 0 && (k == 'O' || k == '[') ? k : 0;
    row = e->next;
  }
}

bool known_key_code(int k) { return k == KEY_ENTER || find_extended(k) != nullptr; }

// A key code that ncurses assigned from the terminal's description but that
// the tables do not know (keypad keys such as kpADD, modified arrows such as
// kUP5): decoded from the key's own bytes, as if ncurses had left them
// undecoded.  Returns -1 when the bytes mean nothing either.
int decode_key_string(int k) {
  char* bytes = keybound(k, 0);
  if (bytes == nullptr) return -1;
  int result = -1;
  if (bytes[0] == cmd_pr && bytes[1] != 0) {
    int saved_mode = ku_mode;
    KeyFeed feed{bytes + 1};
    int r = walk_esc_sequence(feed);
    bool whole = *feed.text == 0;
    ku_mode = saved_mode;
    if (whole && (r == '\n' || (r > 255 && known_key_code(r)))) result = r;
  }
  std::free(bytes);
  return result;
}

}  // namespace

int handle_esc_sequence() {
  KeyFeed feed;
  return walk_esc_sequence(feed);
}

signed char map_extended_keyboard_keys(int k) {
  const ExtendedKey* e = find_extended(k);
  char result;
  if (e == nullptr) {
    decode_bell();
    result = 'I';
  } else {
    result = ku_mode == COMMAND_MODE ? e->in_command_mode : e->in_typing_mode;
  }
  ku_mode = COMMAND_MODE;
  return static_cast<signed char>(result);
}

signed char map_keyboard(int k) {
  if (k == cmd_pr) k = handle_esc_sequence();
  if (k >= 1 && k <= 26) {
    const ControlKey& c = control_keys[k];
    if (k != '\t' && k != '\n') ku_mode = COMMAND_MODE;
    if (c.bell) decode_bell();
    return static_cast<signed char>(c.result);
  }
  if (k == 127) {
    ku_mode = COMMAND_MODE;
    return '#';
  }
  if (k <= 255) return static_cast<signed char>(k);
  if (!known_key_code(k)) {
    int r = decode_key_string(k);
    if (r > 0) k = r;
  }
  // The keypad's ENTER is ENTER: LF in whatever mode the editor is in.
  if (k == KEY_ENTER || k == '\n') return '\n';
  return map_extended_keyboard_keys(k);
}

char unmap_extended_keyboard_key(int* cmd_ix) {
  int ix = *cmd_ix;
  if (ix < 0 || ix >= N_COMMANDS) return 0;
  for (const SecondMeaning& s : second_meanings)
    if (commands[ix] == s.given) {
      *cmd_ix = command_index(s.plain);
      break;
    }
  return commands[*cmd_ix];
}
