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

// Where keyboard keys come from: terminal_key by default.  Unit tests point
// it at a scripted source so that decoding and the read states run without a
// terminal.
extern int (*raw_key_source)();

// Rings the bell for a refused key in wait_for_enter and the prompts
// (writechar of BEL by default); a pointer so that tests can count bells.
extern void (*refuse_bell)();

// One key from the terminal (wgetch of the editor window).  Swallows
// KEY_RESIZE.  When the terminal has gone (hang-up, end of input) it calls
// ku_terminal_lost instead of returning, so a dead terminal never makes the
// editor spin.
int terminal_key();

// Whether the terminal input on descriptor fd has gone for good, judged after
// a blocking read failed: `read_errno` is the errno of that read and
// `failures` the number of failed reads in a row.
bool terminal_input_lost(int fd, int read_errno, int failures);

int read_raw_char();
int read_char();
int wait_for_enter();
