// Word and paragraph motion: moving a word left or right within the line,
// to the previous or next paragraph, and deleting to the end of the next
// word.  The commands themselves are declared with the command table.
#pragma once

// The characters that end a word: blank ( ) . , ; :  (a TAB is not one).
inline constexpr char word_delims[] = " ().,;:";

inline bool is_word_delim(char c) {
  for (const char* d = word_delims; *d; d++)
    if (*d == c) return true;
  return false;
}
