// The Screen of the screen-test harness: starting the child in a pty,
// feeding its output to libvterm, sending keys, and deciding when the child
// is idle. It never looks inside the editor: only at the terminal and /proc.
#include "harness.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vterm.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "keys.h"
#include "proc.h"

extern char** environ;

namespace kutest {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using detail::ProcState;

namespace {

std::string& default_program_slot() {
  static std::string path;
  return path;
}

std::string make_temp_dir(const char* prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr)
    throw std::runtime_error("mkdtemp " + tmpl + ": " + std::strerror(errno));
  return buf.data();
}

std::string env_name(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// What a signal does when the process has not set a handler for it.
enum class Default { terminate, ignore, stop };
Default default_action(int sig) {
  switch (sig) {
    case SIGCHLD: case SIGCONT: case SIGURG: case SIGWINCH: return Default::ignore;
    case SIGSTOP: case SIGTSTP: case SIGTTIN: case SIGTTOU: return Default::stop;
    default: return Default::terminate;
  }
}

}  // namespace

bool set_default_program(const char* path) {
  default_program_slot() = path;
  return true;
}

std::string ku_binary() {
  if (!default_program_slot().empty()) return default_program_slot();
  const char* env = std::getenv("KU_BINARY");
  return env ? env : "";
}

std::ostream& operator<<(std::ostream& os, const Pos& p) {
  return os << "(row " << p.row << ", col " << p.col << ")";
}

std::optional<std::string> key_string(const std::string& term, std::string_view name) {
  return detail::key_bytes(term, name, false);
}

// libvterm and its callbacks.
struct Screen::Vt {
  VTerm* vt = nullptr;
  VTermScreen* screen = nullptr;
  VTermScreenCallbacks callbacks{};
  // libvterm 0.1.4 places the last character of a repeat (CSI n b) that ends
  // one column short of the margin on the next row; real terminals do not.
  // Repeats are therefore expanded here, which needs the escape-sequence
  // state carried across reads.
  enum class Esc { none, esc, csi, other } esc = Esc::none;
  std::string csi;         // a CSI sequence not yet complete
  std::string last_graphic;  // bytes of the last printed character
  ~Vt() {
    if (vt) vterm_free(vt);
  }
};

Screen::Screen(Options opts) : opts_(std::move(opts)), rows_(opts_.rows), cols_(opts_.cols) {
  home_ = make_temp_dir("ku-home");
  dir_ = make_temp_dir("ku-work");

  vt_ = std::make_unique<Vt>();
  vt_->vt = vterm_new(rows_, cols_);
  // Bytes 0xA0-0xFF are shown as the Latin-1 characters of the same value
  // (see feed), so libvterm decodes UTF-8, which feed produces.
  vterm_set_utf8(vt_->vt, 1);
  vterm_output_set_callback(
      vt_->vt, [](const char* s, size_t len, void* user) { static_cast<Screen*>(user)->replies_.append(s, len); },
      this);
  vt_->screen = vterm_obtain_screen(vt_->vt);
  vt_->callbacks.bell = [](void* user) {
    static_cast<Screen*>(user)->bells_++;
    return 1;
  };
  vt_->callbacks.settermprop = [](VTermProp prop, VTermValue* val, void* user) {
    if (prop == VTERM_PROP_CURSORVISIBLE) static_cast<Screen*>(user)->cursor_visible_ = val->boolean;
    return 1;
  };
  vterm_screen_set_callbacks(vt_->screen, &vt_->callbacks, this);
  vterm_screen_enable_altscreen(vt_->screen, 1);
  vterm_screen_reset(vt_->screen, 1);
}

Screen::~Screen() {
  if (pid_ > 0 && status_ == kNotExited) {
    kill(pid_, SIGKILL);
    reap(true);
  }
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  if (std::getenv("KU_KEEP_TMP")) {
    std::cerr << "kutest: kept HOME " << home_ << " and working directory " << dir_ << "\n";
    return;
  }
  std::error_code ec;
  fs::remove_all(home_, ec);
  fs::remove_all(dir_, ec);
}

// ---------------------------------------------------------------------------
// Starting the child

bool Screen::start() {
  if (pid_ > 0) {
    fail("start: the program was already started");
    return false;
  }
  std::string program = opts_.program.empty() ? ku_binary() : opts_.program;
  if (program.empty()) {
    fail("start: no program given and KU_BINARY is not set");
    return false;
  }

  // Everything the child needs is built before fork: after it, the child
  // only makes system calls.
  std::vector<std::string> argv_s{program};
  argv_s.insert(argv_s.end(), opts_.args.begin(), opts_.args.end());
  std::set<std::string> overridden;
  for (auto& [name, value] : opts_.env) overridden.insert(name);
  const std::set<std::string> replaced{"LINES", "COLUMNS", "TERM", "HOME", "PWD", "TERMCAP", "LC_ALL"};
  std::vector<std::string> env_s;
  for (char** e = environ; *e; ++e) {
    std::string name = env_name(*e);
    if (!replaced.count(name) && !overridden.count(name)) env_s.push_back(*e);
  }
  // A fixed locale, so that what the program draws does not depend on the
  // machine the tests run on.
  for (auto [name, value] : {std::pair<std::string, std::string>{"TERM", opts_.term},
                             {"HOME", home_}, {"PWD", dir_}, {"LC_ALL", "C"}})
    if (!overridden.count(name)) env_s.push_back(name + "=" + value);
  for (auto& [name, value] : opts_.env) env_s.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (auto& s : argv_s) argv.push_back(s.data());
  argv.push_back(nullptr);
  for (auto& s : env_s) envp.push_back(s.data());
  envp.push_back(nullptr);

  int errpipe[2];
  if (pipe2(errpipe, O_CLOEXEC) != 0) {
    fail(std::string("start: pipe: ") + std::strerror(errno));
    return false;
  }
  struct winsize ws{};
  ws.ws_row = static_cast<unsigned short>(rows_);
  ws.ws_col = static_cast<unsigned short>(cols_);
  pid_t pid = forkpty(&master_, nullptr, nullptr, &ws);
  if (pid < 0) {
    fail(std::string("start: forkpty: ") + std::strerror(errno));
    close(errpipe[0]);
    close(errpipe[1]);
    return false;
  }
  if (pid == 0) {
    for (int sig = 1; sig < NSIG; sig++) ::signal(sig, SIG_DFL);
    sigset_t all;
    sigemptyset(&all);
    sigprocmask(SIG_SETMASK, &all, nullptr);
    close_range(3, static_cast<unsigned>(errpipe[1]) - 1, 0);
    close_range(static_cast<unsigned>(errpipe[1]) + 1, ~0u, 0);
    int err = 0;
    if (chdir(dir_.c_str()) == 0) execve(argv[0], argv.data(), envp.data());
    err = errno;
    ssize_t ignored = write(errpipe[1], &err, sizeof err);
    (void)ignored;
    _exit(127);
  }
  pid_ = pid;
  close(errpipe[1]);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

  // The exec has happened when the pipe closes without a word.
  int err = 0;
  ssize_t n;
  do n = read(errpipe[0], &err, sizeof err);
  while (n < 0 && errno == EINTR);
  close(errpipe[0]);
  if (n > 0) {
    reap(true);
    fail("start: cannot run " + program + ": " + std::strerror(err));
    return false;
  }

  // Our own descriptor on the child's terminal: polling it pushes what we
  // wrote through to the line discipline and tells whether input is waiting.
  char name[128];
  if (ptsname_r(master_, name, sizeof name) == 0) {
    slave_name_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  }
  if (slave_ < 0) {
    fail("start: cannot open the terminal " + slave_name_);
    return false;
  }
  return wait_idle(false, "start");
}

// ---------------------------------------------------------------------------
// Output

void Screen::feed(const char* data, size_t n) {
  transcript_.append(data, n);
  // One cell per byte: 0xA0-0xFF become the UTF-8 of the Latin-1 character
  // with that value, and 0x80-0x9F become the 7-bit form of the C1 control,
  // as an 8-bit terminal with a Latin-1 upper half treats them.
  std::string out;
  out.reserve(n + n / 4);
  using Esc = Vt::Esc;
  for (size_t i = 0; i < n; i++) {
    unsigned char b = static_cast<unsigned char>(data[i]);
    Vt& v = *vt_;
    if (v.esc == Esc::csi) {
      v.csi += static_cast<char>(b);
      if (b >= 0x40 && b <= 0x7e) {  // final byte
        v.esc = Esc::none;
        if (b == 'b') {
          int count = std::atoi(v.csi.c_str() + 2);
          if (count < 1) count = 1;
          for (int k = 0; k < count; k++) out += v.last_graphic;
        } else {
          out += v.csi;
        }
        v.csi.clear();
      }
      continue;
    }
    if (v.esc == Esc::esc) {
      if (b == '[') {
        v.esc = Esc::csi;
        v.csi = "\x1b[";
        continue;
      }
      v.esc = Esc::none;
      out += '\x1b';
      out += static_cast<char>(b);
      continue;
    }
    if (b == 0x1b) {
      v.esc = Esc::esc;
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char>(b);
      if (b >= 0x20 && b < 0x7f) v.last_graphic.assign(1, static_cast<char>(b));
    } else if (b < 0xA0) {
      out += '\x1b';
      out += static_cast<char>(b - 0x40);
    } else {
      char u[2] = {static_cast<char>(0xC0 | (b >> 6)), static_cast<char>(0x80 | (b & 0x3F))};
      out.append(u, 2);
      v.last_graphic.assign(u, 2);
    }
  }
  vterm_input_write(vt_->vt, out.data(), out.size());
  if (!started_output_ && n > 0) started_output_ = true;
}

// Reads whatever the child has written (waiting up to timeout_ms for the
// first byte) and feeds it to the terminal. True if anything came.
bool Screen::pump(int timeout_ms) {
  if (master_ < 0) return false;
  if (timeout_ms > 0) {
    struct pollfd pfd{master_, POLLIN, 0};
    poll(&pfd, 1, timeout_ms);
  }
  bool got = false;
  char buf[65536];
  for (;;) {
    // A non-blocking read of the master also flushes bytes the child wrote
    // that the kernel has not yet moved to our side.
    ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) {
      feed(buf, static_cast<size_t>(n));
      got = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  return got;
}

// ---------------------------------------------------------------------------
// Input and synchronisation

bool Screen::send(std::string_view bytes) {
  if (pid_ <= 0) {
    fail("keys: the program was not started");
    return false;
  }
  if (master_ < 0) {
    fail("keys: the terminal was closed");
    return false;
  }
  if (!pending_ && !wake_needed_) {
    ProcState p = detail::read_proc(pid_);
    rchar_base_ = p.rchar;
    vcs_base_ = p.vcs;
    sent_ = 0;
  }
  pending_ = true;
  sent_ += bytes.size();
  auto deadline = Clock::now() + opts_.timeout;
  while (!bytes.empty()) {
    ssize_t n = write(master_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      fail(std::string("keys: write to the terminal: ") + std::strerror(errno));
      return false;
    }
    // The terminal's input is full: let the child run (it may be blocked
    // writing output we have not read) and try again.
    pump(1);
    if (reap(false)) return true;
    if (Clock::now() > deadline) {
      fail("keys: the program did not take its input within the timeout");
      return false;
    }
  }
  return true;
}

std::optional<std::string> Screen::key_bytes(std::string_view name) const {
  return detail::key_bytes(opts_.term, name, true);
}

std::optional<std::string> Screen::key_string(std::string_view name) const {
  return detail::key_bytes(opts_.term, name, false);
}

bool Screen::keys(std::string_view notation, bool wait) {
  std::string error;
  std::vector<detail::KeyWrite> writes = detail::parse_keys(notation, opts_.term, &error);
  if (!error.empty()) {
    fail("keys(\"" + std::string(notation) + "\"): " + error);
    return false;
  }
  for (size_t i = 0; i < writes.size(); i++) {
    if (!send(writes[i].bytes)) return false;
    // After a lone ESC the program must have read it, seen nothing follow,
    // and gone back to an untimed wait before the next key arrives.
    bool last = i + 1 == writes.size();
    if (writes[i].settle_after && !last && !wait_idle(false, "after <Esc>")) return false;
  }
  return wait ? settle() : true;
}

bool Screen::raw(std::string_view bytes, bool wait) {
  if (!send(bytes)) return false;
  return wait ? settle() : true;
}

bool Screen::settle() { return wait_idle(false, "settle"); }

// The idle test. The child is idle when, at one moment and again after one
// more drain of its output:
//  - it sleeps (state S) in a read of its terminal or in a poll/select
//    without timeout; a timed wait (such as the ESC delay of curses) is not
//    idle, since it ends by itself;
//  - no input is waiting for it on the terminal;
//  - in raw mode, it has read at least as many bytes as were sent since the
//    last settle, and it has blocked again since the first of them;
//  - after a signal it catches, it has blocked again since the signal.
// Nothing may change between the two looks: a difference means it woke.
bool Screen::wait_idle(bool require_wake, const char* what) {
  auto deadline = Clock::now() + opts_.timeout;
  std::string last_reason;
  for (;;) {
    pump(0);
    if (!replies_.empty()) {
      std::string r;
      r.swap(replies_);
      if (!send(r)) return false;
    }
    if (reap(false) || master_ < 0) {
      pending_ = wake_needed_ = false;
      return true;
    }
    ProcState p = detail::read_proc(pid_);
    auto candidate = [&](const ProcState& s) -> bool {
      if (!s.ok) return last_reason = "cannot read /proc of the process", false;
      if (s.state != 'S' || !detail::untimed_input_wait(s, pid_, slave_name_))
        return last_reason = "not asleep waiting for input: " + detail::describe(s), false;
      struct pollfd pfd{slave_, POLLIN, 0};
      if (poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN))
        return last_reason = "input is waiting on its terminal", false;
      struct termios t{};
      bool canonical = tcgetattr(slave_, &t) == 0 && (t.c_lflag & ICANON);
      if (pending_ && !canonical) {
        if (s.rchar < rchar_base_ + sent_)
          return last_reason = "it has read " + std::to_string(s.rchar - rchar_base_) + " of " +
                               std::to_string(sent_) + " bytes sent",
                 false;
        if (s.vcs <= vcs_base_) return last_reason = "it has not blocked since the input was sent", false;
      }
      if ((require_wake || wake_needed_) && s.vcs <= vcs_base_)
        return last_reason = "it has not blocked since the signal", false;
      if (opts_.wait_for_output && !started_output_) return last_reason = "no output yet", false;
      return true;
    };
    if (candidate(p)) {
      pump(0);
      ProcState again = detail::read_proc(pid_);
      if (replies_.empty() && p.same_as(again) && candidate(again)) {
        pending_ = wake_needed_ = false;
        return true;
      }
      if (!p.same_as(again)) last_reason = "it woke again";
    }
    if (Clock::now() > deadline) {
      fail(std::string(what) + ": timed out after " + std::to_string(opts_.timeout.count()) +
           " ms waiting for the program to become idle (" + last_reason + ")");
      return false;
    }
    pump(1);
  }
}

// ---------------------------------------------------------------------------
// Process

bool Screen::reap(bool block) {
  if (pid_ <= 0) return false;
  if (status_ != kNotExited) return true;
  int st = 0;
  pid_t r;
  do r = waitpid(pid_, &st, block ? 0 : WNOHANG);
  while (r < 0 && errno == EINTR);
  if (r != pid_) return false;
  status_ = WIFEXITED(st) ? WEXITSTATUS(st) : WIFSIGNALED(st) ? -WTERMSIG(st) : -1;
  pump(0);  // its last output
  return true;
}

bool Screen::running() { return pid_ > 0 && !reap(false); }

bool Screen::wait_exit(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return false;
  auto deadline = Clock::now() + timeout;
  for (;;) {
    pump(0);
    if (reap(false)) return true;
    if (Clock::now() > deadline) return false;
    if (master_ >= 0) {
      pump(2);
    } else {
      usleep(2000);  // no terminal left to wait on; only the exit remains
    }
  }
}

void Screen::close_pty() {
  pump(0);
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  master_ = slave_ = -1;
}

bool Screen::signal(int sig) {
  if (pid_ <= 0 || status_ != kNotExited) {
    fail("signal: the program is not running");
    return false;
  }
  pump(0);
  ProcState p = detail::read_proc(pid_);
  if (!pending_ && !wake_needed_) {
    rchar_base_ = p.rchar;
    vcs_base_ = p.vcs;
    sent_ = 0;
  }
  if (kill(pid_, sig) != 0) {
    fail(std::string("signal: kill: ") + std::strerror(errno));
    return false;
  }
  if (sig == 0 || detail::has_signal(p.sig_blocked, sig) || detail::has_signal(p.sig_ignored, sig))
    return settle();
  if (detail::has_signal(p.sig_caught, sig)) {
    wake_needed_ = true;
    return settle();
  }
  switch (default_action(sig)) {
    case Default::ignore: return settle();
    case Default::stop: return true;
    case Default::terminate: break;
  }
  if (wait_exit()) return true;
  fail("signal " + std::to_string(sig) + ": the program did not end");
  return false;
}

bool Screen::resize(int rows, int cols) {
  if (master_ < 0) {
    fail("resize: the terminal was closed");
    return false;
  }
  pump(0);
  if (rows == rows_ && cols == cols_) return settle();
  ProcState p = detail::read_proc(pid_);
  if (!pending_ && !wake_needed_) {
    rchar_base_ = p.rchar;
    vcs_base_ = p.vcs;
    sent_ = 0;
  }
  // The emulator first, so that what the program draws after the signal
  // lands on a screen of the new size.
  vterm_set_size(vt_->vt, rows, cols);
  rows_ = rows;
  cols_ = cols;
  struct winsize ws{};
  ws.ws_row = static_cast<unsigned short>(rows);
  ws.ws_col = static_cast<unsigned short>(cols);
  // The kernel sends SIGWINCH to the terminal's foreground process group.
  if (ioctl(master_, TIOCSWINSZ, &ws) != 0) {
    fail(std::string("resize: TIOCSWINSZ: ") + std::strerror(errno));
    return false;
  }
  if (p.ok && status_ == kNotExited && detail::has_signal(p.sig_caught, SIGWINCH) &&
      !detail::has_signal(p.sig_blocked, SIGWINCH))
    wake_needed_ = true;
  return settle();
}

// ---------------------------------------------------------------------------
// Reading the screen

Cell Screen::cell(int r, int c) const {
  Cell out;
  if (r < 0 || r >= rows_ || c < 0 || c >= cols_) return out;
  VTermScreenCell vc;
  if (!vterm_screen_get_cell(vt_->screen, VTermPos{r, c}, &vc)) return out;
  uint32_t code = vc.chars[0];
  if (code == 0xFFFFFFFFu) code = 0;
  out.code = code;
  out.ch = code == 0 ? ' ' : code < 256 ? static_cast<char>(code) : '?';
  out.bold = vc.attrs.bold;
  out.underline = vc.attrs.underline != 0;
  out.reverse = vc.attrs.reverse;
  auto colour = [](const VTermColor& col, bool is_default) {
    if (is_default) return -1;
    if (VTERM_COLOR_IS_INDEXED(&col)) return static_cast<int>(col.indexed.idx);
    return 0x1000000 | (col.rgb.red << 16) | (col.rgb.green << 8) | col.rgb.blue;
  };
  out.fg = colour(vc.fg, VTERM_COLOR_IS_DEFAULT_FG(&vc.fg));
  out.bg = colour(vc.bg, VTERM_COLOR_IS_DEFAULT_BG(&vc.bg));
  return out;
}

std::string Screen::row(int r) const {
  std::string s(static_cast<size_t>(cols_), ' ');
  if (r < 0 || r >= rows_) return s;
  for (int c = 0; c < cols_; c++) s[static_cast<size_t>(c)] = cell(r, c).ch;
  return s;
}

std::vector<std::string> Screen::rows() const {
  std::vector<std::string> out;
  for (int r = 0; r < rows_; r++) out.push_back(row(r));
  return out;
}

Pos Screen::cursor() const {
  VTermPos pos;
  vterm_state_get_cursorpos(vterm_obtain_state(vt_->vt), &pos);
  return {pos.row, pos.col};
}

std::optional<Pos> Screen::find(std::string_view text) const {
  for (int r = 0; r < rows_; r++) {
    size_t at = row(r).find(text);
    if (at != std::string::npos) return Pos{r, static_cast<int>(at)};
  }
  return std::nullopt;
}

bool Screen::contains(std::string_view text) const { return find(text).has_value(); }

std::string Screen::dump() const {
  std::ostringstream os;
  Pos cur = cursor();
  os << "screen " << rows_ << "x" << cols_ << " " << opts_.term << ", cursor " << cur
     << (cursor_visible_ ? "" : " hidden") << ", bells " << bells_ << ", ";
  if (pid_ <= 0) os << "not started";
  else if (status_ == kNotExited) os << "pid " << pid_ << " running";
  else if (status_ >= 0) os << "exited with status " << status_;
  else os << "killed by signal " << -status_;
  os << "\n    ";
  for (int c = 0; c < cols_; c++) os << (c % 10 == 0 ? static_cast<char>('0' + (c / 10) % 10) : ' ');
  os << "\n";
  for (int r = 0; r < rows_; r++) {
    char num[16];
    std::snprintf(num, sizeof num, "%3d", r);
    os << num << (r == cur.row ? '>' : '|') << row(r) << "|\n";
  }
  return os.str();
}

// Empty when row r shows text (padded with blanks), else what differs.
std::string Screen::row_mismatch(int r, std::string_view text) const {
  if (r < 0 || r >= rows_) return "row " + std::to_string(r) + " is outside the screen\n";
  if (text.size() > static_cast<size_t>(cols_))
    return "expected text for row " + std::to_string(r) + " is longer than the " + std::to_string(cols_) +
           " columns\n";
  std::string want(text);
  want.resize(static_cast<size_t>(cols_), ' ');
  std::string got = row(r);
  if (got == want) return {};
  size_t at = 0;
  while (got[at] == want[at]) at++;
  return "row " + std::to_string(r) + " differs from column " + std::to_string(at) + "\n  expected |" + want +
         "|\n  actual   |" + got + "|\n" + std::string(12 + at, ' ') + "^\n";
}

::testing::AssertionResult Screen::row_is(int r, std::string_view text) const {
  std::string diff = row_mismatch(r, text);
  if (diff.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << diff << dump();
}

::testing::AssertionResult Screen::rows_are(int first, std::initializer_list<std::string_view> texts) const {
  std::string diffs;
  int r = first;
  for (std::string_view t : texts) diffs += row_mismatch(r++, t);
  if (diffs.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << diffs << dump();
}

::testing::AssertionResult Screen::cursor_is(int r, int c) const {
  Pos p = cursor();
  if (p == Pos{r, c}) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "cursor is at " << p << ", expected " << Pos{r, c} << "\n" << dump();
}

void Screen::fail(const std::string& why) const { ADD_FAILURE() << why << "\n" << dump(); }

// ---------------------------------------------------------------------------
// Files

std::string Screen::path(std::string_view relname) const {
  if (relname.substr(0, 2) == "~/") return home_ + "/" + std::string(relname.substr(2));
  if (!relname.empty() && relname[0] == '/') return std::string(relname);
  return dir_ + "/" + std::string(relname);
}

void Screen::write_file(std::string_view relname, std::string_view bytes) const {
  std::string p = path(relname);
  fs::create_directories(fs::path(p).parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) throw std::runtime_error("write_file " + p + " failed");
}

std::string Screen::read_file(std::string_view relname) const {
  std::string p = path(relname);
  std::ifstream f(p, std::ios::binary);
  if (!f) throw std::runtime_error("read_file " + p + ": no such file");
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool Screen::file_exists(std::string_view relname) const {
  std::error_code ec;
  return fs::exists(path(relname), ec);
}

}  // namespace kutest
