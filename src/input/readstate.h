// Read states: where the next raw key comes from (start-up macro, keyboard,
// macro replay), recording keys while a macro is defined, and the decoded
// key reader every command uses.
#pragma once

struct MacroRecord;

extern int init_macro[32];     // start-up macro: raw keys delivered before the keyboard
extern int init_macro_keys;    // start-up keys still to deliver
extern int init_macro_ix;      // index of the next start-up key
extern int read_state;         // 0 keyboard, 1 recording a macro, 2 replaying one
extern MacroRecord* curr_macro;  // macro being recorded or replayed
extern int rs_ix;              // next key to replay
extern int rs_reps_left;       // further passes still to replay

int read_raw_char();
int read_char();
int wait_for_enter();
