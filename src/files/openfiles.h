// Open files and context switching: the open-file list, the globals of the
// current file, saving and restoring a file's context, opening files, and the
// three file commands (edit menu, go to file, next file).
#pragma once
#include "store/lists.h"
#include "term/screen.h"

inline constexpr int MAX_OPEN_FILES = 256;

struct FileNode : Link {
  int32_t length_unused;
  ListHead head;       // copy of curr_file while the file is not current
  ScreenState screen;  // copy of curr_screen
  int conn;            // copy of curr_conn
  LineNode* line;      // copy of curr_line
  int line_num;        // copy of curr_line_num
  int32_t unused;
  char name[256];
};

extern ListHead curr_file;       // the current file's lines and per-file fields
extern char curr_filename[256];  // its name as shown and written
extern int curr_conn;            // 0 while the file has never had a name
extern int curr_file_ix;         // position in open_file_list; -1 none
extern FileNode* curr_file_des;  // the current file's entry; null none
extern int files_open;           // entries in open_file_list
extern FileNode* file_des;       // entry being created by add_file
extern ListHead open_file_list;  // one FileNode per open file, in opening order

FileNode* file_entry(int index);
void save_context(int index);
void restore_context(int index);
void context_switch(int from, int to);
int get_file(const char* name);
void add_file(const char* name);
void edit_file(int index, int previous);
void edit_new_file();
