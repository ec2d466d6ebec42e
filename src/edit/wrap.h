// Paragraph wrapping and justification: the wrap command, the block menu's
// Wrap, wrap-as-you-type, and the layout arithmetic itself as a pure function
// over the paragraph's lines (no terminal, no line store).
#pragma once
#include <string>
#include <vector>

#include "store/lists.h"

// Wraps every paragraph from the one holding block.first through the one
// holding block.last (the block menu's Wrap entry).  Afterwards block.first
// and block.last name lines that are still in the file: where a wrap replaced
// the line they named, the first or last line of the wrapped paragraph.
void block_wrap();
// Wrap-as-you-type: re-wraps the paragraph around the cursor and puts the
// cursor back on the same character.  With force 0 it acts only while text
// wrapping is on and the current line has reached the right margin.
void wrap_line(int force);

// --- The layout arithmetic -------------------------------------------------

struct WrapSettings {
  int left_margin = -1;  // below 0: the paragraph keeps its own indentation
  int right_margin = 72;
  bool right_justify = true;
};

// A position in a paragraph: 0-based line within it and column.
struct WrapPos {
  int line = 0;
  int col = 0;
};

enum class WrapStatus {
  wrapped,     // `lines` holds the paragraph's new lines
  short_line,  // a single line no longer than the right margin: left alone
  too_dense,   // a following line is one long run without room to break it
  no_words,    // only blanks: nothing to lay out
};

struct WrapResult {
  WrapStatus status = WrapStatus::no_words;
  std::vector<std::string> lines;
  // Where the cursor's character went (in `lines` when wrapped, else in the
  // paragraph as given, with the column corrected as described below).
  WrapPos cursor;
};

// Lays out the words of `paragraph` (its lines, none empty) between the
// margins.  The margins must be usable (wrap_margin_problem gives null).
//
// When `cursor` is given it follows its character.  A column beyond the
// text means the end of the line; a column inside the leading blanks means
// the first word.  A cursor directly after a word stays directly after it; a
// cursor after a word and at least one blank keeps one blank of its own
// behind the word, so that what is typed next starts a new word.
//
// Lines hold at most right_margin - 1 characters (justified ones exactly
// right_margin) where the indentation leaves room; the first line also
// takes words while it is no longer than the body indentation.  A word with
// no room is put whole on a line of its own, never cut: that line's
// indentation shrinks so that it stays within 382 characters unless the
// word alone is longer (no line is longer than the longest line given).
// Nothing is laid out for a single line no longer than the margin, for a
// paragraph with a following line that has no blank up to the margin, or
// for one without words: the status says which.
WrapResult wrap_text(const std::vector<std::string>& paragraph, const WrapSettings& settings,
                     const WrapPos* cursor = nullptr);

// Why the margins cannot be used for wrapping, or null when they can:
// the right margin must lie in 1..382 (no edited line may be longer), and a
// left margin of 0 or more must lie below the right margin.  Margins read
// from the options file are stored as they are; every wrap checks them here
// first and refuses with this text, changing nothing.
const char* wrap_margin_problem(int left_margin, int right_margin);

// The list-item rule: when the first word after the leading blanks of
// `line` is followed by a second word that begins exactly at column
// `body_indent`, the item's prefix is everything before that second word
// (blanks, bullet or number, and the blanks after it).  Then copies the
// prefix into `out`, sets `pos` (where reading the line's words goes on) to
// its length and returns true; otherwise changes nothing and returns false.
bool list_item_adjust(const std::string& line, std::string& out, size_t& pos, int body_indent);

// --- The file side ---------------------------------------------------------

// Replaces up to `count` lines of the current file, from `first` on (stopping
// at the end of the file), by the lines of `fresh`, which are moved into the
// file in order and leave `fresh` empty.  The removed lines are released.
// The block range and the window's top and bottom lines, where they named a
// removed line, are made to name the first or last new line.  Returns the
// first new line.
LineNode* replace_lines(LineNode* first, int count, ListHead* fresh);
