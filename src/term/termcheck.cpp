// Judging TERM before ncurses takes the terminal: whether the terminal
// description exists and can address the cursor.  Kept apart because
// <term.h> defines macros (lines, columns) that clash with the editor's globals.
#include "term/terminal.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// A terminal name fit for a message: at most 64 bytes, unprintable bytes as
// '?', so that a hostile TERM cannot put control sequences on the terminal.
std::string printable_name(const char* s) {
  std::string out;
  for (; *s && out.size() < 64; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    out.push_back(c >= 32 && c < 127 ? static_cast<char>(c) : '?');
  }
  return out;
}

// Whether a terminfo string capability is present (tigetstr gives null when
// it is absent and (char*)-1 when the name is not a string capability).
bool has_string_cap(const char* name) {
  char* v = tigetstr(name);
  return v != nullptr && v != reinterpret_cast<char*>(-1) && v[0] != 0;
}

}  // namespace

const char* ti_terminal_unusable(const char* term) {
  static char why[256];
  if (term == nullptr) return "KU: TERM is not set; set it to the type of your terminal (for example xterm)";
  if (term[0] == 0) return "KU: TERM is empty; set it to the type of your terminal (for example xterm)";
  std::string name = printable_name(term);
  int err = 0;
  if (setupterm(term, STDOUT_FILENO, &err) != OK) {
    if (err == -1)
      std::snprintf(why, sizeof why, "KU: no terminal descriptions found (looking for \"%s\")", name.c_str());
    else
      std::snprintf(why, sizeof why, "KU: unknown terminal type \"%s\" (TERM)", name.c_str());
    return why;
  }
  // A full-screen editor needs to place the cursor; a hard-copy terminal
  // or one without cursor addressing (such as "dumb") cannot show it.
  bool usable = has_string_cap("cup") && tigetflag("hc") <= 0;
  del_curterm(cur_term);
  if (usable) return nullptr;
  std::snprintf(why, sizeof why, "KU: terminal type \"%s\" cannot move the cursor; a full-screen terminal is needed",
                name.c_str());
  return why;
}

