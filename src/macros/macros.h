// Keyboard macros: named recordings of raw keys, replayed through the same
// decoding as typed keys, and their 2092-byte file image.
#pragma once
#include "store/lists.h"

inline constexpr int MACRO_MAX_KEYS = 512;

struct MacroRecord : Link {
  char version[4];  // version stamp written with the file image
  int check1;       // 0x55AA once written to a file
  int check2;       // 0xAA55 once written to a file
  int key_count;    // keys recorded, at most 511
  char name[20];    // NUL-terminated, at most 17 characters
  int keys[MACRO_MAX_KEYS];  // raw key codes in the order read
};

extern ListHead macro_list;     // all defined macros
extern MacroRecord* last_macro; // the macro executed last
