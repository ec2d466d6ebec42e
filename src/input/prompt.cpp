// Prompted input line: shows a prompt on a screen row and reads an answer
// typed and edited in place until ENTER.  Nothing is drawn while a macro is
// replayed; the answer changes exactly as when the keys were typed.
#include "input/prompt.h"

#include <algorithm>
#include <cstring>

#include "input/readstate.h"
#include "term/aperture.h"
#include "term/resize.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

namespace {

bool replaying() { return read_state == 2; }

// Length of the answer, never more than the buffer holds; the answer is
// terminated there.
int answer_length(char* s, int capacity) {
  int n = static_cast<int>(strnlen(s, static_cast<size_t>(capacity - 1)));
  s[n] = 0;
  return n;
}

void move_to(int x, int y) {
  if (!replaying()) ti_move_cursor(x, y);
}

// Writes a text at the cursor one cell per byte (text_cell: TAB as
// wtab_char, other unprintable bytes as placeholders), so that the screen
// columns stay in step with the answer's indices.
void write_cells(const char* text) {
  char cells[512];
  size_t j = 0;
  for (const char* p = text; *p != 0; p++) {
    cells[j++] = text_cell(static_cast<unsigned char>(*p));
    if (j == sizeof cells - 1 || p[1] == 0) {
      cells[j] = 0;
      writestr(cells);
      j = 0;
    }
  }
}

// Writes a text's cells from (x, y), cut at the right edge of the terminal.
void write_cells_at(int x, int y, const char* text) {
  int room = physical_cols - x;
  if (room <= 0) return;
  char cells[512];
  int n = 0;
  for (const char* p = text; *p != 0 && n < room && n < static_cast<int>(sizeof cells) - 1; p++)
    cells[n++] = text_cell(static_cast<unsigned char>(*p));
  cells[n] = 0;
  ti_move_cursor(x, y);
  writestr(cells);
}

// What a prompt being read shows, for redrawing it after a resize.
struct PromptView {
  const char* prompt;  // prompt text drawn by prompt_read_str, or null
  int px, py;          // where it is drawn
  const char* answer;  // the answer being edited, drawn from (ax, ay)
  int ax, ay;
  const int* x;        // the answer's cursor
  const int* y;
};

// The prompt prompt_read_str drew, handed to the read_str it calls.
const char* drawn_prompt = nullptr;
int drawn_px = 0, drawn_py = 0;

void redraw_prompt(void* ctx) {
  const auto* v = static_cast<const PromptView*>(ctx);
  if (replaying()) return;
  if (v->prompt) {
    ti_move_cursor(v->px, v->py);
    ti_clear_to_eol(v->py);
    write_cells_at(v->px, v->py, v->prompt);
  }
  ti_move_cursor(v->ax, v->ay);
  ti_clear_to_eol(v->ay);
  write_cells_at(v->ax, v->ay, v->answer);
  ti_move_cursor(std::min(*v->x, physical_cols - 1), *v->y);
}

void delete_screen_chars(int count) {
  if (replaying()) return;
  for (int j = 0; j < count; j++) ti_delete_char();
}

// One editing command (the key arrived in command mode).
void edit_command(char* s, int n, int m, int key, int* i, int* x, int* y) {
  switch (key) {
    case '#':  // rubout
      if (*i == 0) {
        refuse_bell();
        return;
      }
      move_to(*x - 1, *y);
      delete_screen_chars(1);
      (*i)--;
      (*x)--;
      std::memmove(s + *i, s + *i + 1, static_cast<size_t>(n - *i));
      return;
    case 'D':  // delete the character under the cursor
      if (*i >= n) return;
      move_to(*x, *y);
      delete_screen_chars(1);
      std::memmove(s + *i, s + *i + 1, static_cast<size_t>(n - *i));
      return;
    case 'k':  // delete to the end of the answer
      move_to(*x, *y);
      delete_screen_chars(n - *i);
      s[*i] = 0;
      return;
    case 'd':  // delete from the start of the answer to the cursor
      *x -= *i;
      move_to(*x, *y);
      delete_screen_chars(*i);
      std::memmove(s, s + *i, static_cast<size_t>(n - *i + 1));
      *i = 0;
      return;
    case '<':
      *x -= *i;
      *i = 0;
      move_to(*x, *y);
      return;
    case '>':
      *x = *x - *i + n;
      *i = n;
      move_to(*x, *y);
      return;
    case ',':
      if (*i == 0) {
        refuse_bell();
        return;
      }
      (*i)--;
      (*x)--;
      move_to(*x, *y);
      return;
    case '.':
      if (*i >= m || *i >= n) {
        refuse_bell();
        return;
      }
      (*i)++;
      (*x)++;
      move_to(*x, *y);
      return;
    default:
      refuse_bell();
      return;
  }
}

}  // namespace

