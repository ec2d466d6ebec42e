// Find and replace: the search and replacement strings, the matcher with its
// start-of-line and end-of-line anchors, and the find and replace commands,
// which prompt once per command and then run once per repetition.
#include "edit/find.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/dispatch.h"
#include "edit/motion.h"
#include "files/openfiles.h"
#include "input/prompt.h"
#include "input/readstate.h"
#include "options/options.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

char find_buf[96];
char subs_buf[96];

namespace {

constexpr int MAX_LINE = 382;      // the longest line an edit may produce
constexpr int SHOWN_STRING = 28;   // characters of the search string a message shows
constexpr int FOUND_ROW = 11;      // row a found line off the window is shown on
const char* const verify_str = " v";
const char* const with_prompt = "With: ";

// A place in the text remembered between steps and commands.  It names the
// line by its 0-based number in the file whose entry is `file`, never by a
// pointer: the line may be gone (wrapping, undo, block deletion, a closed
// file) by the time an again command looks at it, and a number can always
// be checked against the file's line count.
struct Place {
  bool set = false;
  const FileNode* file = nullptr;
  int line = 0;
  int cx = 0;
  bool lapped = false;  // (first only) a search has wrapped round the file after it was found
};

char this_cmd = 'f';        // 'f' while the find command runs, 's' while the replace command runs
int verify = 0;             // nonzero when each replacement is to be confirmed
int old_cx = 0;             // cursor column when the repetition began
Place first;                // first occurrence found by the current command
Place last;                 // occurrence found most recently
int this_page = 0;          // the line of the occurrence just found is on the screen
int replacements_made = 0;  // replacements made by the current replace command
bool prompt_pushed = false;  // the command's prompt is on the status stack

// After a replacement by the empty string the text that followed the
// occurrence now starts at its column; the next step searches from that
// column itself (it does not step one further), and an occurrence found
// right there is the next one, not a return to the first.
Place resume;
bool resume_step = false;   // this step starts at `resume`
bool recorded_first = false;  // this step recorded `first`

// The matched text and the replacement handed to the undo record.
LineRecord matched_text;
LineRecord replacement_text;

bool run_by_again() { return curr_cmd == 'a'; }
bool first_of_fresh_command() { return curr_rep == 1 && !run_by_again(); }
bool last_repetition() { return curr_rep >= requested_reps; }
void end_repetitions() { curr_rep = requested_reps; }

bool in_this_file(const Place& p) { return p.set && p.file == curr_file_des && p.line >= 0 && p.line < curr_file.count; }

Place place_here(int line, int cx) { return Place{true, curr_file_des, line, cx, false}; }

int string_length(const char* s) { return static_cast<int>(strnlen(s, FIND_MAX_STRING)); }

// The line with 0-based number `ix`, walked to from whichever is nearest:
// the file's first line, its last line, or a line whose number is known.
LineNode* line_numbered(int ix, LineNode* known, int known_ix) {
  int n = curr_file.count;
  if (n <= 0) return nullptr;
  ix = std::clamp(ix, 0, n - 1);
  int moved = 0, err = 0;
  int from_known = std::abs(ix - known_ix);
  if (known && from_known <= ix && from_known <= n - 1 - ix)
    return traverse(&curr_file, known, ix >= known_ix ? '+' : '-', &moved, from_known, &err);
  if (ix <= n - 1 - ix) return traverse(&curr_file, first_line(curr_file), '+', &moved, ix, &err);
  return traverse(&curr_file, last_line(curr_file), '-', &moved, n - 1 - ix, &err);
}

// A message made of a text and the first characters of the search string.
void message_with_string(const char* text, int shown) {
  char msg[128];
  std::snprintf(msg, sizeof msg, "%s%.*s", text, shown, find_buf);
  write_ku_msg(msg);
}

// Copies a prompt's answer (n characters in temp) into a string buffer.
void take_answer(char* buf, int n) {
  n = std::clamp(n, 0, FIND_MAX_STRING);
  std::memcpy(buf, temp.text, static_cast<size_t>(n));
  buf[n] = 0;
}

// Reads the search string, and for a replace the replacement, offering the
// previous ones for editing.
void read_strings() {
  verify = 0;
  const char* prompt = this_cmd == 'f' ? prompt_msg[1] : prompt_msg[2];
  push_status_line(prompt);
  prompt_pushed = true;
  int cap = std::min(FIND_MAX_STRING, physical_cols - 25);
  int n = prompt_read_str(static_cast<int>(std::strlen(prompt)), 0, find_buf, -2, -2, temp.text, std::max(cap, 1) + 1);
  if (n > 0) take_answer(find_buf, n);
  // Without a search string there is nothing to replace: the search step
  // says so, and no replacement is asked for.
  if (this_cmd != 's' || find_buf[0] == 0) return;
  write_divider_msg(with_prompt, 6, 2);
  cap = std::min(FIND_MAX_STRING, physical_cols - 7);
  n = prompt_read_str(6, 2, subs_buf, -2, -2, temp.text, std::max(cap, 1) + 1);
  clear_divider_msg();
  if (n <= 0) return;
  if (n >= 2 && std::memcmp(temp.text + n - 2, verify_str, 2) == 0) {
    n -= 2;
    verify = 1;
  }
  take_answer(subs_buf, n);
}

// Places the cursor on the current line after a step: on its row when the
// line is on the window, else (on the last repetition only) by rebuilding
// the window around it.
void show_found_line() {
  int row;
  if (displayed(curr_line, &row)) {
    this_page = 1;
    curr_screen.cy = row;
    restore_cursor();
  } else if (last_repetition()) {
    curr_screen.cy = update_curr_screen(FOUND_ROW);
    draw_curr_screen();
    this_page = 1;
  } else {
    this_page = 0;
  }
}

// Redraws the current line after a replacement at column col, which put
// rlen characters where mlen were.
void draw_replacement(int col, int mlen, int rlen) {
  ti_move_cursor(std::min(col, columns - 1), curr_screen.cy);
  if (rlen == mlen) {
    writeln(curr_line->text, col + rlen, col);
  } else {
    ti_clear_to_eol(curr_screen.cy);
    writeln(curr_line->text, curr_line->length, col);
  }
}

}  // namespace

