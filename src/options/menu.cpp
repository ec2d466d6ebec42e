// The options menu and its sub-menus: one-key menus on the status line that
// change the options record in place (and the current file's line-end
// format), with the settings shown in the message box below the status line.
// The record's file format belongs to options.cpp; this file only asks for it
// to be saved.
#include "options/menu.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/dispatch.h"
#include "edit/wrap.h"
#include "files/openfiles.h"
#include "input/prompt.h"
#include "input/readstate.h"
#include "options/options.h"
#include "store/lists.h"
#include "term/mouse.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

const char* const on_off_msg[2] = {"OFF", "ON"};
const char* const right_justify_msg[2] = {"Right Justify ON", "Right Justify OFF"};
const char* const text_wrapping_msg[2] = {"Text wrapping ON", "Text wrapping OFF"};

namespace {

constexpr int ENTER = '\n';
constexpr int MSG_SIZE = 160;  // a message-box text; the row cuts it at the screen edge
constexpr int SHORT_ANSWER = 10;  // capacity of number and character answers

const char* const main_menu = "Tabs  Indent  Wrap  Colors  Match  Fileformat  Rodent  Save : ";
const char* const tabs_menu = "Input  Output  Tabstop : ";
const char* const wrap_menu = "Enable  Disable  Left  Right  Justify : ";
const char* const colors_menu = "Palette  Working  Foreground  Background  Apply  Query : ";
const char* const match_menu = "Start-of-line  End-of-line  Query : ";
const char* const format_menu = "Select text file format - Unix or DOS/Win : ";

// A changed line-end format is a change of the file that its line summary
// cannot see; flipping this bit of the saved checksum makes the file count as
// changed until it is written (and unchanged again if the format goes back).
constexpr uint32_t FORMAT_CHANGE_MARK = 0x80000000u;

int text_len(const char* s) { return static_cast<int>(std::strlen(s)); }

// One menu key, upper case.  Keys that are no entry of a menu are refused
// with refuse_bell (the terminal bell).
int menu_key() { return std::toupper(read_char()); }

// Puts the menu that is on top of the status stack back on row 0, removing a
// sub-menu's prompt.
void show_top_menu() {
  if (!stack_empty(&status_stack)) write_status_line(static_cast<const char*>(tos(&status_stack)));
}

// The number an answer starts with (leading blanks and a sign allowed, as
// "%d" reads it), clipped to the int range; false when it starts with none.
bool leading_number(const char* answer, int* value) {
  const char* p = answer;
  while (std::isspace(static_cast<unsigned char>(*p))) p++;
  if (*p == '+' || *p == '-') p++;
  if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
  long v = std::strtol(answer, nullptr, 10);
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  *value = static_cast<int>(v);
  return true;
}

void set_file_format(char format) {
  if (curr_file.format == format) return;
  curr_file.format = format;
  curr_file.saved_checksum ^= FORMAT_CHANGE_MARK;
}

// --- Tabs --------------------------------------------------------------------

void tabs_message(char* msg) {
  std::snprintf(msg, MSG_SIZE, "%s %s, %s %s, %s %d", "> Input xlate", on_off_msg[options.input_xlate != 0],
                "Output xlate", on_off_msg[options.output_xlate != 0], "Tabstop =", options.tabstop);
}

// Asks for a tab stop.  Tab expansion and the TAB key need a stop of at least
// 1, and stops beyond a line's length only make the tab arithmetic overflow,
// so such numbers are refused and the old stop kept.  Returns false, with
// the refusal in msg, when the number was refused.
bool ask_tabstop(char* msg) {
  char answer[SHORT_ANSWER];
  prompt_read_str(0, 0, "Tabstop: ", -1, -1, answer, SHORT_ANSWER);
  int n;
  if (!leading_number(answer, &n)) return true;
  if (n < 1 || n > MAX_TABSTOP) {
    std::snprintf(msg, MSG_SIZE, "Invalid tab stop - must be 1 to %d", MAX_TABSTOP);
    return false;
  }
  options.tabstop = n;
  return true;
}

// --- Wrap --------------------------------------------------------------------

void wrap_message(char* msg) {
  std::snprintf(msg, MSG_SIZE, "%s, %s, %s %d, %s %d", text_wrapping_msg[options.text_wrapping == 0],
                right_justify_msg[options.right_justify == 0], "Left margin:", options.left_margin,
                "Right margin:", options.right_margin);
}

void wrap_now() {
  ku_mode = last_ku_mode = INSERT_MODE;
  wrap_line(1);
}

// Asks for the left or the right margin.  An empty answer keeps both; a
// number is taken when the margins then satisfy left < right <= columns
// and right >= 1, otherwise both margins stay as they were.  Returns false, with the refusal
// in msg, when the answer was refused (an answer that is no number as well).
bool ask_margin(bool left, char* msg) {
  char answer[SHORT_ANSWER];
  const char* prompt = left ? "Left Margin: " : "Right Margin: ";
  prompt_read_str(0, 0, prompt, text_len(prompt), 0, answer, SHORT_ANSWER);
  bool ok = true;
  if (answer[0] != 0) {
    int old_left = options.left_margin, old_right = options.right_margin;
    int n;
    ok = leading_number(answer, &n);
    if (ok) {
      (left ? options.left_margin : options.right_margin) = n;
      // A right margin below 1 leaves no room for any text on a line.
      ok = options.left_margin < options.right_margin && options.right_margin <= columns && options.right_margin >= 1;
    }
    if (!ok) {
      options.left_margin = old_left;
      options.right_margin = old_right;
      std::snprintf(msg, MSG_SIZE, "%s", left ? "Invalid left margin" : "Invalid right margin");
    }
  }
  if (left && options.text_wrapping) wrap_now();
  return ok;
}

// --- Match -------------------------------------------------------------------

void match_message(char* msg) {
  std::snprintf(msg, MSG_SIZE, "%s %c %s %c %s", "> Find/Replace uses", options.sol_match_char,
                "to match Start-ofline, and", options.eol_match_char, "to match End-of-line");
}

// --- Main menu -----------------------------------------------------------------

void save_options(char* msg) {
  std::snprintf(msg, MSG_SIZE, "%s",
                save_ku_opt_file() == 0 ? "> Options saved to ~/.ku.opt - loaded by KU at next start"
                                        : "> Could not save options to ~/.ku.opt");
}

}  // namespace

