// Text files: reading a file into a list of line nodes (Unix or DOS/Windows
// line ends, TAB expansion, rejected control bytes) and writing a range of
// lines back safely, with the summary that tells whether a file has changed.
#pragma once
#include <cstdint>
#include "store/lists.h"

// Results of read_file / write_file (indices of the error message table).
inline constexpr int KU_FILE_OK = 0;
inline constexpr int KU_FILE_CANNOT_OPEN = 3;
inline constexpr int KU_FILE_NOT_TEXT = 8;

int read_file(const char* path, ListHead* list, int32_t* chars, int32_t* lines, uint32_t* checksum, char* format);
int write_file(const char* path, int overwrite_ok, char format, LineNode* first, LineNode* last, int32_t* chars,
               int32_t* lines, uint32_t* checksum);
int curr_file_has_changed();
int unsaved_changes(int* count);
// Checksum of one line's text.
uint32_t line_checksum(const char* text, int n);