int matched_length(const char* find, int find_len, int* offset) {
  if (offset) *offset = 0;
  if (find_len <= 0) return 0;
  if (find[0] == options.sol_match_char) {
    if (offset) *offset = 1;
    return find_len - 1;
  }
  if (find[find_len - 1] == options.eol_match_char) return find_len - 1;
  return find_len;
}

int substring_of(const char* find, const char* text, int find_len, int text_len, int* pos) {
  if (find_len <= 0 || text_len < 0) return 0;
  int start = std::max(*pos, 0);
  int rest = find_len - 1;
  if (find[0] == options.sol_match_char) {
    // Start of line: the rest (a trailing end-of-line character included)
    // must begin the line, and only a search from column 0 can see it.
    if (start != 0 || text_len < rest) return 0;
    if (rest > 0 && std::memcmp(text, find + 1, static_cast<size_t>(rest)) != 0) return 0;
    *pos = 0;
    return 1;
  }
  if (find[rest] == options.eol_match_char) {
    // End of line: the rest must end the line, at or after the start.
    int p = text_len - rest;
    if (p < start) return 0;
    if (rest > 0 && std::memcmp(text + p, find, static_cast<size_t>(rest)) != 0) return 0;
    *pos = p;
    return 1;
  }
  int last_start = text_len - find_len;
  if (start > last_start) return 0;
  // The first character is looked for before the whole string is compared,
  // and the last one is checked before the rest.
  const char* s = text + start;
  const char* end = text + last_start + 1;
  const char last_char = find[rest];
  while (s < end) {
    s = static_cast<const char*>(std::memchr(s, find[0], static_cast<size_t>(end - s)));
    if (!s) return 0;
    if (s[rest] == last_char && std::memcmp(s + 1, find + 1, static_cast<size_t>(rest)) == 0) {
      *pos = static_cast<int>(s - text);
      return 1;
    }
    s++;
  }
  return 0;
}

