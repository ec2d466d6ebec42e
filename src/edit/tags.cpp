// Jumps and tags: the jump menu (start, end, line number, tag), the tags menu
// (set, clear, list, jump), the direct jump to a tag and the tags listing.
// A tag is a 1-based line number in curr_file.tags, 0 when unset.
#include "edit/tags.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "core/dispatch.h"
#include "edit/motion.h"
#include "files/openfiles.h"
#include "input/prompt.h"
#include "input/readstate.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

namespace {

constexpr int LINE_ANSWER_CHARS = 12;  // longest answer to "Line: "

const char* const jump_menu = "Start  End  Line  Tag : ";
const char* const tags_menu = "0-9  Clear  List  Jump : ";
const char* const blank_status = " ";

// Makes line n (1-based, held within the file) current and shows it with
// the cursor column unchanged; returns the number of the line reached.
int go_to_line(int n) {
  int count = curr_file.count;
  if (n > count) n = count;
  if (n < 1) n = 1;
  curr_line = goto_line_num(n - 1);
  display_new_screen(curr_screen.cx);
  set_curr_line_num(n);
  return n;
}

}  // namespace

int jump_line_answer(const char* answer) {
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(answer, &end, 10);
  if (end == answer || v < 1) return 1;
  if (errno == ERANGE || v > INT_MAX) return INT_MAX;
  return static_cast<int>(v);
}

int jump_to_tag() {
  write_status_line("Enter tag number: ");
  int key = read_char();
  if (key < '0' || key > '9') {
    write_ku_msg("Not a valid tag number");
    return 0;
  }
  int line = curr_file.tags[key - '0'];
  if (line == 0) {
    char msg[40];
    std::snprintf(msg, sizeof msg, "Tag %c not defined", key);
    write_ku_msg(msg);
    return 0;
  }
  if (!curr_line) return 0;
  go_to_line(line);
  display_curr_position();
  return 1;
}

void jump_cmd() {
  update_curr_line();
  push_status_line(jump_menu);
  int key = std::toupper(read_char());
  if (!curr_line) {
    pop_status_line();
    return;
  }
  bool moved = false;
  switch (key) {
    case 'S':
      go_to_line(1);
      display_curr_position();
      moved = true;
      break;
    case 'E':
      bottom_of_file_cmd();
      pop_status_line();
      return;
    case 'L': {
      int n = prompt_read_str(0, 0, "Line: ", -1, -1, temp.text, LINE_ANSWER_CHARS + 1);
      go_to_line(n > 0 ? jump_line_answer(temp.text) : 1);
      display_curr_position();
      moved = true;
      break;
    }
    case 'T':
      moved = jump_to_tag() != 0;
      break;
    case '\n':
      break;
    default:
      writechar(7);
      break;
  }
  if (!moved) {
    // The cursor stays; its line number is made known all the same, as
    // the commands after a jump take it without counting.
    display_new_screen(curr_screen.cx);
    set_curr_line_num(get_curr_line_num() + 1);
  }
  pop_status_line();
}

void tags_cmd() {
  update_curr_line();
  push_status_line(tags_menu);
  int key = std::toupper(read_char());
  if (key >= '0' && key <= '9') {
    curr_file.tags[key - '0'] = get_curr_line_num() + 1;
    char msg[40];
    std::snprintf(msg, sizeof msg, "Tag %c set", key);
    write_ku_msg(msg);
  } else if (key == 'C') {
    for (int& t : curr_file.tags) t = 0;
    write_ku_msg("All tags cleared");
  } else if (key == 'L') {
    list_tags();
  } else if (key == 'J') {
    jump_to_tag();
  } else if (key != '\n') {
    writechar(7);
    write_ku_msg(invalid_msg);
  }
  pop_status_line();
}

void jump_to_tag_cmd() {
  update_curr_line();
  push_status_line(blank_status);
  jump_to_tag();
  pop_status_line();
}

void list_tags() {
  create_full_screen_info_page(" - Tags Listing");
  mv_writestr(0, 3, 0, "Tag     LineNum");
  for (int t = 0; t < N_TAGS; t++) {
    char text[48];
    if (curr_file.tags[t] != 0)
      std::snprintf(text, sizeof text, "%d      %d", t, curr_file.tags[t]);
    else
      std::snprintf(text, sizeof text, "%d      %s", t, "Undefined");
    mv_writestr(1, 5 + t, 0, text);
  }
  remove_full_screen_info_page();
}
