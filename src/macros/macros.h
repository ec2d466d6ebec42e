// Keyboard macros: named recordings of raw keys, replayed through the same
// decoding as typed keys; the macro menu, the execute command, and the
// 2092-byte big-endian file image a macro is saved as.
#pragma once
#include <cstddef>

#include "store/lists.h"

inline constexpr int MACRO_MAX_KEYS = 512;
inline constexpr int MACRO_KEY_LIMIT = MACRO_MAX_KEYS - 1;  // keys a macro can hold
inline constexpr int MACRO_NAME_SIZE = 20;                  // name field, terminator included
inline constexpr int MACRO_NAME_CAPACITY = 18;              // the name prompt's capacity
inline constexpr int MACRO_CHECK_1 = 0x55AA;
inline constexpr int MACRO_CHECK_2 = 0xAA55;

struct MacroRecord : Link {
  char version[4];  // version stamp written with the file image
  int check1;       // 0x55AA once written to a file
  int check2;       // 0xAA55 once written to a file
  int key_count;    // keys recorded, at most 511
  char name[MACRO_NAME_SIZE];  // NUL-terminated, at most 17 characters
  int keys[MACRO_MAX_KEYS];    // raw key codes in the order read
};

// The file image of a macro: every integer 32-bit big-endian, the two link
// words 4 bytes each whatever the size of a pointer.
inline constexpr size_t MACRO_IMAGE_SIZE = 2092;
inline constexpr size_t MACRO_IMAGE_VERSION = 8;
inline constexpr size_t MACRO_IMAGE_CHECK_1 = 12;
inline constexpr size_t MACRO_IMAGE_CHECK_2 = 16;
inline constexpr size_t MACRO_IMAGE_KEY_COUNT = 20;
inline constexpr size_t MACRO_IMAGE_NAME = 24;
inline constexpr size_t MACRO_IMAGE_KEYS = 44;
static_assert(MACRO_IMAGE_KEYS + 4 * MACRO_MAX_KEYS == MACRO_IMAGE_SIZE);

extern ListHead macro_list;      // all defined macros, in the order created or read
extern MacroRecord* last_macro;  // the macro executed last (the again command re-runs it)
extern char result_msg[96];      // buffer for the messages the macro operations build

extern const char* const cant_nest_macros_msg;      // "Cannot nest macros"
extern const char* const not_creating_msg;          // "Not creating a macro"
extern const char* const macro_already_exists_msg;  // "Macro already exists"
extern const char* const no_such_macro_msg;         // "No such macro       "
extern const char* const macro_name_msg;            // "Macro name: "
extern const char* const not_a_macro_file_msg;      // "Not a KU macro file"
extern const char* const macro_running_msg;         // refusal to delete the macro being replayed

// Executions started one after another from inside replays (a macro that
// executes a macro that executes ...) before the chain is refused: a macro
// that executes itself would otherwise never give the keyboard back.
inline constexpr int MACRO_MAX_CHAINED_RUNS = 100;

// The first macro whose name has the same length and characters, or null.
MacroRecord* get_macro(const char* name);

// The macro menu ("m") and its entries; each asks for what it needs.
void macro_create();
void macro_stop();
void macro_delete();
void macro_write();
void macro_read();
void macro_execute();
void macro_list_all();

// Stamps the record for a file (version characters from the masthead, the
// two check words); the fourth version byte is left as it was.
void macro_stamp(MacroRecord* m);
// The file image of a record as it stands: links written as zeros.
void macro_to_image(const MacroRecord* m, unsigned char image[MACRO_IMAGE_SIZE]);
// Fills `m` (links cleared) from an image of n bytes.  Returns 0 when it is a
// macro image: exactly MACRO_IMAGE_SIZE bytes, both check words, a key count
// of 0 to 511 and a name terminated within its field; else nonzero and `m`
// is left as it was.
int macro_from_image(const unsigned char* image, size_t n, MacroRecord* m);
