// Self-test of the screen-test harness, run against programs whose
// behaviour is known: the shell, stty, cat and tput, and a small curses key
// logger that is this test binary itself, started with KUTEST_SELFTEST_CHILD.
#include <curses.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"

namespace {

// --- the curses child ------------------------------------------------------
// Logs every key curses decodes to keys.log in its working directory, one
// keyname per line ("KEY_RESIZE rows cols" after a resize); "b" beeps and
// "q" ends it with status 5. It waits with the same ESC delay as the editor.
[[noreturn]] void curses_child() {
  initscr();
  raw();
  noecho();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  mvaddstr(0, 0, "ready");
  refresh();
  FILE* log = std::fopen("keys.log", "w");
  for (;;) {
    int ch = getch();
    if (ch == 'q') break;
    if (ch == 'b') beep();
    if (ch == KEY_RESIZE) {
      std::fprintf(log, "KEY_RESIZE %d %d\n", LINES, COLS);
      mvprintw(0, 0, "size %d %d", LINES, COLS);
      clrtoeol();
    } else {
      const char* name = keyname(ch);
      std::fprintf(log, "%s\n", name ? name : "?");
      mvprintw(1, 0, "last %s", name ? name : "?");
      clrtoeol();
    }
    std::fflush(log);
    refresh();
  }
  endwin();
  _exit(5);
}

[[maybe_unused]] const bool child_mode = [] {
  const char* mode = std::getenv("KUTEST_SELFTEST_CHILD");
  if (mode && std::strcmp(mode, "curses") == 0) curses_child();
  return false;
}();

std::string self_exe() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

kutest::Options curses_options(const std::string& term, int rows = 24, int cols = 80) {
  kutest::Options o;
  o.program = self_exe();
  o.term = term;
  o.rows = rows;
  o.cols = cols;
  o.env = {{"KUTEST_SELFTEST_CHILD", "curses"}};
  return o;
}

kutest::Options shell(const std::string& script) {
  kutest::Options o;
  o.program = "/bin/sh";
  o.args = {"-c", script};
  return o;
}

const char* const all_terms[] = {"xterm-256color", "linux", "screen", "screen-256color",
                                 "tmux-256color", "vt100", "rxvt-unicode"};

// --- tests -------------------------------------------------------------------

// The child sees the size, TERM, HOME and directory it was given and no
// LINES or COLUMNS; rows are full width; the cursor and typed keys show.
TEST(Harness, SizeEnvironmentRowsAndCursor) {
  setenv("LINES", "7", 1);
  setenv("COLUMNS", "9", 1);
  struct Size { int rows, cols; };
  for (Size sz : {Size{24, 80}, Size{20, 80}, Size{24, 79}, Size{40, 132}, Size{24, 512}}) {
    SCOPED_TRACE(std::to_string(sz.rows) + "x" + std::to_string(sz.cols));
    std::string home, dir;
    {
      kutest::Options o = shell(
          "printf '%s|%s|%s|%s|%s|%s|%s' \"$(stty size)\" \"${LINES-unset}\" \"${COLUMNS-unset}\" "
          "\"$TERM\" \"$HOME\" \"$(pwd)\" \"$EXTRA\"; "
          "printf '\\033[" + std::to_string(sz.rows) + ";" + std::to_string(sz.cols) + "HZ\\033[3;5H'; "
          "stty raw -echo; exec cat");
      o.rows = sz.rows;
      o.cols = sz.cols;
      o.term = "screen";
      o.env = {{"EXTRA", "x y"}};
      kutest::Screen s(o);
      ASSERT_TRUE(s.start());
      home = s.home();
      dir = s.dir();
      EXPECT_SCREEN_ROW(s, 0, std::to_string(sz.rows) + " " + std::to_string(sz.cols) + "|unset|unset|screen|" +
                                  home + "|" + dir + "|x y");
      ASSERT_EQ(s.rows().size(), static_cast<size_t>(sz.rows));
      for (const std::string& r : s.rows()) ASSERT_EQ(r.size(), static_cast<size_t>(sz.cols));
      EXPECT_EQ(s.cell(sz.rows - 1, sz.cols - 1).ch, 'Z');
      EXPECT_SCREEN_CURSOR(s, 2, 4);
      ASSERT_TRUE(s.keys("hello<Tab>x<CR>"));
      EXPECT_SCREEN_ROW(s, 2, "    hello       x");
      EXPECT_SCREEN_CURSOR(s, 2, 0);
      EXPECT_TRUE(std::filesystem::is_directory(home));
    }
    EXPECT_FALSE(std::filesystem::exists(home));
    EXPECT_FALSE(std::filesystem::exists(dir));
  }
  unsetenv("LINES");
  unsetenv("COLUMNS");
}

// Attributes and colours as cells report them; a Latin-1 byte is one cell;
// BEL is counted; the alternate screen is emulated (and settling works for
// a child in canonical mode).
TEST(Harness, CellsColoursBellAndAltScreen) {
  kutest::Screen s(shell(
      "printf '\\033[1mB\\033[0m\\033[4mU\\033[0m\\033[7mR\\033[0m\\033[31;42mC\\033[0m"
      "\\033[95;104mH\\033[0m\\033[38;5;200;48;5;17mX\\033[0m\\033[38;2;1;2;3mT\\033[0mD\\351\\007';"
      "read x; printf '\\033[?1049h\\033[H\\033[?25lALT'; read y; printf '\\033[?1049l\\033[?25h'; read z"));
  ASSERT_TRUE(s.start());
  struct Want { int col; char ch; bool bold, underline, reverse; int fg, bg; };
  const Want want[] = {
      {0, 'B', true, false, false, -1, -1},   {1, 'U', false, true, false, -1, -1},
      {2, 'R', false, false, true, -1, -1},   {3, 'C', false, false, false, 1, 2},
      {4, 'H', false, false, false, 13, 12},  {5, 'X', false, false, false, 200, 17},
      {6, 'T', false, false, false, 0x1010203, -1}, {7, 'D', false, false, false, -1, -1},
  };
  for (const Want& w : want) {
    SCOPED_TRACE(w.col);
    kutest::Cell c = s.cell(0, w.col);
    EXPECT_EQ(c.ch, w.ch);
    EXPECT_EQ(c.bold, w.bold);
    EXPECT_EQ(c.underline, w.underline);
    EXPECT_EQ(c.reverse, w.reverse);
    EXPECT_EQ(c.fg, w.fg);
    EXPECT_EQ(c.bg, w.bg);
  }
  EXPECT_EQ(s.cell(0, 8).code, 0xE9u);
  EXPECT_EQ(s.row(0).substr(0, 10), "BURCHXTD\xe9 ");
  EXPECT_EQ(s.bells(), 1);
  EXPECT_TRUE(s.cursor_visible());

  ASSERT_TRUE(s.keys("<CR>"));
  EXPECT_SCREEN_ROW(s, 0, "ALT");
  EXPECT_FALSE(s.cursor_visible());
  ASSERT_TRUE(s.keys("<CR>"));
  EXPECT_EQ(s.row(0).substr(0, 8), "BURCHXTD");
  EXPECT_TRUE(s.cursor_visible());
  EXPECT_TRUE(s.contains("XTD"));
  EXPECT_EQ(s.find("TD"), (kutest::Pos{0, 6}));
  EXPECT_FALSE(s.find("nowhere"));
}

// Key strings are the terminfo entry's, as tput reads it, for every
// terminal; keys a terminal lacks are reported missing.
TEST(Harness, KeyStringsComeFromTerminfo) {
  struct Name { const char* key; const char* cap; };
  const Name names[] = {{"Up", "kcuu1"}, {"Down", "kcud1"}, {"Left", "kcub1"}, {"Right", "kcuf1"},
                        {"S-Up", "kri"}, {"S-Down", "kind"}, {"S-Left", "kLFT"}, {"S-Right", "kRIT"},
                        {"Home", "khome"}, {"End", "kend"}, {"PgUp", "kpp"}, {"PgDn", "knp"},
                        {"Ins", "kich1"}, {"Del", "kdch1"}, {"BS", "kbs"}, {"F1", "kf1"},
                        {"F5", "kf5"}, {"F12", "kf12"}, {"KEnter", "kent"}, {"K5", "kb2"}};
  for (const char* term : all_terms) {
    for (const Name& n : names) {
      SCOPED_TRACE(std::string(term) + " " + n.key);
      std::string cmd = std::string("tput -T ") + term + " " + n.cap + " 2>/dev/null";
      FILE* p = popen(cmd.c_str(), "r");
      ASSERT_NE(p, nullptr);
      std::string out;
      char buf[64];
      size_t got;
      while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
      int rc = pclose(p);
      std::optional<std::string> mine = kutest::key_string(term, n.key);
      if (rc == 0) {
        EXPECT_EQ(mine, out);
      } else {
        EXPECT_FALSE(mine.has_value());
      }
    }
  }
  EXPECT_EQ(kutest::key_string("xterm-256color", "Up"), "\x1bOA");
  EXPECT_EQ(kutest::key_string("linux", "Up"), "\x1b[A");
  EXPECT_EQ(kutest::key_string("linux", "F1"), "\x1b[[A");
  EXPECT_EQ(kutest::key_string("vt100", "BS"), "\b");
  EXPECT_FALSE(kutest::key_string("linux", "S-Up"));
  kutest::Screen s(curses_options("linux"));
  EXPECT_EQ(s.key_bytes("S-Up"), "\x1b[1;2A");  // xterm-style fallback
  EXPECT_NONFATAL_FAILURE(s.keys("<Nope>"), "unknown key <Nope>");
  EXPECT_NONFATAL_FAILURE(s.keys("a<b"), "unterminated key name");
}

// Control keys, hex bytes and <lt> give the right bytes, in order.
TEST(Harness, NotationBytes) {
  kutest::Options o = shell("stty raw -echo; exec cat -vT");
  o.wait_for_output = false;
  kutest::Screen s(o);
  ASSERT_TRUE(s.start());
  ASSERT_TRUE(s.keys("<C-a><c-z><C-[>x<0x80><0xff><lt>y<Tab><C-?><BS><Space>!"));
  EXPECT_SCREEN_ROW(s, 0, "^A^Z^[xM-^@M-^?<y^I^?^? !");
}

// A real curses program decodes every key the terminal has, for every
// terminal; a lone ESC reaches it alone even when letters follow that would
// make a key sequence; settle waits out the ESC delay; a resize arrives as
// SIGWINCH; the exit status is collected.
TEST(Harness, CursesProgramDecodesKeys) {
  struct Key { const char* name; const char* keyname; };
  const Key keys[] = {{"Up", "KEY_UP"}, {"Down", "KEY_DOWN"}, {"Left", "KEY_LEFT"}, {"Right", "KEY_RIGHT"},
                      {"S-Up", "KEY_SR"}, {"S-Down", "KEY_SF"}, {"S-Left", "KEY_SLEFT"},
                      {"S-Right", "KEY_SRIGHT"}, {"S-Tab", "KEY_BTAB"}, {"Home", "KEY_HOME"},
                      {"End", "KEY_END"}, {"PgUp", "KEY_PPAGE"}, {"PgDn", "KEY_NPAGE"}, {"Ins", "KEY_IC"},
                      {"Del", "KEY_DC"}, {"BS", "KEY_BACKSPACE"}, {"F1", "KEY_F(1)"}, {"F2", "KEY_F(2)"},
                      {"F5", "KEY_F(5)"}, {"F10", "KEY_F(10)"}, {"F12", "KEY_F(12)"},
                      {"KEnter", "KEY_ENTER"}, {"K5", "KEY_B2"}};
  for (const char* term : all_terms) {
    SCOPED_TRACE(term);
    kutest::Screen s(curses_options(term));
    ASSERT_TRUE(s.start());
    EXPECT_SCREEN_ROW(s, 0, "ready");
    std::string typed, expected;
    for (const Key& k : keys) {
      if (!s.key_string(k.name)) continue;
      typed += std::string("<") + k.name + ">";
      expected += std::string(k.keyname) + "\n";
    }
    typed += "a<C-x><Esc>OA<Esc>";
    expected += "a\n^X\n^[\nO\nA\n^[\n";
    ASSERT_TRUE(s.keys(typed));
    EXPECT_EQ(s.read_file("keys.log"), expected);
    EXPECT_SCREEN_ROW(s, 1, "last ^[");

    ASSERT_TRUE(s.keys("b"));
    EXPECT_EQ(s.bells(), 1);

    ASSERT_TRUE(s.resize(40, 132));
    EXPECT_SCREEN_ROW(s, 0, "size 40 132");
    EXPECT_EQ(s.height(), 40);
    EXPECT_EQ(s.width(), 132);

    ASSERT_TRUE(s.keys("q"));
    EXPECT_TRUE(s.wait_exit());
    EXPECT_FALSE(s.running());
    EXPECT_EQ(s.exit_status(), 5);
  }
}

// Exit codes and deaths by signal; a missing program is reported.
TEST(Harness, ExitStatusSignalsAndMissingProgram) {
  {
    kutest::Options o = shell("read x; exit 3");
    o.wait_for_output = false;
    kutest::Screen s(o);
    ASSERT_TRUE(s.start());
    EXPECT_TRUE(s.running());
    EXPECT_EQ(s.exit_status(), kutest::Screen::kNotExited);
    ASSERT_TRUE(s.keys("hi<CR>"));
    EXPECT_TRUE(s.wait_exit());
    EXPECT_EQ(s.exit_status(), 3);
    EXPECT_NE(s.dump().find("exited with status 3"), std::string::npos);
  }
  {
    kutest::Screen s(shell("echo up; exec cat"));
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.signal(SIGTERM));
    EXPECT_FALSE(s.running());
    EXPECT_EQ(s.exit_status(), -SIGTERM);
  }
  {
    kutest::Options o;
    o.program = "/nonexistent/ku";
    kutest::Screen s(o);
    EXPECT_NONFATAL_FAILURE(s.start(), "cannot run /nonexistent/ku");
  }
}

