// Key decoding: turns raw terminal keys (bytes, ncurses key codes, escape
// sequences ncurses left undecoded) into the editor's one-character commands,
// setting command mode for every command key.
#pragma once

inline constexpr char rcr = 'M';  // direction codes kept in last_direction
inline constexpr char rcl = 'K';
inline constexpr char rcd = 'P';
inline constexpr char rcu = 'H';
inline constexpr int cmd_pr = 27;  // the command prefix key, ESC

// One entry of the escape-sequence trie: `key` selects the entry in its row;
// a final entry stands for key `code` after `skip` further keys are read and
// discarded; a non-final one continues in row `next` (85: no continuation).
struct EscSeqEntry {
  short key, final_, code, skip, next;
};
inline constexpr int ESC_SEQ_ROWS = 6;
inline constexpr int ESC_SEQ_ROW_ENTRIES = 14;
inline constexpr short ESC_SEQ_NO_NEXT = 85;
extern const EscSeqEntry esc_seq_table[ESC_SEQ_ROWS][ESC_SEQ_ROW_ENTRIES];  // the trie, row 0 after ESC

// Rings the terminal bell for a key that decodes to nothing (ncurses beep by
// default); a pointer so that tests without a terminal can count the bells.
extern void (*decode_bell)();

signed char map_keyboard(int k);
int handle_esc_sequence();
signed char map_extended_keyboard_keys(int k);
char unmap_extended_keyboard_key(int* cmd_ix);
