// Cursor motion and paging: the arrow commands with their one-row scrolling,
// moves to the ends of the line, the window and the file, page and half-page
// scrolls, and the position message carried forward after paging.
#pragma once

// The longest line an edit may produce; the cursor stops moving right there.
inline constexpr int MAX_LINE_LENGTH = 382;

// One page forward / back with one line of overlap (shared steps of the page
// commands, the extended motion and the half-page scrolls; the caller has
// written the line buffer back).  Both end with the position message.
void page_down();
void page_up();

// The 1-based number of the current line when it is known without counting
// (the line-number cache names the current line, or the previous command
// set the number itself); 0 when it would have to be counted.
int known_line_num();
// Records that the current line is line n (1-based) and primes the
// line-number cache for it, so the next position report needs no count.
void set_curr_line_num(int n);
