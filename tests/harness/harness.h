// Screen-test harness: runs a program (by default the ku binary) in a
// pseudo-terminal, types keys into it and reads its screen back through
// libvterm. It owns the child process, the pty and the temporary HOME and
// working directories of one test; it knows nothing of the editor itself.
#pragma once

#include <chrono>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/types.h>

#include <gtest/gtest.h>

namespace kutest {

// How to start the program under test.
struct Options {
  int rows = 24;
  int cols = 80;
  // Any terminfo name: xterm-256color, linux, screen, screen-256color,
  // tmux-256color, vt100, rxvt-unicode... Keys are taken from its entry.
  std::string term = "xterm-256color";
  // Arguments after argv[0].
  std::vector<std::string> args;
  // The child gets the test's environment without LINES, COLUMNS and
  // TERMCAP, with TERM = term, HOME = home(), PWD = dir() and LC_ALL=C (so
  // screens do not depend on the machine's locale). Extra variables (NAME,
  // value) are applied last and may override any of these.
  std::vector<std::pair<std::string, std::string>> env;
  // Program to run; empty means ku_binary().
  std::string program;
  // Upper bound for every wait (start, settle, wait_exit default).
  std::chrono::milliseconds timeout{20000};
  // start() waits for the program's first output before it accepts the
  // program as idle. Turn off for programs that wait silently for input.
  bool wait_for_output = true;
};

// The ku binary: KU_BINARY of the test's compile definitions when the
// including file has it, else the KU_BINARY environment variable.
std::string ku_binary();
// Records the default program; called from the header in every test file
// compiled with KU_BINARY, so the harness library needs no macro itself.
bool set_default_program(const char* path);

struct Pos {
  int row = -1;
  int col = -1;
  bool operator==(const Pos&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Pos& p);

// One screen cell. Colours: -1 is the terminal's default colour, 0..255 an
// indexed palette entry (SGR 30-37 give 0-7, 90-97 give 8-15, 38;5;n gives
// n), and a direct RGB colour is 0x1000000 | 0xRRGGBB.
struct Cell {
  char ch = ' ';       // as row() shows it: the byte for codes < 256, else '?'
  uint32_t code = 0;   // the full code point (0 for an empty cell)
  bool bold = false;
  bool underline = false;
  bool reverse = false;
  int fg = -1;
  int bg = -1;
};

// The bytes a key notation name stands for in terminal `term`, from its
// terminfo entry only ("Up", "F5", "S-Left", "Del", "BS", ... or a terminfo
// capability name such as "kcuu1"). Empty when the entry has no such key.
std::optional<std::string> key_string(const std::string& term, std::string_view name);

class Screen {
 public:
  // Creates the temporary HOME and working directories; start() runs the
  // program, so files can be written before it starts.
  explicit Screen(Options opts = {});
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Starts the program and waits until it is first idle (or has exited).
  // Returns false, after reporting a test failure, if it could not.
  bool start();

  // --- keys --------------------------------------------------------------
  // Types keys written in notation: plain text, <Esc> <CR> <Enter> <Tab>
  // <BS> <Del> <C-x> <C-[> <F1>..<F12> <Up> <Down> <Left> <Right> <S-Up>
  // <S-Down> <S-Left> <S-Right> <S-Tab> <Home> <End> <PgUp> <PgDn> <Ins>
  // <KEnter> <K5> <KDiv> <KMul> <KMinus> <KPlus> <Space> <lt> <0x80>. Each
  // terminal key sequence is one write; a lone ESC is followed by a settle
  // so the program reads it alone. With wait, settles at the end.
  // An unknown <name> is reported as a test failure and nothing is sent.
  bool keys(std::string_view notation, bool wait = true);
  // Sends bytes as they are, in one write; with wait, settles afterwards.
  bool raw(std::string_view bytes, bool wait = true);
  // The bytes `keys` sends for one key name in this screen's terminal
  // (terminfo first, xterm-style fallback); empty for an unknown name.
  std::optional<std::string> key_bytes(std::string_view name) const;
  // Terminfo only, as kutest::key_string for this screen's terminal.
  std::optional<std::string> key_string(std::string_view name) const;

