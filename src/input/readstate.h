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

// Where keyboard keys come from: terminal_key by default.  The argument is
// how long to wait in milliseconds (-1: until a key comes).  Unit tests point
// it at a scripted source so that decoding and the read states run without a
// terminal.
extern int (*raw_key_source)(int timeout_ms);

// Rings the bell for a refused key in wait_for_enter and the prompts
// (writechar of BEL by default); a pointer so that tests can count bells.
extern void (*refuse_bell)();

// One key from the terminal (wgetch of the editor window), waiting at most
// timeout_ms milliseconds (ERR when none came) or, for -1, until a key comes.
// A resize comes back as KEY_RESIZE, which the key readers below take in
// themselves (the size adopted, the screen redrawn).  When the terminal has gone (hang-up, end of input) it
// calls ku_terminal_lost instead of returning, so a dead terminal never makes
// the editor spin.
int terminal_key(int timeout_ms);

// Whether the terminal input on descriptor fd has gone for good, judged after
// a blocking read failed: `read_errno` is the errno of that read and
// `failures` the number of failed reads in a row.
bool terminal_input_lost(int fd, int read_errno, int failures);

// The next raw key.  A resize reported by the keyboard is handled here and
// never returned (nor recorded in a macro): the new size is adopted and the
// screen redrawn, after a wait with a notice while the terminal is too small.
int read_raw_char();
// read_raw_char, except that a key from the keyboard must come within
// timeout_ms milliseconds; ERR (recorded like any key) when none does.  Keys
// of the start-up macro and of a replay are there at once.
int read_raw_char_within(int timeout_ms);
int read_char();
int wait_for_enter();
