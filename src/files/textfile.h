// Text files: reading a file into a list of line nodes (Unix or DOS/Windows
// line ends, TAB expansion, rejected control bytes) and writing a range of
// lines back safely, with the summary that tells whether a file has changed.
#pragma once
#include <cstddef>
#include <cstdint>
#include "store/lists.h"

// Results of read_file / write_file (indices of the error message table).
inline constexpr int KU_FILE_OK = 0;
inline constexpr int KU_FILE_CANNOT_OPEN = 3;
inline constexpr int KU_FILE_NOT_TEXT = 8;

// Longest line reading produces: a physical line longer than this is held as
// several lines, and TAB expansion never makes a line longer.
inline constexpr int KU_READ_LINE_MAX = 384;

// Physical lines the last read_file had to split into several lines (each
// counted once); saving such a file writes those lines with line ends between
// the pieces.
extern int read_split_lines;
// The "Bad char at line" message of the last read_file that met a rejected byte.
extern char read_bad_char_msg[64];
// Why the last open_text_file refused a name that is there but is no plain
// file ("Is a directory", "Not a regular file"); empty for any other failure.
extern const char* read_refusal;

// Opens a plain file for reading, never blocking: a directory, named pipe,
// device or socket (or a symbolic link to one) is refused before anything is
// read from it, with the reason in read_refusal.  A descriptor, or -1.
int open_text_file(const char* path);
// The message for a name open_text_file refused: the reason, ": " and the
// name cut at its left to fit the 40-column message area.
void format_read_refusal(const char* name, char* out, size_t size);

int read_file(const char* path, ListHead* list, int32_t* chars, int32_t* lines, uint32_t* checksum, char* format);
int write_file(const char* path, int overwrite_ok, char format, LineNode* first, LineNode* last, int32_t* chars,
               int32_t* lines, uint32_t* checksum);
// Shows "<n> long line(s) split" in the message area when the last read split
// lines and the screen is up (read_file calls it; a caller that replaces the
// message afterwards can call it again).
void report_split_lines();
int curr_file_has_changed();
int unsaved_changes(int* count);
// Checksum of one line's text.
uint32_t line_checksum(const char* text, int n);