void option_cmd() {
  update_curr_line();
  push_status_line(main_menu);
  const int x = text_len(main_menu);
  // The main menu has no settings of its own to show: its message box holds
  // only what the last key reported, until the next key.
  char msg[MSG_SIZE] = "";
  for (;;) {
    if (msg[0]) write_divider_msg(msg, x, 0);
    ti_move_cursor(x, 0);
    bool box = msg[0] != 0;
    msg[0] = 0;
    int k = menu_key();
    if (k == ENTER) break;
    if (box) clear_divider_msg();
    switch (k) {
      case 'T': tab_options_subcommand(); break;
      case 'I': binary_options_subcommand("Auto Indent", &options.auto_indent); break;
      case 'W': text_wrapping_options_subcommand(); break;
      case 'C': color_options_subcommand(); break;
      case 'M': match_options_subcommand(); break;
      case 'F': file_format_options_subcommand(); break;
      case 'R':
        binary_options_subcommand("Mouse Support", &options.mouse_support);
        ti_set_mouse_events(options.mouse_support);
        break;
      case 'S': save_options(msg); break;
      default: refuse_bell(); break;
    }
    show_top_menu();
  }
  clear_divider_msg();
  pop_status_line();
}

void binary_options_subcommand(const char* label, int* flag) {
  char menu[MSG_SIZE];
  std::snprintf(menu, sizeof menu, "%s%s", label, " ? (Enable/Disable) : ");
  const int x = text_len(menu);
  char msg[MSG_SIZE];
  for (;;) {
    write_status_line(menu);
    std::snprintf(msg, sizeof msg, "%s%s", label, *flag ? " ON " : " OFF");
    write_divider_msg(msg, x, 0);
    int k = menu_key();
    if (k == ENTER) break;
    *flag = k == 'E' ? 1 : 0;
  }
  clear_divider_msg();
}

void tab_options_subcommand() {
  push_status_line(tabs_menu);
  const int x = text_len(tabs_menu);
  char msg[MSG_SIZE];
  bool renew = true;  // false keeps a refusal visible for one more key
  for (;;) {
    if (renew) tabs_message(msg);
    write_divider_msg(msg, x, 0);
    renew = true;
    int k = menu_key();
    if (k == ENTER) break;
    switch (k) {
      case 'I': options.input_xlate = !options.input_xlate; break;
      case 'O': options.output_xlate = !options.output_xlate; break;
      case 'T': renew = ask_tabstop(msg); break;
      default: refuse_bell(); break;
    }
    show_top_menu();
  }
  clear_divider_msg();
  pop_status_line();
}

void text_wrapping_options_subcommand() {
  push_status_line(wrap_menu);
  const int x = text_len(wrap_menu);
  char msg[MSG_SIZE];
  bool renew = true;
  for (;;) {
    if (renew) wrap_message(msg);
    write_divider_msg(msg, x, 0);
    renew = true;
    int k = menu_key();
    if (k == ENTER) break;
    switch (k) {
      case 'E':
        options.text_wrapping = 1;
        options.auto_indent = 0;
        wrap_now();
        break;
      case 'D': options.text_wrapping = 0; break;
      case 'J': options.right_justify = !options.right_justify; break;
      case 'L': renew = ask_margin(true, msg); break;
      case 'R': renew = ask_margin(false, msg); break;
      default: refuse_bell(); break;
    }
    show_top_menu();
  }
  clear_divider_msg();
  pop_status_line();
}