  // Waits until the program has read everything sent and sleeps in an
  // untimed read or poll of its terminal, with all its output drawn; also
  // returns once it has exited. False (and a test failure with a screen
  // dump) on timeout.
  bool settle();

  // --- screen ------------------------------------------------------------
  int height() const { return rows_; }
  int width() const { return cols_; }
  std::string row(int r) const;          // exactly width() characters
  std::vector<std::string> rows() const;
  Pos cursor() const;
  bool cursor_visible() const { return cursor_visible_; }
  Cell cell(int r, int c) const;
  bool contains(std::string_view text) const;
  std::optional<Pos> find(std::string_view text) const;  // first, row-major
  int bells() const { return bells_; }                   // BEL received
  const std::string& output() const { return transcript_; }  // all output
  // All rows with row numbers, the cursor, and the process state.
  std::string dump() const;

  // Assertion helpers: `text` is padded with blanks to the full width, so
  // a short text also says that the rest of the row is blank.
  ::testing::AssertionResult row_is(int r, std::string_view text) const;
  ::testing::AssertionResult rows_are(int first, std::initializer_list<std::string_view> texts) const;
  ::testing::AssertionResult cursor_is(int r, int c) const;

  // --- process -----------------------------------------------------------
  pid_t pid() const { return pid_; }
  bool running();
  // Waits for the program to exit and reaps it; true once it has.
  bool wait_exit(std::chrono::milliseconds timeout);
  bool wait_exit() { return wait_exit(opts_.timeout); }
  // Exit code, or -signal if killed by a signal; kNotExited while running.
  static constexpr int kNotExited = INT_MIN;
  int exit_status() const { return status_; }
  // Closes the master side, as when the terminal goes away.
  void close_pty();
  // Sends a signal, then waits as fits it: for the handler to run if the
  // program catches it, for the exit if it terminates the program.
  bool signal(int sig);
  // Changes the terminal size (the kernel then sends SIGWINCH) and settles.
  bool resize(int rows, int cols);

  // --- files -------------------------------------------------------------
  const std::string& home() const { return home_; }
  const std::string& dir() const { return dir_; }
  // A name relative to dir(); "~/name" is relative to home().
  std::string path(std::string_view relname) const;
  void write_file(std::string_view relname, std::string_view bytes) const;
  std::string read_file(std::string_view relname) const;  // throws if missing
  bool file_exists(std::string_view relname) const;

  const Options& options() const { return opts_; }

 private:
  struct Vt;
  bool send(std::string_view bytes);
  bool pump(int timeout_ms);
  void feed(const char* data, size_t n);
  bool reap(bool block);
  bool wait_idle(bool require_wake, const char* what);
  void fail(const std::string& why) const;
  std::string row_mismatch(int r, std::string_view text) const;

  Options opts_;
  int rows_, cols_;
  std::string home_, dir_;
  pid_t pid_ = -1;
  int status_ = kNotExited;
  int master_ = -1;
  int slave_ = -1;        // our own descriptor on the child's terminal
  std::string slave_name_;
  std::unique_ptr<Vt> vt_;
  std::string transcript_;
  std::string replies_;   // terminal replies waiting to be sent
  int bells_ = 0;
  bool cursor_visible_ = true;
  // Bookkeeping of input since the last settle.
  bool pending_ = false;      // bytes were sent that the child must read
  bool wake_needed_ = false;  // a signal was sent that the child catches
  uint64_t rchar_base_ = 0, sent_ = 0, vcs_base_ = 0;
  bool started_output_ = false;
};

}  // namespace kutest

#ifdef KU_BINARY
namespace {
// Registers this test file's ku binary as the harness default.
[[maybe_unused]] const bool kutest_default_program_ = kutest::set_default_program(KU_BINARY);
}  // namespace
#endif

#define EXPECT_SCREEN_ROW(s, r, text) EXPECT_TRUE((s).row_is((r), (text)))
#define ASSERT_SCREEN_ROW(s, r, text) ASSERT_TRUE((s).row_is((r), (text)))
#define EXPECT_SCREEN_ROWS(s, first, ...) EXPECT_TRUE((s).rows_are((first), __VA_ARGS__))
#define EXPECT_SCREEN_CURSOR(s, r, c) EXPECT_TRUE((s).cursor_is((r), (c)))