void find_cmd() {
  this_cmd = 'f';
  find_and_substitute_cmds();
}

void subs_cmd() {
  this_cmd = 's';
  find_and_substitute_cmds();
}

void find_and_substitute_cmds() {
  update_curr_line();
  old_cx = curr_screen.cx;
  resume_step = false;
  if (first_of_fresh_command()) {
    // A command typed afresh starts its own round: whatever an earlier
    // command found no longer marks where this one stops.
    first.set = false;
    resume.set = false;
    read_strings();
  } else {
    resume_step = resume.set && resume.file == curr_file_des && resume.cx == curr_screen.cx &&
                  get_curr_line_num() == resume.line;
    if (!resume_step && curr_screen.cx <= MAX_LINE) curr_screen.cx++;
  }
  resume.set = false;
  if (this_cmd == 'f')
    find_proc();
  else
    substitute_proc();
  if (last_repetition()) {
    if (prompt_pushed) {
      prompt_pushed = false;
      pop_status_line();
    } else {
      // Row 0 may hold the confirmation question; give it back.
      set_status_line(1, ku_exception, last_ku_mode);
    }
  }
}

int find_proc() {
  update_curr_line();
  recorded_first = false;
  bool fresh = first_of_fresh_command();
  int flen = string_length(find_buf);
  if (flen == 0 || !curr_line) {
    curr_screen.cx = old_cx;
    end_repetitions();
    writechar(7);
    if (flen == 0)
      write_ku_msg("No search string to find");
    else
      message_with_string("Not Found: ", SHOWN_STRING);
    return 0;
  }

  LineNode* start = curr_line;
  int start_ix = get_curr_line_num();
  int start_cx = curr_screen.cx;
  bool first_known = !fresh && in_this_file(first);
  LineNode* l = start;
  int ix = start_ix;
  int pos = start_cx;
  bool wrapped = false;
  LineNode* found = nullptr;
  for (;;) {
    // Once the search has wrapped round since the first occurrence, a scan
    // that passes that occurrence's place finds nothing more even when the
    // occurrence itself is gone (replaced, declined and replaced around, or
    // its line edited): what lies beyond it was searched on the way to the
    // end of the file.  An occurrence before that place on its line is
    // still a new one; one right at it is the first occurrence met again.
    int from = pos;
    bool covers = first_known && first.lapped && ix == first.line && from <= first.cx;
    int hit = substring_of(find_buf, l->text, flen, l->length, &pos);
    if (covers && (!hit || pos > first.cx)) break;
    if (hit) {
      found = l;
      break;
    }
    if (wrapped && l == start) break;
    if (l->next) {
      l = next_line(l);
      ix++;
    } else {
      l = first_line(curr_file);
      ix = 0;
      wrapped = true;
      if (first_known) first.lapped = true;
    }
    pos = 0;
  }

  // The occurrence the command found first, met again: the round is over
  // (not so for the occurrence a deletion left at its own column, which is
  // the next one).
  bool resumed_here = found && resume_step && found == start && !wrapped && pos == start_cx;
  bool came_back = found && first_known && !resumed_here && ix == first.line && pos == first.cx;

  int result = 0;
  if (came_back) {
    // The cursor goes back to the occurrence found last, when that line is
    // still in this file; otherwise it stays where the search began.
    if (in_this_file(last)) {
      curr_line = line_numbered(last.line, start, start_ix);
      set_curr_line_num(last.line + 1);
      curr_screen.cx = last.cx;
    } else {
      curr_screen.cx = old_cx;
    }
    end_repetitions();
    if (this_cmd == 'f') {
      writechar(7);
      message_with_string("No more occurances: ", SHOWN_STRING);
    }
  } else if (found) {
    if (!first_known) {
      first = place_here(ix, pos);
      recorded_first = true;
    }
    curr_line = found;
    curr_screen.cx = pos;
    set_curr_line_num(ix + 1);
    result = 1;
  } else {
    curr_screen.cx = old_cx;
    end_repetitions();
    if (run_by_again()) {
      writechar(7);
      char msg[128];
      std::snprintf(msg, sizeof msg, "%s %s", "No more occurances:", find_buf);
      write_ku_msg(msg);
    } else if (fresh) {
      writechar(7);
      message_with_string("Not Found: ", SHOWN_STRING);
    }
  }

  if (result || requested_reps > 1) last = place_here(get_curr_line_num(), curr_screen.cx);
  show_found_line();
  return result;
}

