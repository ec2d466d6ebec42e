// Jumps and tags: the jump command (start, end, a line by number, a tag) and
// the ten numbered tags per open file, kept as line numbers in the file's
// list head (curr_file.tags) and saved with the file's context.
#pragma once

inline constexpr int N_TAGS = 10;

// Asks for a tag digit and moves the cursor to that tag's line; 1 when the
// cursor moved, 0 when the key was no digit or the tag is not set.
int jump_to_tag();
// The full-screen tags listing, left with ENTER.
void list_tags();
// The line the jump command's "Line: " answer names: 1 for an empty answer,
// one not starting with a number, 0 or less; otherwise the number read
// (large values are held at INT_MAX).  The caller keeps it within the file.
int jump_line_answer(const char* answer);

// The commands jump_cmd, tags_cmd and jump_to_tag_cmd are declared with the
// command table (core/dispatch.h).
