// File selection dialogs: the open-file dialog that browses directories page
// by page and returns a chosen or typed path (relative to the working
// directory where possible), the go-to-file dialog over the open files, and
// the list engine both share.
#pragma once
#include <cstddef>

// One entry of a selection list.  A list holds count + 1 entries: the listed
// ones and, last, the typed-name slot.
struct FsEntry {
  char name[256];
  int is_dir;      // 1 for a directory (drawn emphasised)
  int line_count;  // go-to-file dialog: lines of the open file
  int char_count;  // go-to-file dialog: characters including line ends
  int changed;     // go-to-file dialog: 1 when unsaved changes
};

// Layout of the dialog last opened (set by init_ofd_page_parms / init_gfd_page_parms).
extern int dialog_type;       // 1 open-file dialog, 2 go-to-file dialog
extern int cols_per_page;     // entry columns per page
extern int rows_per_page;     // entry rows per page
extern int entries_per_page;  // cols_per_page x rows_per_page
extern int DIR_ENTRY_LEN;     // width of one entry column
extern int SELECTION_X_BASE;  // column of the first entry's marker
extern int SELECTION_Y_BASE;  // row of the first entry row
extern int PAGE_NUM_X, PAGE_NUM_Y;  // place of the page number
extern int CURR_DIR_X, CURR_DIR_Y;  // place of the working directory
extern int CURR_DIR_LEN;            // room for the working directory
extern int CURR_FILE_X, CURR_FILE_Y;  // place of the name field
extern int CURR_FILE_LEN;             // room for (and capacity of) the typed name
extern int HEADERS_Y;                 // go-to-file dialog: row of the column headers
extern int LINES_X, CHARS_X, CHANGED_X;  // go-to-file dialog: value columns

// Lets the user choose a file; `out` (of `size` bytes) receives the path, or
// is empty when nothing was chosen.  The working directory is restored.
void open_file_dialog(const char* title, char* out, int size, int redraw);
// Lets the user choose an open file; returns its index (the current file's
// index after ESC-q, -1 with no open file); `out` receives its name.
int goto_file_dialog(const char* title, char* out, int size, int redraw);
// The list engine.  *selection: in the index to start on, out the chosen
// index (0 for the typed name, -1 after ESC-q).  Returns 0 nothing chosen,
// 1 a file (or a name that does not exist), 2 a directory.
int file_select_dialog(FsEntry* list, int count, char* out, int out_size, int* selection);
// Enters the directory and lists it: directories first, then the other
// names, each group in alphasort order, "." and ".." included.  Null when
// the directory cannot be entered; a list of 0 entries when it cannot be read.
FsEntry* load_ofd_entry_list(const char* path, int* count);
// One entry per open file, in list order, with sizes and the changed flag.
FsEntry* load_gfd_entry_list(int* count);
void update_fs_page(FsEntry* list, int count, int* page, int* selection, int* mx, int* my);
// Draws the dialog screen of one page (0-based) except the title and marker.
void draw_fs_page(FsEntry* list, int count, int page, int pages, int selected);
// Writes "Page <number>/<pages>" at the page-number place.
void draw_fs_page_num(int number, int pages);
void init_ofd_page_parms();
void init_gfd_page_parms();
// Splits a path at its last "/" into directory (with the "/" when keep_slash)
// and name; returns the path's length.  dir and name hold at least as many
// bytes as the path.
int analyze_pathname(const char* path, char* dir, char* name, int keep_slash);
// The path of `name` in directory `dir` (both canonical, absolute) as seen
// from directory `start`: the name alone in the same directory, ../sibling/name
// beside it, sub/dir/name below it, else the absolute path.  Returns 0, or -1
// (and an empty out) when the result does not fit in `size` bytes.
int relative_path(const char* start, const char* dir, const char* name, char* out, size_t size);
