// Deletion and line joining: the character and line-end deletions, deleting
// right and left of the cursor, whole-line deletion into the line delete
// buffer, joining a line with the next, and removing a run of columns.
#pragma once
#include "store/lists.h"

// The longest line a join may produce.
inline constexpr int MAX_JOINED_LENGTH = 381;

// Appends the next line to the current line.  Returns 1 when the lines were
// joined; 0 at the last line or when the result would exceed 381 characters
// (then with the message "Can't join lines - lines too long").
int line_join();

// Removes columns first..last of `line` (last is cut back to the line's end)
// and, when row is a screen row (below `lines`), updates that row.
void delete_chars(LineNode* line, int first, int last, int row);
