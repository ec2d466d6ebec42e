// Read states: the start-up macro, the keyboard, macro recording and macro
// replay as sources of raw keys; the decoded key reader and the wait for
// ENTER built on them; and the detection of a terminal that has gone away.
#include "input/readstate.h"

#include <curses.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "core/startup.h"
#include "input/keys.h"
#include "macros/macros.h"
#include "term/resize.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

int init_macro[32];
int init_macro_keys = 0;
int init_macro_ix = 0;
int read_state = 0;
MacroRecord* curr_macro = nullptr;
int rs_ix = 0;
int rs_reps_left = 0;

namespace {

// Failed reads in a row after which the input counts as gone even when the
// descriptor shows no hang-up (for instance at the end of a file or pipe):
// a blocking read cannot fail this often for a passing reason.
constexpr int kMaxFailedReads = 16;

int failed_reads = 0;  // consecutive failed terminal reads

void write_bell() { writechar(7); }

// Keys recorded or replayed never exceed the record's key array.
int macro_key_count(const MacroRecord* m) {
  int n = m->key_count;
  if (n < 0) return 0;
  return n > MACRO_MAX_KEYS ? MACRO_MAX_KEYS : n;
}

// Ends a replay: the keyboard is the source again, the macro's undo group is
// closed and the status line shows the mode from before the macro.
void end_replay() {
  curr_macro = nullptr;
  read_state = 0;
  complete_push_undo_macro();
  set_status_line(1, 0, last_ku_mode);
}

}  // namespace

int (*raw_key_source)(int) = terminal_key;
void (*refuse_bell)() = write_bell;

bool terminal_input_lost(int fd, int read_errno, int failures) {
  if (read_errno == EINTR) return false;  // a signal interrupted the wait
  if (read_errno == EIO || read_errno == ENXIO || read_errno == EBADF) return true;
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return errno != EINTR && errno != EAGAIN;
  if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return true;
  return failures >= kMaxFailedReads;
}

int terminal_key(int timeout_ms) {
  for (;;) {
    if (timeout_ms >= 0 && ku_win != nullptr) wtimeout(ku_win, timeout_ms);
    errno = 0;
    int k = wgetch(ku_win);
    int read_errno = errno;
    if (timeout_ms >= 0 && ku_win != nullptr) wtimeout(ku_win, -1);
    if (k != ERR) {
      failed_reads = 0;
      return k;
    }
    // With a timeout, ERR only means that no key came in time.
    if (timeout_ms >= 0 || (ku_win != nullptr && wgetdelay(ku_win) >= 0)) return ERR;
    failed_reads++;
    if (terminal_input_lost(STDIN_FILENO, read_errno, failed_reads)) ku_terminal_lost();
    return ERR;
  }
}

namespace {

// Takes in a resize: while the terminal is below the editor's minimum it
// shows the notice and waits, refusing keys with the bell (the text is not
// touched, and a lost terminal still ends the editor through terminal_key);
// then everything is redrawn at the new size.
void adopt_resize() {
  ti_resize_pending = 0;
  while (ti_terminal_too_small()) {
    show_size_notice();
    int k = raw_key_source(-1);
    if (k != KEY_RESIZE && k != ERR) refuse_bell();
  }
  redraw_after_resize();
}

// A key from the keyboard.  A resize is taken in here and never handed on:
// no command sees it and no macro records it.
int keyboard_key(int timeout_ms) {
  if (ti_resize_pending) adopt_resize();
  for (;;) {
    int k = raw_key_source(timeout_ms);
    if (k != KEY_RESIZE) return k;
    adopt_resize();
    if (ku_win != nullptr) wrefresh(ku_win);
  }
}

int next_raw_key(int timeout_ms) {
  if (init_macro_keys > 0) {
    init_macro_keys--;
    return init_macro[init_macro_ix++];
  }
  if (ku_win != nullptr) wrefresh(ku_win);
  switch (read_state) {
    case 0:
      return keyboard_key(timeout_ms);
    case 1: {
      int k = keyboard_key(timeout_ms);
      if (curr_macro != nullptr && curr_macro->key_count >= 0 && curr_macro->key_count <= MACRO_MAX_KEYS - 2)
        curr_macro->keys[curr_macro->key_count++] = k;
      return k;
    }
    case 2: {
      // An empty record (or none) has nothing to replay: the replay ends.
      int n = curr_macro != nullptr ? macro_key_count(curr_macro) : 0;
      if (n > 0 && rs_ix >= 0 && rs_ix < n) return curr_macro->keys[rs_ix++];
      if (n > 0 && rs_reps_left > 0) {
        rs_reps_left--;
        rs_ix = 1;
        return curr_macro->keys[0];
      }
      end_replay();
      return keyboard_key(timeout_ms);
    }
    default:
      write_ku_msg("Read_Char: Invalid Read_state");
      read_state = 0;
      curr_macro = nullptr;
      return keyboard_key(timeout_ms);
  }
}

}  // namespace

int read_raw_char() { return next_raw_key(-1); }

int read_raw_char_within(int timeout_ms) { return next_raw_key(timeout_ms); }

int read_char() {
  int k = static_cast<unsigned char>(map_keyboard(read_raw_char()));
  if (!((k >= 32 && k <= 126) || k == '\t' || k == '\n')) ku_mode = COMMAND_MODE;
  return k;
}

int wait_for_enter() {
  while (read_char() != '\n') refuse_bell();
  return '\n';
}
