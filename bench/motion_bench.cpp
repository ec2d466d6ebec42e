// Cursor motion over a long file: a 1,000,000-line file held in memory, an
// ncurses screen of 80x24 (output to /dev/null), and the commands run
// through the dispatcher as typed keys would run them, with one screen
// refresh per key as the keyboard read does.  Reports the time of each
// step; nothing is checked.  Usage: motion_bench [LINES]
#include <sys/resource.h>

#include <curses.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "core/startup.h"
#include "edit/motion.h"
#include "files/openfiles.h"
#include "input/readstate.h"
#include "options/options.h"
#include "store/lists.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"
#include "undo/undo.h"

namespace {

double cpu_seconds() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct Timer {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = cpu_seconds();
  void report(const char* what, long steps) const {
    double w = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    double c = cpu_seconds() - cpu;
    std::printf("%-44s %8.3f s wall %8.3f s cpu", what, w, c);
    if (steps > 0) std::printf("  %8.1f ns/step (%ld steps)", c * 1e9 / static_cast<double>(steps), steps);
    std::printf("   now ln %d, row %d\n", curr_line_num, curr_screen.cy);
  }
};

// One key as the main loop handles it in command mode, then the refresh
// the next keyboard read would do.
void key(int k) {
  ku_exception = 0;
  ku_mode = COMMAND_MODE;
  cmd_processor(k);
  update_scroll_indicator();
  wrefresh(ku_win);
}

// ESC, a count, then a command.
void counted(const char* count, int cmd) {
  for (const char* p = count; *p; ++p) key(*p);
  key(cmd);
}

void make_file(long n) {
  init_list(&curr_file);
  char text[96];
  for (long i = 0; i < n; i++) {
    int len = std::snprintf(text, sizeof text, "%07ld the quick brown fox jumps over the lazy dog %ld", i + 1, i * 7919);
    auto* node = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(len))));
    node->length = len;
    std::memcpy(node->text, text, static_cast<size_t>(len));
    send_node(&curr_file, node);
  }
  std::memset(&curr_screen, 0, sizeof curr_screen);
  curr_line = first_line(curr_file);
  curr_screen.cy = update_curr_screen(2);
  curr_screen.last_direction = 'P';
  curr_line_num = 1;
}

}  // namespace

int main(int argc, char** argv) {
  long n = argc > 1 ? std::atol(argv[1]) : 1000000;
  setenv("LINES", "24", 1);
  setenv("COLUMNS", "80", 1);
  FILE* out = std::fopen("/dev/null", "w");
  FILE* in = std::fopen("/dev/null", "r");
  SCREEN* scr = newterm("xterm-256color", out, in);
  if (!scr) {
    std::fprintf(stderr, "no terminal\n");
    return 1;
  }
  set_default_options();
  ti_init_screen_state();
  compute_top_line_geometry(physical_cols);
  init_stack(&status_stack, 10);
  init_undo_system();
  init_list(&line_del_block);
  for (int i = 0; i < N_COMMANDS; i++) undo_supported[i] = 1;
  ku_msg = ku_msg_buf;
  std::strcpy(ku_msg_buf, " ");
  last_ku_mode = INSERT_MODE;
  displayed_mode = 99;
  std::strcpy(curr_filename, "bench.txt");

  Timer build;
  make_file(n);
  build.report("building the file", 0);
  draw_curr_screen();
  wrefresh(ku_win);

  {
    Timer t;
    long steps = 0;
    while (next_line(curr_line)) {
      counted("*", '$');  // ESC * cursor down
      steps += 32000;
    }
    t.report("ESC * cursor down to the end (repeated)", steps);
  }
  {
    Timer t;
    key('\\');
    t.report("top of file", 1);
  }
  {
    Timer t;
    key('~');
    t.report("bottom of file from the top", 1);
  }
  {
    Timer t;
    key('~');
    t.report("bottom of file again", 1);
  }
  {
    // For comparison: what one position report costs when the number has
    // to be counted from the top (the cache forgotten).
    curr_bwd_link = nullptr;
    last_cmd_ix = 0;
    Timer t;
    curr_line_num = get_curr_line_num() + 1;
    t.report("reference: one count from the top", 1);
  }
  {
    Timer t;
    key('\\');
    for (int i = 0; i < 1000; i++) key('F');
    t.report("1000 x page down (one key each)", 1000);
  }
  {
    Timer t;
    key('$');
    for (int i = 0; i < 1000; i++) key('B');
    t.report("cursor down, then 1000 x page up", 1000);
  }
  {
    Timer t;
    counted("500000", '$');
    counted("*", '-');
    t.report("500000 down, then ESC * half page up", 32000);
  }
  {
    Timer t;
    counted("*", 'F');
    t.report("ESC * page down", 32000);
  }
  {
    Timer t;
    key('\\');
    counted("600000", '$');
    counted("*", 'l');
    t.report("600000 down, then ESC * delete line", 32000);
  }
  {
    Timer t;
    key('i');
    t.report("info (position) after all that", 1);
  }
  endwin();
  delscreen(scr);
  return 0;
}