void color_options_subcommand() {
  push_status_line(colors_menu);
  const int x = text_len(colors_menu);
  int work_fg = options.fg_color, work_bg = options.bg_color;
  display_color_names("Displayed", options.fg_color, options.bg_color, x, 0);
  for (;;) {
    int k = menu_key();
    if (k == ENTER) break;
    int err = 0;
    switch (k) {
      case 'P': {
        char msg[MSG_SIZE];
        std::snprintf(msg, sizeof msg, "> %s", color_palette);
        write_divider_msg(msg, x, 0);
        break;
      }
      case 'W': display_color_names("Working", work_fg, work_bg, x, 0); break;
      case 'F':
      case 'B': {
        int* work = k == 'F' ? &work_fg : &work_bg;
        int c = get_new_color(*work, k == 'F' ? "Enter new foreground (text) color: " : "Enter new background color: ",
                              x, 0, &err);
        if (err == 0) {
          *work = c;
          display_color_names("Working", work_fg, work_bg, x, 0);
        }
        break;
      }
      case 'A':
        if (work_fg == work_bg && !(work_fg == -1 && work_bg == -1)) {
          write_divider_msg("> Foreground and Background colors must be different", x, 0);
          break;
        }
        options.fg_color = static_cast<short>(work_fg);
        options.bg_color = static_cast<short>(work_bg);
        ti_set_screen_colors();
        display_color_names("Displayed", options.fg_color, options.bg_color, x, 0);
        break;
      case 'Q': display_color_names("Displayed", options.fg_color, options.bg_color, x, 0); break;
      default:
        refuse_bell();
        display_color_names("Displayed", options.fg_color, options.bg_color, x, 0);
        break;
    }
    show_top_menu();
  }
  clear_divider_msg();
  pop_status_line();
}

int get_new_color(int color, const char* prompt, int x, int y, int* err) {
  *err = 0;
  char answer[80];
  int capacity = 78 - text_len(prompt);
  if (capacity < 2) capacity = 2;
  if (capacity > static_cast<int>(sizeof answer)) capacity = static_cast<int>(sizeof answer);
  // An empty answer names the present colour, which is kept as it is (also
  // a number outside the palette, read from the options file).
  if (prompt_read_str(0, 0, prompt, -1, -1, answer, capacity) == 0) return color;
  int value = get_color_value(answer);
  if (value == -2) {
    write_divider_msg("Unrecognized color - must be on palette", x, y);
    *err = 10;
    return color;
  }
  return value;
}

void display_color_names(const char* label, int fg, int bg, int x, int y) {
  char fg_name[16], bg_name[16], msg[MSG_SIZE];
  get_color_name(fg, fg_name);
  get_color_name(bg, bg_name);
  std::snprintf(msg, sizeof msg, "%s%s %s %s, %s %s", "> ", label, "foreground color is", fg_name,
                "background color is", bg_name);
  write_divider_msg(msg, x, y);
}

void match_options_subcommand() {
  push_status_line(match_menu);
  const int x = text_len(match_menu);
  char msg[MSG_SIZE];
  for (;;) {
    match_message(msg);
    write_divider_msg(msg, x, 0);
    int k = menu_key();
    if (k == ENTER) break;
    switch (k) {
      case 'S': set_match_char("Enter char to match start-of-line: ", &options.sol_match_char); break;
      case 'E': set_match_char("Enter char to match end-of-line: ", &options.eol_match_char); break;
      case 'Q': break;
      default: refuse_bell(); break;
    }
    show_top_menu();
  }
  clear_divider_msg();
  pop_status_line();
}

int set_match_char(const char* prompt, char* c) {
  char answer[SHORT_ANSWER];
  int n = prompt_read_str(0, 0, prompt, -1, -1, answer, SHORT_ANSWER);
  if (n > 0) *c = answer[0];
  return n;
}

void file_format_options_subcommand() {
  const int x = text_len(format_menu);
  // The key read last decides; before the first key the file's own format
  // stands in for it, so ENTER at once keeps a DOS/Windows file as it is.
  int last = curr_file.format == 'd' ? 'D' : 'U';
  for (;;) {
    write_status_line(format_menu);
    set_file_format(last == 'D' ? 'd' : 'u');
    write_divider_msg(curr_file.format == 'd' ? "> Text file format is DOS/Win" : "> Text file format is Unix", x, 0);
    int k = menu_key();
    if (k == ENTER) break;
    last = k;
  }
  clear_divider_msg();
}
