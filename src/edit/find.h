// Find and replace: the search and replacement strings kept for the whole
// run, the matcher with its start-of-line and end-of-line match characters,
// and the find and replace commands with their repetition and again logic.
#pragma once

extern char find_buf[96];  // the last search string (zero-terminated, at most 78 characters)
extern char subs_buf[96];  // the last replacement string (zero-terminated, at most 78 characters)

// The longest search or replacement string a prompt accepts.
inline constexpr int FIND_MAX_STRING = 78;

// 1 when the search string `find` (length find_len) occurs in `text`
// (length text_len) at or after *pos; *pos is then set to where the
// occurrence begins.  A search string beginning with the start-of-line
// match character matches only at column 0 (and only when *pos is 0); one
// ending with the end-of-line match character matches only at the end of
// the text.  Comparison is exact, byte by byte.  An empty search string
// matches nothing.
int substring_of(const char* find, const char* text, int find_len, int text_len, int* pos);

// The part of the search string an occurrence covers in the text: the
// search string without its anchoring character.  Returns its length and
// stores its offset within the search string (1 after a start-of-line
// character, else 0) through `offset` when given.
int matched_length(const char* find, int find_len, int* offset);

// One step of the find and replace commands (the handlers find_cmd and
// subs_cmd are declared with the command table).  find_proc returns 1 when
// it moved to an occurrence, 0 when it did not.
void find_and_substitute_cmds();
int find_proc();
void substitute_proc();
