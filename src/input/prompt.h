// Prompted input line: show a prompt, read and edit an answer in place on a
// screen row until ENTER.
#pragma once

int prompt_read_str(int px, int py, const char* prompt, int ax, int ay, char* answer, int capacity);
int read_str(char* answer, int capacity, int ax, int ay, int clear, int keep);
int line_edit(char* answer, int capacity, int key, int* index, int* x, int* y);
