// Key decoding: turns raw terminal keys (bytes, ncurses key codes, escape
// sequences ncurses left undecoded) into the editor's one-character commands,
// setting command mode for every command key.
#pragma once

inline constexpr char rcr = 'M';  // direction codes kept in last_direction
inline constexpr char rcl = 'K';
inline constexpr char rcd = 'P';
inline constexpr char rcu = 'H';
inline constexpr int cmd_pr = 27;  // the command prefix key, ESC

struct EscSeqEntry {
  short key, final_, code, skip, next;
};
extern const EscSeqEntry esc_seq_table[6][14];

signed char map_keyboard(int k);
int handle_esc_sequence();
signed char map_extended_keyboard_keys(int k);
char unmap_extended_keyboard_key(int* cmd_ix);
