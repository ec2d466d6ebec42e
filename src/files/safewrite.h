// Safe writing: every file the editor writes goes to a temporary file in the
// target's directory that replaces the target only once it is complete; and
// the count of a line list (characters, lines, checksum).
#pragma once
#include <cstdint>
#include <cstdio>
#include "store/lists.h"

// Reason codes left by write_open.
inline constexpr int KU_WRITE_OK = 0;
inline constexpr int KU_WRITE_CANNOT_OPEN = 3;  // no temporary file could be made
inline constexpr int KU_WRITE_DECLINED = 7;     // the user kept the existing file

// Where the answer to "File already exists: Overwrite ? " comes from; read_char
// unless a test installs its own source.
extern int (*overwrite_answer_source)();

// Opens a temporary file beside the target (a symbolic link is followed to the
// file it names) and returns its stream, or null with the reason in *code.
// Asks before an existing target is replaced unless overwrite_ok is nonzero.
FILE* write_open(const char* path, int overwrite_ok, int* code);
// Completes the write: 0 when the target now holds the new file, nonzero when
// the write failed (the target is then untouched and the temporary file gone).
int write_close(FILE* stream, const char* path);
// Abandons a write begun by write_open: the temporary file is removed and the
// target is left as it was.
void write_abort(FILE* stream);
void file_info(const ListHead* head, int overhead, int32_t* chars, int32_t* lines, uint32_t* checksum);