void substitute_proc() {
  if (first_of_fresh_command()) replacements_made = 0;
  bool again = run_by_again();
  int found = find_proc();
  bool replaced = false;
  int flen = string_length(find_buf);
  int rlen = string_length(subs_buf);
  int col = curr_screen.cx;
  if (found) {
    int offset = 0;
    int mlen = matched_length(find_buf, flen, &offset);
    int len = curr_line->length;
    if (len - mlen + rlen > MAX_LINE) {
      write_ku_msg("Can't replace - makes line too long");
      return;
    }
    if (verify) {
      if (!this_page) {
        curr_screen.cy = update_curr_screen(FOUND_ROW);
        draw_curr_screen();
        this_page = 1;
      }
      write_status_line("OK to replace ? ");
      restore_cursor();
      int key = read_char();
      if (std::toupper(key) != 'Y') return;
    }
    replacements_made++;
    matched_text.length = mlen;
    std::memcpy(matched_text.text, find_buf + offset, static_cast<size_t>(mlen));
    replacement_text.length = rlen;
    std::memcpy(replacement_text.text, subs_buf, static_cast<size_t>(rlen));
    int line_ix = get_curr_line_num();
    push_undo_substitute(&matched_text, &replacement_text, line_ix, col, curr_screen.cy);

    // The new line: the text before the occurrence, the replacement, the
    // text after the matched characters.
    int tail = len - col - mlen;
    int new_len = col + rlen + tail;
    std::memcpy(line_buf.text, curr_line->text, static_cast<size_t>(col));
    std::memcpy(line_buf.text + col, subs_buf, static_cast<size_t>(rlen));
    std::memcpy(line_buf.text + col + rlen, curr_line->text + col + mlen, static_cast<size_t>(tail));
    if (new_len > 0) {
      line_buf.length = new_len;
      update_curr_line();
    } else {
      line_buf.length = 0;
      curr_line->length = 0;
    }
    if (this_page) draw_replacement(col, mlen, rlen);
    replaced = true;

    // Where the next repetition starts: just after the inserted text when
    // it contains the search string itself, so that the occurrence inside
    // it is not found; an occurrence of an anchor alone at the end of the
    // replacement ("$") is passed too, or the same line end would be found
    // again at once.
    int p = 0;
    if (substring_of(find_buf, subs_buf, flen, rlen, &p)) {
      curr_screen.cx = std::max(col + rlen - 1, col + p);
      if (recorded_first) first.cx += p;
    } else if (rlen == 0 && mlen == flen) {
      resume = place_here(line_ix, col);
    }
  }
  if (last_repetition() && !(again && !found) && replacements_made > 0) {
    char msg[64];
    std::snprintf(msg, sizeof msg, "%d %s", replacements_made, "replacement(s) made");
    write_ku_msg(msg);
  }
  if (replaced && this_page) restore_cursor();
}
