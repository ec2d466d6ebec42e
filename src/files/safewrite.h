// Safe writing: every file the editor writes goes to a temporary file in the
// target's directory that replaces the target only once it is complete; and
// the count of a line list (characters, lines, checksum).
#pragma once
#include <cstdint>
#include <cstdio>
#include "store/lists.h"

FILE* write_open(const char* path, int overwrite_ok, int* code);
// Completes the write: 0 when the target now holds the new file, nonzero when
// the write failed (the target is then untouched).
int write_close(FILE* stream, const char* path);
void file_info(const ListHead* head, int overhead, int32_t* chars, int32_t* lines, uint32_t* checksum);
