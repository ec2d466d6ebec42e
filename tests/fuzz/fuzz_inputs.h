// The hostile-input checks shared by the libFuzzer targets and the seeded
// loop of the unit tests: each takes arbitrary bytes, hands them to one of
// the editor's file readers (text files, the options file, macro files) and
// returns what is wrong with the outcome, or an empty string.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/textfile.h"
#include "input/keys.h"
#include "input/readstate.h"
#include "macros/macros.h"
#include "options/options.h"
#include "term/status.h"
#include "store/lists.h"

namespace kufuzz {

inline bool put_file(const std::string& path, const uint8_t* data, size_t n) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = n == 0 || std::fwrite(data, 1, n, f) == n;
  return std::fclose(f) == 0 && ok;
}

// A text file of arbitrary bytes; the first byte (when there is one) picks
// the reading options (TAB expansion and the tab stop), the rest is the file.
inline std::string check_text_file(const uint8_t* data, size_t n, const std::string& dir) {
  set_default_options();
  if (n > 0) {
    options.input_xlate = data[0] & 1;
    options.tabstop = static_cast<int8_t>(data[0]) >> 1;
    data++;
    n--;
  }
  std::string path = dir + "/fuzz.txt";
  if (!put_file(path, data, n)) return "cannot write the input file";
  ListHead list{};
  init_list(&list);
  int32_t chars = -1, lines = -1;
  uint32_t sum = 0;
  char format = 0;
  int r = read_file(path.c_str(), &list, &chars, &lines, &sum, &format);
  std::string err;
  if (r != KU_FILE_OK && r != KU_FILE_NOT_TEXT && r != KU_FILE_CANNOT_OPEN) err = "unknown result " + std::to_string(r);
  if (r == KU_FILE_NOT_TEXT && std::strncmp(read_bad_char_msg, "Bad char at line", 16) != 0)
    err = std::string("rejected without the message: ") + read_bad_char_msg;
  if (r == KU_FILE_OK) {
    long count = 0;
    for (LineNode* l = first_line(list); l; l = next_line(l)) {
      count++;
      if (l->length < 0 || l->length > KU_READ_LINE_MAX) err = "a line of length " + std::to_string(l->length);
    }
    if (count != list.count) err = "list count " + std::to_string(list.count) + " for " + std::to_string(count) + " lines";
    if (count == 0) err = "no line read";
  }
  purge_list(&list);
  std::remove(path.c_str());
  return err;
}

// An options file of arbitrary bytes under HOME; then a text file with TABs
// is read with the options it gave, so hostile tab settings are used too.
inline std::string check_options_file(const uint8_t* data, size_t n, const std::string& home) {
  setenv("HOME", home.c_str(), 1);
  std::string path = home + "/.ku.opt";
  if (!put_file(path, data, n)) return "cannot write the options file";
  set_default_options();
  int r = load_ku_opt_file();
  std::string err;
  if (r != 0) err = "a readable options file was refused: " + std::to_string(r);
  if (usable_tabstop(options.tabstop) < 1) err = "tab stop below 1 in use";
  if (err.empty()) {
    static const uint8_t text[] = "\tone\ttwo\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tx\n";
    std::string textpath = home + "/tabs.txt";
    put_file(textpath, text, sizeof text - 1);
    ListHead list{};
    init_list(&list);
    int32_t chars, lines;
    uint32_t sum;
    char format;
    read_file(textpath.c_str(), &list, &chars, &lines, &sum, &format);
    for (LineNode* l = first_line(list); l; l = next_line(l))
      if (l->length < 0 || l->length > KU_READ_LINE_MAX) err = "a line of length " + std::to_string(l->length);
    purge_list(&list);
    std::remove(textpath.c_str());
  }
  std::remove(path.c_str());
  set_default_options();
  return err;
}

// Keys of a macro replayed through the key decoder.  The keys a decoding
// reads on its own (the rest of an escape sequence) come from this source,
// which stands in for the keyboard; past the macro's end the keyboard gives
// ENTER.  A replay hands its keys over as they are recorded, while a resize
// from the keyboard is taken in by the key reader itself (waiting, without
// a terminal, for a size that never comes), so the source never hands one
// out: it gives the next key instead.
inline constexpr int kResizeKey = 0632;  // curses' KEY_RESIZE (its header's macros clash with the tests')
inline const int* replay_keys = nullptr;
inline int replay_count = 0, replay_pos = 0;
inline int replay_source(int) {
  while (replay_pos < replay_count && replay_keys[replay_pos] == kResizeKey) replay_pos++;
  return replay_pos < replay_count ? replay_keys[replay_pos++] : '\n';
}
inline void no_bell() {}

// A macro file of arbitrary bytes, read as macro_read reads it (at most one
// byte more than an image); an accepted macro's keys are then decoded as a
// replay would decode them.
inline std::string check_macro_file(const uint8_t* data, size_t n) {
  size_t take = n < MACRO_IMAGE_SIZE + 1 ? n : MACRO_IMAGE_SIZE + 1;
  auto* m = static_cast<MacroRecord*>(std::calloc(1, sizeof(MacroRecord)));
  int r = macro_from_image(data, take, m);
  std::string err;
  if (r == 0) {
    if (take != MACRO_IMAGE_SIZE) err = "an image of " + std::to_string(take) + " bytes was accepted";
    if (m->key_count < 0 || m->key_count > MACRO_KEY_LIMIT) err = "key count " + std::to_string(m->key_count);
    if (std::memchr(m->name, 0, MACRO_NAME_SIZE) == nullptr) err = "name without its terminator";
    if (err.empty()) {
      int (*saved)(int) = raw_key_source;
      void (*saved_bell)() = decode_bell;
      int saved_state = read_state;
      raw_key_source = replay_source;
      decode_bell = no_bell;
      read_state = 0;
      replay_keys = m->keys;
      replay_count = m->key_count;
      replay_pos = 0;
      int saved_mode = ku_mode;
      // The first key of each decoding goes to it directly, as a replay
      // delivers it (a resize among them included).
      for (int guard = 0; replay_pos < replay_count && guard < 4 * MACRO_MAX_KEYS; guard++)
        map_keyboard(replay_keys[replay_pos++]);
      ku_mode = saved_mode;
      raw_key_source = saved;
      decode_bell = saved_bell;
      read_state = saved_state;
    }
  } else if (n == MACRO_IMAGE_SIZE && data[12] == 0 && data[13] == 0 && data[14] == 0x55 && data[15] == 0xAA &&
             data[16] == 0 && data[17] == 0 && data[18] == 0xAA && data[19] == 0x55 && data[20] == 0 &&
             data[21] == 0 && data[22] < 2 && std::memchr(data + MACRO_IMAGE_NAME, 0, MACRO_NAME_SIZE) != nullptr &&
             (data[22] << 8 | data[23]) <= MACRO_KEY_LIMIT) {
    err = "a sound image was refused";
  }
  std::free(m);
  return err;
}

}  // namespace kufuzz