int line_edit(char* answer, int capacity, int key, int* index, int* x, int* y) {
  if (capacity < 1) return 0;
  int n = answer_length(answer, capacity);
  if (*index < 0) *index = 0;
  if (*index > n) *index = n;
  if (ku_mode == COMMAND_MODE) {
    edit_command(answer, n, capacity, key, index, x, y);
    ku_mode = last_ku_mode;
  } else if (key >= 32 && key <= 126) {
    if (n < capacity - 1) {
      if (!replaying()) {
        ti_move_cursor(*x, *y);
        ti_insert_char(key);
      }
      (*x)++;
      std::memmove(answer + *index + 1, answer + *index, static_cast<size_t>(n - *index + 1));
      answer[*index] = static_cast<char>(key);
      (*index)++;
    } else {
      refuse_bell();
    }
  }
  return answer_length(answer, capacity);
}

int read_str(char* answer, int capacity, int ax, int ay, int clear, int keep) {
  if (capacity < 1) return 0;
  if (keep == 0) answer[0] = 0;
  int n = answer_length(answer, capacity);
  int i = 0;
  int x = ax;
  int y = ay;
  if (clear != 0 && !replaying()) {
    ti_move_cursor(ax, ay);
    ti_clear_to_eol(ay);
  }
  if (keep != 0 && n > 0 && !replaying()) {
    ti_move_cursor(ax, ay);
    write_cells(answer);
    ti_move_cursor(ax, ay);
  }
  ku_mode = last_ku_mode;
  PromptView view{drawn_prompt, drawn_px, drawn_py, answer, ax, ay, &x, &y};
  drawn_prompt = nullptr;
  ResizeRedrawScope redraw(redraw_prompt, &view);
  for (;;) {
    int key = read_char();
    n = line_edit(answer, capacity, key, &i, &x, &y);
    if (key == '\n') return n;
  }
}

int prompt_read_str(int px, int py, const char* prompt, int ax, int ay, char* answer, int capacity) {
  if (capacity < 1) return 0;
  ti_disable_horizontal_scrolling();
  bool preset = ax == -2 && ay == -2;
  if (px >= 0 && py >= 0 && !replaying() && ax != -2 && ay != -2) {
    ti_move_cursor(px, py);
    ti_clear_to_eol(py);
    write_cells(prompt);
    drawn_prompt = prompt;
    drawn_px = px;
    drawn_py = py;
  }
  answer[0] = 0;
  if (ax == -1 && ay == -1) {
    ax = static_cast<int>(std::strlen(prompt));
    ay = py;
  } else if (preset) {
    // The preset answer is cut to what the buffer holds.
    size_t len = strnlen(prompt, static_cast<size_t>(capacity - 1));
    std::memcpy(answer, prompt, len);
    answer[len] = 0;
    ax = px;
    ay = py;
  }
  int n = read_str(answer, capacity, ax, ay, 1, 1);
  ti_enable_horizontal_scrolling();
  restore_cursor();
  return n;
}
