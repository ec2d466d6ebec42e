// Prompted input line: show a prompt, read and edit an answer in place on a
// screen row until ENTER.
#pragma once

// Shows `prompt` at (px, py) and reads an answer into `answer` (capacity
// bytes, terminator included); returns its length.  Answer place (-1, -1):
// right after the prompt; (-2, -2): no prompt shown, the prompt text is the
// preset answer, edited at (px, py).
int prompt_read_str(int px, int py, const char* prompt, int ax, int ay, char* answer, int capacity);
// Reads an answer at (ax, ay) until ENTER; clear: clear the row first; keep:
// start from the buffer's content instead of an empty answer.
int read_str(char* answer, int capacity, int ax, int ay, int clear, int keep);
// Applies one decoded key to an answer being edited: cursor index, screen
// column and row are updated; returns the answer's new length.
int line_edit(char* answer, int capacity, int key, int* index, int* x, int* y);