// settle returns only once a long burst of output, written while the child
// blocks on a full terminal and then sleeps, is all on the screen.
TEST(Harness, SettlesAfterBurstOfOutput) {
  kutest::Options o = shell(
      "read x; i=0; while [ $i -lt 3000 ]; do echo \"line $i\"; i=$((i+1)); done; sleep 0.2;"
      " printf '\\033[2J\\033[HDONE %s' \"$x\"; read y");
  o.wait_for_output = false;
  kutest::Screen s(o);
  ASSERT_TRUE(s.start());
  ASSERT_TRUE(s.keys("go<CR>"));
  EXPECT_SCREEN_ROW(s, 0, "DONE go");
  EXPECT_NE(s.output().find("line 2999\r\n"), std::string::npos);
}

// Closing the terminal hangs the child up.
TEST(Harness, ClosePtyHangsUp) {
  kutest::Screen s(shell("stty raw -echo; echo up; exec cat"));
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(s.running());
  s.close_pty();
  EXPECT_TRUE(s.wait_exit());
  EXPECT_EQ(s.exit_status(), -SIGHUP);
  EXPECT_NONFATAL_FAILURE(s.keys("x"), "terminal was closed");
}

// Files are written and read relative to the working directory, "~/"
// relative to HOME.
TEST(Harness, FilesInWorkAndHome) {
  kutest::Screen s(shell("cat a.txt ~/sub/b.txt; exec cat"));
  s.write_file("a.txt", "A1\n");
  s.write_file("~/sub/b.txt", std::string("B\0B\n", 4));
  EXPECT_TRUE(s.file_exists("a.txt"));
  EXPECT_FALSE(s.file_exists("b.txt"));
  EXPECT_EQ(s.read_file("~/sub/b.txt"), std::string("B\0B\n", 4));
  ASSERT_TRUE(s.start());
  EXPECT_SCREEN_ROWS(s, 0, {"A1", "BB", ""});
  EXPECT_EQ(s.path("x"), s.dir() + "/x");
  EXPECT_ANY_THROW(s.read_file("missing"));
}

}  // namespace
